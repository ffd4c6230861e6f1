// SPDX-License-Identifier: GPL-3.0-or-later
#include "Profile.h"

#include "AtomicFile.h"
#include "DataLock.h"
#include "IniFile.h"
#include "SharedStrings.h"

#include <QFile>
#include <QMutex>
#include <sys/stat.h>

using Profile::formatText;
using Profile::isSettingFalse;
using Profile::isSettingTrue;
using Profile::loadText;
using Profile::readSetting;
using Profile::writeSetting;
using Program::sharedStrings;

namespace Profile {

namespace {

const QString kSection = QStringLiteral("Ampora");

// Replaces the first printf conversion (%s, %d, %ls ...) with text; "%%" stays a percent sign.
QString fillFirstPlaceholder(const QString &format, const QString &text)
{
    QString out;
    out.reserve(format.size() + text.size());
    bool filled = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < format.size() && QStringView(u"-+ #0123456789.lh").contains(format.at(j)))
            ++j;
        if (!filled && j < format.size() && QStringView(u"sdiu").contains(format.at(j))) {
            out += text;
            filled = true;
            i = j;
            continue;
        }
        out += c;
    }
    return out;
}

// The language file as last read, kept while the file on disk is the same one unchanged (same
// inode, size and modification time): an opening window asks it for dozens of texts, and a
// language file replaced while the program runs is read again.
QString languageText(const QString &path, const QString &key)
{
    struct Cached
    {
        QString path;
        struct stat identity = {};
        IniFile ini;
    };
    static QMutex mutex;
    static Cached cached;
    struct stat identity = {};
    if (::stat(QFile::encodeName(path).constData(), &identity) != 0)
        return IniFile::load(path).value(kSection, key);
    const auto same = [&identity](const struct stat &other) {
        return identity.st_dev == other.st_dev && identity.st_ino == other.st_ino && identity.st_size == other.st_size
            && identity.st_mtim.tv_sec == other.st_mtim.tv_sec && identity.st_mtim.tv_nsec == other.st_mtim.tv_nsec;
    };
    const QMutexLocker lock(&mutex);
    if (cached.path != path || !same(cached.identity))
        cached = { path, identity, IniFile::load(path) };
    return cached.ini.value(kSection, key);
}

} // namespace

QString loadText(const QString &key, int bufferChars)
{
    const QString text = languageText(sharedStrings().languageFile, key);
    return text.left(qMax(0, bufferChars - 1));
}

QString loadText(const char16_t *key, int bufferChars)
{
    return loadText(QString::fromUtf16(key), bufferChars);
}

QString readSetting(const QString &key)
{
    return IniFile::load(sharedStrings().settingsFile).value(kSection, key).left(499);
}

Result<> writeSetting(const QString &key, const QString &value)
{
    if (!IniFile::isSafeValue(value))
        return invalid(QStringLiteral("the setting %1 cannot hold a line break or NUL").arg(key));
    return underDataLock([&]() -> Result<> {
        // Read under the lock, so a setting written meanwhile by another process stays.
        const QString &path = sharedStrings().settingsFile;
        IniFile ini = IniFile::load(path);
        if (ini.readFailed())
            return failed(ini.readError());
        if (ini.hasEncodingError()) {
            // Keep the unreadable file for the user and start a clean one.
            if (AtomicFile::setAside(path).isEmpty())
                return failed(
                    QStringLiteral("the settings file %1 is not valid text and could not be moved aside").arg(path));
            ini = IniFile();
        }
        if (!ini.setValue(kSection, key, value))
            return invalid(QStringLiteral("%1 cannot name a setting").arg(key));
        return ini.save(path);
    });
}

bool isSettingTrue(const QString &value)
{
    return value == u"TRUE";
}

bool isSettingFalse(const QString &value)
{
    return value == u"FALSE";
}

QString formatText(const QString &format, const QString &argument)
{
    return fillFirstPlaceholder(format, argument);
}

QString formatText(const QString &format, long long argument)
{
    return fillFirstPlaceholder(format, QString::number(argument));
}

} // namespace Profile
