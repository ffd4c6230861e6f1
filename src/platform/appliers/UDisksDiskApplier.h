// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <optional>

// An hdparm -S code for the disks' standby timer, and whether it is the plan's time exactly.
struct AMPORA_BASE_EXPORT StandbyCode
{
    quint8 code = 0; // 0 never; 1..240 in 5 s steps; 241..251 in 30 min steps
    bool exact = true;

    // The nearest code to seconds (0 = never); beyond 5 h 30 min the longest, 251.
    static StandbyCode forSeconds(quint32 seconds);
    quint32 seconds() const;
};

// What became of the spin-down time on one drive.
struct DriveReport
{
    QString drive; // "WDC WD10EZEX (WD-WCC6Y1234567)"
    Outcome outcome = Outcome::Failed;
    QString detail;
};

// Sets the disks' spin-down time through UDisks: Drive.SetConfiguration({"ata-pm-standby": code})
// on every drive whose Drive.Ata says PmSupported. UDisks keeps it for the whole machine (in
// /etc/udisks2) and polkit asks for an administrator's password (modify-drive-settings), so it
// runs only when the user asks for it, never on an automatic apply: ApplierFactory leaves it out.
// Calls block with a timeout; the window runs it on a worker thread.
class AMPORA_BASE_EXPORT UDisksDiskApplier : public PlanApplier
{
public:
    explicit UDisksDiskApplier(const QDBusConnection &systemBus);

    QString name() const override;
    QList<Setting> handles() const override { return { Setting::DiskOff }; }
    // One report for DiskOff that sums up the drives: the worst of them decides.
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;
    // Each drive's outcome of the latest apply(); empty when no drive was reached.
    QList<DriveReport> driveReports() const { return m_drives; }

private:
    struct Drive
    {
        QString path;
        QString name;
    };
    // The drives that can spin down by themselves, or why UDisks could not tell.
    std::optional<QList<Drive>> spinDownDrives(QString &failure);
    DriveReport setStandby(const Drive &drive, StandbyCode code);
    SettingReport summary(StandbyCode code) const;

    QDBusConnection m_bus;
    QList<DriveReport> m_drives;
};

// The window's and ampctl's line for one drive: "WDC WD10EZEX: Applied".
namespace DiskReports {
AMPORA_BASE_EXPORT QString driveReportText(const DriveReport &report);
} // namespace DiskReports
