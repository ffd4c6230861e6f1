// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplyCoordinator.h"

using ApplySetting::allSettings;
using ApplySetting::settingRow;
using PowerSettings::isSettingOffered;

ApplyCoordinator::ApplyCoordinator(std::vector<std::unique_ptr<PlanApplier>> appliers,
    std::optional<PlanCapabilities> capabilities, AppliedLedger *ledger)
    : m_appliers(std::move(appliers))
    , m_capabilities(capabilities)
    , m_ledger(ledger)
{
}

ApplyCoordinator::~ApplyCoordinator() = default;

QList<SettingReport> ApplyCoordinator::apply(const ApplyRequest &request)
{
    for (const std::unique_ptr<PlanApplier> &applier : m_appliers)
        applier->probe();
    QList<SettingReport> reports;
    // Each applier is called once, with every setting it was given, so it can write related
    // keys together (GNOME's sleep and hibernate share one action key).
    std::vector<std::pair<PlanApplier *, QList<Setting>>> work;
    for (const Setting setting : allSettings()) {
        if (const std::optional<SettingReport> report = reportWithoutApplier(setting)) {
            reports.append(*report);
            continue;
        }
        PlanApplier *applier = applierFor(setting);
        auto entry = std::find_if(work.begin(), work.end(), [&](const auto &item) { return item.first == applier; });
        if (entry == work.end())
            work.emplace_back(applier, QList<Setting> { setting });
        else
            entry->second.append(setting);
    }
    for (const auto &[applier, settings] : work) {
        QList<SettingReport> applied = applier->apply(request, settings);
        // An applier that forgot a setting must not hide it from the user.
        for (const Setting setting : settings) {
            if (std::none_of(
                    applied.cbegin(), applied.cend(), [&](const SettingReport &r) { return r.setting == setting; }))
                applied.append({ setting, Outcome::Failed, QStringLiteral("%1 gave no answer").arg(applier->name()) });
        }
        reports.append(applied);
    }
    // Without a record of what was written, later follows would take Ampora's values for the
    // user's: the caller is told.
    m_recordFailure.clear();
    if (m_ledger) {
        (void)m_ledger->flush(); // its failure is kept and taken on the next line
        m_recordFailure = m_ledger->takeWriteFailure();
    }
    std::stable_sort(reports.begin(), reports.end(),
        [](const SettingReport &a, const SettingReport &b) { return a.setting < b.setting; });
    return reports;
}

QStringList ApplyCoordinator::applierNames() const
{
    QStringList names;
    for (const std::unique_ptr<PlanApplier> &applier : m_appliers) {
        if (!applier->handles().isEmpty())
            names.append(applier->name());
    }
    return names;
}

void ApplyCoordinator::release()
{
    for (const std::unique_ptr<PlanApplier> &applier : m_appliers)
        applier->release();
}

PlanApplier *ApplyCoordinator::applierFor(Setting setting) const
{
    for (const std::unique_ptr<PlanApplier> &applier : m_appliers) {
        if (applier->handles().contains(setting))
            return applier.get();
    }
    return nullptr;
}

std::optional<SettingReport> ApplyCoordinator::reportWithoutApplier(Setting setting) const
{
    if (m_capabilities && !isSettingOffered(settingRow(setting), *m_capabilities))
        return SettingReport { setting, Outcome::NotOnThisMachine, {} };
    if (applierFor(setting))
        return std::nullopt;
    switch (setting) {
    case Setting::DiskOff:
        return SettingReport { setting, Outcome::NeedsAdministrator,
            QStringLiteral("it asks for a password, so it is set only on request: the plan editor's "
                           "Apply to disks button or ampctl apply --disk") };
    case Setting::Lid:
        return SettingReport { setting, Outcome::NotOnThisDesktop,
            QStringLiteral("the system's logind settings decide it") };
    case Setting::Brightness:
        return SettingReport { setting, Outcome::NotOnThisDesktop,
            QStringLiteral("neither the desktop nor logind can set it here") };
    case Setting::PerformanceProfile:
        return SettingReport { setting, Outcome::NotOnThisMachine,
            QStringLiteral("power-profiles-daemon is not running") };
    default:
        return SettingReport { setting, Outcome::NotOnThisDesktop,
            QStringLiteral("Ampora cannot set it on this desktop") };
    }
}
