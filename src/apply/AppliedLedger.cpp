#include "AppliedLedger.h"

#include "ApplyStatus.h"
#include "DataLock.h"
#include "IniFile.h"

namespace {

const QString kSection = QStringLiteral("Written");

} // namespace

AppliedLedger::AppliedLedger(const QString &path)
    : m_path(path.isEmpty() ? amporaStateFolder() + QStringLiteral("/applied.ini") : path)
{
}

std::optional<QString> AppliedLedger::written(const QString &key) const
{
    const IniFile ini = IniFile::load(m_path);
    if (!ini.contains(kSection, key))
        return std::nullopt;
    return ini.value(kSection, key);
}

Result<> AppliedLedger::remember(const QString &key, const QString &value)
{
    return underDataLock([&]() -> Result<> {
        IniFile ini = IniFile::load(m_path);
        if (ini.readFailed())
            return failed(ini.readError());
        if (!ini.setValue(kSection, key, value))
            return invalid(QStringLiteral("Cannot record %1=%2 in %3").arg(key, value, m_path));
        return ini.save(m_path);
    });
}

bool AppliedLedger::mayFollow(const QString &key, const QString &current) const
{
    const std::optional<QString> ours = written(key);
    return !ours || *ours == current;
}
