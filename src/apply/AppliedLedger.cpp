// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppliedLedger.h"

#include "ApplyStatus.h"
#include "AtomicFile.h"
#include "DataLock.h"
#include "IniFile.h"
#include "UserReport.h"

using StatusFile::amporaStateFolder;
using UserReport::reportToUser;

namespace {

const QString kWritten = QStringLiteral("Written");
// Announced and perhaps written, not yet known to have arrived.
const QString kWriting = QStringLiteral("Writing");

// Only Ampora writes the file: bytes that are not text, or lines that are not its own, mean it is
// damaged, and nothing in it can be trusted.
struct LedgerFile
{
    IniFile ini;
    QString error;

    explicit LedgerFile(const QString &path)
        : ini(IniFile::load(path))
        , error(ini.readError())
    {
        if (error.isEmpty() && (ini.hasEncodingError() || !ini.malformedLines().isEmpty()))
            error = QStringLiteral("%1 is damaged").arg(path);
    }
    bool readFailed() const { return !error.isEmpty(); }
};

} // namespace

AppliedLedger::AppliedLedger(const QString &path)
    : m_path(path.isEmpty() ? amporaStateFolder() + QStringLiteral("/applied.ini") : path)
{
}

AppliedLedger::~AppliedLedger()
{
    if (const Result<> flushed = flush(); !flushed)
        reportToUser(flushed.failure().message);
}

std::optional<QString> AppliedLedger::written(const QString &key) const
{
    if (const auto pending = m_pending.constFind(key); pending != m_pending.cend())
        return *pending;
    const LedgerFile file(m_path);
    const IniFile &ini = file.ini;
    if (file.readFailed() || !ini.contains(kWritten, key))
        return std::nullopt;
    return ini.value(kWritten, key);
}

AppliedLedger::Verdict AppliedLedger::verdict(const QString &key, const QString &current) const
{
    const LedgerFile file(m_path);
    const auto pending = m_pending.constFind(key);
    if (file.readFailed() && pending == m_pending.cend())
        return Verdict::Unknown;
    std::optional<QString> written;
    if (pending != m_pending.cend())
        written = *pending;
    else if (file.ini.contains(kWritten, key))
        written = file.ini.value(kWritten, key);
    std::optional<QString> writing;
    if (!file.readFailed() && !m_abandoned.contains(key) && file.ini.contains(kWriting, key))
        writing = file.ini.value(kWriting, key);
    if ((!written && !writing) || written == current || writing == current)
        return Verdict::Follow;
    return Verdict::KeptByUser;
}

QString AppliedLedger::readError() const
{
    return LedgerFile(m_path).error;
}

Result<> AppliedLedger::announce(const QList<std::pair<QString, QString>> &values, ApplyReason reason)
{
    if (values.isEmpty())
        return {};
    return noteFailure(underDataLock([&]() -> Result<> {
        LedgerFile file(m_path);
        IniFile &ini = file.ini;
        if (file.readFailed()) {
            if (reason != ApplyReason::Activation)
                return failed(file.error);
            // The user chose a plan: its values are Ampora's from now on, whatever the old
            // record said. The old record is kept for whoever wants to look at it.
            const QString aside = AtomicFile::setAside(m_path);
            if (aside.isEmpty())
                return failed(QStringLiteral("%1; it could not be set aside either").arg(file.error));
            reportToUser(QStringLiteral("%1; it was renamed to %2 and a fresh one started").arg(file.error, aside));
            ini = IniFile();
        }
        for (const auto &[key, value] : values) {
            if (!ini.setValue(kWriting, key, value))
                return invalid(QStringLiteral("Cannot record %1=%2 in %3").arg(key, value, m_path));
            m_abandoned.remove(key);
        }
        return ini.save(m_path);
    }));
}

void AppliedLedger::remember(const QString &key, const QString &value)
{
    m_pending.insert(key, value);
    m_abandoned.remove(key);
}

void AppliedLedger::abandon(const QString &key)
{
    if (!m_pending.contains(key))
        m_abandoned.insert(key);
}

Result<> AppliedLedger::flush()
{
    if (m_pending.isEmpty() && m_abandoned.isEmpty())
        return {};
    const Result<> flushed = noteFailure(underDataLock([&]() -> Result<> {
        LedgerFile file(m_path);
        IniFile &ini = file.ini;
        if (file.readFailed())
            return failed(file.error);
        for (auto entry = m_pending.cbegin(); entry != m_pending.cend(); ++entry) {
            if (!ini.setValue(kWritten, entry.key(), entry.value()))
                return invalid(QStringLiteral("Cannot record %1=%2 in %3").arg(entry.key(), entry.value(), m_path));
            // A key that is not marked as being written has no mark to take back.
            (void)ini.removeKey(kWriting, entry.key());
        }
        for (const QString &key : std::as_const(m_abandoned))
            (void)ini.removeKey(kWriting, key); // as above
        return ini.save(m_path);
    }));
    if (flushed) {
        m_pending.clear();
        m_abandoned.clear();
    }
    return flushed;
}

QString AppliedLedger::takeWriteFailure()
{
    return std::exchange(m_writeFailure, QString());
}

Result<> AppliedLedger::noteFailure(const Result<> &result)
{
    if (!result)
        m_writeFailure = result.failure().message;
    return result;
}
