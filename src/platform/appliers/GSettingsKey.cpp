// SPDX-License-Identifier: GPL-3.0-or-later
#include "GSettingsKey.h"

#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <type_traits>

// Qt's "signals" keyword would rename a member of GIO's D-Bus structures.
#undef signals
#include <dlfcn.h>
#include <gio/gio.h>

using namespace Qt::StringLiterals;

namespace {

// GIO, and with it GObject, libmount, libselinux and the rest it brings, is loaded with the first
// key: a desktop that keeps no settings in GSettings never pays for it. GLib itself (GVariant,
// logging) is already there through Qt.
struct Gio
{
    decltype(&g_object_unref) objectUnref = nullptr;
    decltype(&g_settings_schema_source_get_default) sourceGetDefault = nullptr;
    decltype(&g_settings_schema_source_lookup) sourceLookup = nullptr;
    decltype(&g_settings_schema_unref) schemaUnref = nullptr;
    decltype(&g_settings_schema_has_key) schemaHasKey = nullptr;
    decltype(&g_settings_schema_get_path) schemaGetPath = nullptr;
    decltype(&g_settings_schema_get_key) schemaGetKey = nullptr;
    decltype(&g_settings_schema_key_unref) keyUnref = nullptr;
    decltype(&g_settings_schema_key_get_value_type) keyValueType = nullptr;
    decltype(&g_settings_schema_key_range_check) keyRangeCheck = nullptr;
    decltype(&g_settings_new_full) settingsNewFull = nullptr;
    decltype(&g_settings_get_value) getValue = nullptr;
    decltype(&g_settings_set_value) setValue = nullptr;
    decltype(&g_settings_is_writable) isWritable = nullptr;
    decltype(&g_settings_sync) sync = nullptr;
    QString error; // why GIO cannot be used; empty when it can

    static const Gio &instance()
    {
        static const Gio gio;
        return gio;
    }

private:
    Gio()
    {
        // Never closed: GObject types cannot be unloaded.
        void *library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            error = u"GIO cannot be loaded: %1"_s.arg(QString::fromLocal8Bit(::dlerror()));
            return;
        }
        const auto resolve = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
            if (!function && error.isEmpty())
                error = u"GIO has no %1"_s.arg(QLatin1StringView(name));
        };
        resolve(objectUnref, "g_object_unref");
        resolve(sourceGetDefault, "g_settings_schema_source_get_default");
        resolve(sourceLookup, "g_settings_schema_source_lookup");
        resolve(schemaUnref, "g_settings_schema_unref");
        resolve(schemaHasKey, "g_settings_schema_has_key");
        resolve(schemaGetPath, "g_settings_schema_get_path");
        resolve(schemaGetKey, "g_settings_schema_get_key");
        resolve(keyUnref, "g_settings_schema_key_unref");
        resolve(keyValueType, "g_settings_schema_key_get_value_type");
        resolve(keyRangeCheck, "g_settings_schema_key_range_check");
        resolve(settingsNewFull, "g_settings_new_full");
        resolve(getValue, "g_settings_get_value");
        resolve(setValue, "g_settings_set_value");
        resolve(isWritable, "g_settings_is_writable");
        resolve(sync, "g_settings_sync");
    }
};

} // namespace

struct GSettingsKey::Handles
{
    GSettingsSchema *schema = nullptr;
    GSettingsSchemaKey *key = nullptr;
    GSettings *settings = nullptr;

    Handles() = default;
    Handles(const Handles &) = delete;
    Handles &operator=(const Handles &) = delete;
    ~Handles()
    {
        const Gio &gio = Gio::instance();
        if (settings)
            gio.objectUnref(settings);
        if (key)
            gio.keyUnref(key);
        if (schema)
            gio.schemaUnref(schema);
    }
};

