#include "AppliedLedger.h"

#include "ApplyStatus.h"
#include "DataLock.h"
#include "IniFile.h"
#include "UserReport.h"

namespace {

const QString kSection = QStringLiteral("Written");

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
    const IniFile ini = IniFile::load(m_path);
    if (!ini.contains(kSection, key))
        return std::nullopt;
    return ini.value(kSection, key);
}

void AppliedLedger::remember(const QString &key, const QString &value)
{
    m_pending.insert(key, value);
}

Result<> AppliedLedger::flush()
{
    if (m_pending.isEmpty())
        return {};
    const Result<> flushed = underDataLock([&]() -> Result<> {
        IniFile ini = IniFile::load(m_path);
        if (ini.readFailed())
            return failed(ini.readError());
        for (auto entry = m_pending.cbegin(); entry != m_pending.cend(); ++entry) {
            if (!ini.setValue(kSection, entry.key(), entry.value()))
                return invalid(QStringLiteral("Cannot record %1=%2 in %3").arg(entry.key(), entry.value(), m_path));
        }
        return ini.save(m_path);
    });
    if (flushed)
        m_pending.clear();
    return flushed;
}

bool AppliedLedger::mayFollow(const QString &key, const QString &current) const
{
    const std::optional<QString> ours = written(key);
    return !ours || *ours == current;
}
