// SPDX-License-Identifier: GPL-3.0-or-later
#include "SysfsCapabilityReader.h"

#include "SysfsBatteryStatusReader.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <memory>

using Capabilities::capabilitiesFailure;

namespace {

// From <linux/input-event-codes.h>.
constexpr int kKeyPower = 116;
constexpr int kKeySleep = 142;
constexpr int kSwLid = 0;

// A bitmap of every key code fits in a few hundred bytes; more is not a capabilities file.
constexpr qint64 kMaxBitmapBytes = 4096;

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

// The entries of a folder, or the failure with the system's error code, which QDir would hide.
Result<QStringList> listFolder(const QString &path)
{
    errno = 0;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(path).constData()));
    if (!dir)
        return capabilitiesFailure(errno);
    QStringList names;
    errno = 0;
    while (const dirent *entry = readdir(dir.get())) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != u"." && name != u"..")
            names.append(name);
    }
    if (errno != 0)
        return capabilitiesFailure(errno);
    return names;
}

QByteArray readBitmap(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kMaxBitmapBytes);
}

} // namespace

SysfsCapabilityReader::SysfsCapabilityReader(const QString &sysfsRoot)
    : m_root(sysfsRoot.isEmpty() ? qEnvironmentVariable("AMPORA_SYSFS_ROOT", QStringLiteral("/sys")) : sysfsRoot)
{
}

Result<PlanCapabilities> SysfsCapabilityReader::read() const
{
    const QString inputFolder = m_root + QStringLiteral("/class/input");
    const Result<QStringList> devices = listFolder(inputFolder);
    if (!devices)
        return devices.failure();

    PlanCapabilities capabilities;
    for (const QString &device : *devices) {
        const QString folder = inputFolder + u'/' + device + QStringLiteral("/capabilities/");
        const QByteArray keys = readBitmap(folder + QStringLiteral("key"));
        capabilities.powerButton = capabilities.powerButton || bitmapHasBit(keys, kKeyPower);
        capabilities.sleepButton = capabilities.sleepButton || bitmapHasBit(keys, kKeySleep);
        capabilities.lid = capabilities.lid || bitmapHasBit(readBitmap(folder + QStringLiteral("sw")), kSwLid);
    }
    capabilities.batteries = hasSystemBattery(SysfsBatteryStatusReader(m_root).read());
    const QDir backlights(m_root + QStringLiteral("/class/backlight"));
    capabilities.displayDimming
        = !backlights.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).isEmpty();
    return capabilities;
}

bool SysfsCapabilityReader::bitmapHasBit(QByteArrayView text, int bit, int wordBits)
{
    if (bit < 0 || wordBits <= 0 || wordBits > 64 || wordBits % 4 != 0)
        return false;
    const QList<QByteArray> words = text.toByteArray().trimmed().split(' ');
    const int maxDigits = wordBits / 4;
    quint64 wanted = 0;
    const qsizetype index = words.size() - 1 - bit / wordBits;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QByteArray &word = words[i];
        bool ok = false;
        const quint64 value = word.toULongLong(&ok, 16);
        // Plain hex digits only: toULongLong would also take a sign, a 0x or blanks.
        const bool hexOnly = std::all_of(
            word.begin(), word.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
        if (!ok || !hexOnly || word.isEmpty() || word.size() > maxDigits)
            return false;
        if (i == index)
            wanted = value;
    }
    return index >= 0 && (wanted >> (bit % wordBits) & 1) != 0;
}