namespace {

QString printed(GVariant *value)
{
    gchar *text = g_variant_print(value, FALSE);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

// The value in the key's own type, or null when it cannot hold it. The type codes are compared as
// text: GLib's type constants are macros with C casts.
GVariant *toVariant(const QVariant &value, const GVariantType *type)
{
    const QByteArray code(g_variant_type_peek_string(type), qsizetype(g_variant_type_get_string_length(type)));
    if (code == "b" && value.typeId() == QMetaType::Bool)
        return g_variant_new_boolean(value.toBool());
    if (code == "s" && value.typeId() == QMetaType::QString)
        return g_variant_new_string(value.toString().toUtf8().constData());
    if (!isNumber(value))
        return nullptr;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (code == "u" && ok && number >= 0 && number <= std::numeric_limits<quint32>::max())
        return g_variant_new_uint32(guint32(number));
    if (code == "i" && ok && number >= std::numeric_limits<qint32>::min()
        && number <= std::numeric_limits<qint32>::max())
        return g_variant_new_int32(gint32(number));
    return nullptr;
}

} // namespace

GSettingsKey::GSettingsKey(const QString &schema, const QString &key)
    : m_schema(schema)
    , m_key(key)
    , m_handles(std::make_unique<Handles>())
{
    const Gio &gio = Gio::instance();
    if (!gio.error.isEmpty()) {
        m_missing = gio.error;
        return;
    }
    GSettingsSchemaSource *source = gio.sourceGetDefault();
    if (!source) {
        m_missing = u"no GSettings schemas are installed"_s;
        return;
    }
    m_handles->schema = gio.sourceLookup(source, schema.toUtf8().constData(), TRUE);
    if (!m_handles->schema) {
        m_missing = u"schema %1 is not installed"_s.arg(schema);
        return;
    }
    const QByteArray keyName = key.toUtf8();
    if (!gio.schemaHasKey(m_handles->schema, keyName.constData())) {
        m_missing = u"schema %1 has no key %2"_s.arg(schema, key);
        return;
    }
    // A schema without a path of its own needs one given, which g_settings_new_full would abort on.
    if (!gio.schemaGetPath(m_handles->schema)) {
        m_missing = u"schema %1 has no fixed path"_s.arg(schema);
        return;
    }
    m_handles->key = gio.schemaGetKey(m_handles->schema, keyName.constData());
    m_handles->settings = gio.settingsNewFull(m_handles->schema, nullptr, nullptr);
}

GSettingsKey::~GSettingsKey() = default;
GSettingsKey::GSettingsKey(GSettingsKey &&other) noexcept = default;
GSettingsKey &GSettingsKey::operator=(GSettingsKey &&other) noexcept = default;

QString GSettingsKey::ledgerKey() const
{
    return u"gsettings/%1/%2"_s.arg(m_schema, m_key);
}

std::optional<QString> GSettingsKey::read() const
{
    if (!m_missing.isEmpty())
        return std::nullopt;
    GVariant *value = Gio::instance().getValue(m_handles->settings, m_key.toUtf8().constData());
    const QString text = printed(value);
    g_variant_unref(value);
    return text;
}

Result<QString> GSettingsKey::check(const QVariant &value) const
{
    if (!m_missing.isEmpty())
        return notFound(m_missing);
    const Gio &gio = Gio::instance();
    GVariant *variant = toVariant(value, gio.keyValueType(m_handles->key));
    if (!variant)
        return invalid(u"%1 cannot hold %2"_s.arg(m_key, value.toString()));
    g_variant_ref_sink(variant);
    Result<QString> result = printed(variant);
    if (!gio.keyRangeCheck(m_handles->key, variant))
        result = invalid(u"%1 does not accept %2"_s.arg(m_key, *result));
    else if (!gio.isWritable(m_handles->settings, m_key.toUtf8().constData()))
        result = failed(u"%1 is locked by the administrator"_s.arg(m_key));
    g_variant_unref(variant);
    return result;
}

Result<QString> GSettingsKey::write(const QVariant &value)
{
    const Result<QString> checked = check(value);
    if (!checked)
        return checked;
    const Gio &gio = Gio::instance();
    GVariant *variant = toVariant(value, gio.keyValueType(m_handles->key));
    const bool written = gio.setValue(m_handles->settings, m_key.toUtf8().constData(), variant);
    if (!written)
        return failed(u"%1 could not be written"_s.arg(m_key));
    return checked;
}

namespace {

// dconf prints its failure to commit on stderr; Ampora reads the keys back and reports it itself.
// Everything else goes where GLib would send it.
GLogWriterOutput dropCommitWarnings(GLogLevelFlags level, const GLogField *fields, gsize count, gpointer data)
{
    bool fromDconf = false;
    bool commitFailed = false;
    for (gsize i = 0; i < count; ++i) {
        const auto *value = static_cast<const char *>(fields[i].value);
        if (fields[i].length < 0 && g_strcmp0(fields[i].key, "GLIB_DOMAIN") == 0)
            fromDconf = g_strcmp0(value, "dconf") == 0;
        else if (fields[i].length < 0 && g_strcmp0(fields[i].key, "MESSAGE") == 0)
            commitFailed = g_str_has_prefix(value, "failed to commit changes to dconf");
    }
    if (fromDconf && commitFailed)
        return G_LOG_WRITER_HANDLED;
    return g_log_writer_default(level, fields, count, data);
}

} // namespace

Result<> GSettingsKey::sync(std::chrono::milliseconds timeout)
{
    // Without GIO no key was ever written.
    const Gio &gio = Gio::instance();
    if (!gio.error.isEmpty())
        return {};
    static std::once_flag quietDconf;
    std::call_once(quietDconf, [] { g_log_set_writer_func(dropCommitWarnings, nullptr, nullptr); });
    struct Wait
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    const auto wait = std::make_shared<Wait>();
    // The thread touches only GLib and what it shares with the waiter, so it may outlive the wait
    // and even the caller.
    std::thread([wait, sync = gio.sync] {
        sync();
        const std::lock_guard lock(wait->mutex);
        wait->finished = true;
        wait->done.notify_all();
    }).detach();
    std::unique_lock lock(wait->mutex);
    if (wait->done.wait_for(lock, timeout, [&] { return wait->finished; }))
        return {};
    return failed(u"the settings service (dconf) did not answer within %1 s"_s.arg(
        std::chrono::duration_cast<std::chrono::seconds>(timeout).count()));
}
