// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmpctlOutput.h"
#include "PowerPlan.h"
#include "PowerSettings.h"
#include "Result.h"
#include "Services.h"

#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

struct PlanSettingValue;

// ampctl's commands that look at and change plans themselves: show, create, rename, describe,
// delete, get, set-value, export and import. They go through the same catalogue functions as the plan editor, so
// a plan changed here is exactly the plan the editor would have saved.
class PlanCommands
{
public:
    // applyActive: makes the active plan's values take effect after set-value changed them.
    PlanCommands(const Services &services, AmpctlOutput &output, std::function<void()> applyActive);

    ExitCode show(const QString &plan);
    ExitCode create(const QString &name, const std::optional<QString> &from);
    ExitCode rename(const QString &plan, const QString &name);
    ExitCode describe(const QString &plan, const QString &text);
    ExitCode remove(const QString &plan);
    ExitCode get(const QString &plan, const QString &setting);
    ExitCode setValue(const QString &plan, const QString &setting, const std::optional<QString> &ac,
        const std::optional<QString> &dc);
    // file "-" is standard output, and standard input for importPlan.
    ExitCode exportPlan(const QString &plan, const QString &file);
    ExitCode importPlan(const QString &file, const std::optional<QString> &name, bool keepGuid);

private:
    // Every plan, or none after failing with SystemError when the store cannot be read.
    std::optional<PowerPlanList> loadPlans();
    // The plan the text names, or none after failing with NotFound (or as loadPlans).
    std::optional<PowerPlan> findPlan(const QString &text);
    std::optional<PowerPlan> findPlan(const PowerPlanList &plans, const QString &text);
    // What this machine has; every capability absent when that cannot be read (see m_capabilityProblem).
    PlanCapabilities readCapabilities();
    // Fails with NotOffered when the machine lacks the row, or the battery a DC value needs.
    std::optional<ExitCode> refuseUnoffered(const PowerSettingRow &row, const PlanCapabilities &capabilities, bool dc);
    // Fails with UsageError or Duplicate when the name rule refuses name (except: the plan being
    // renamed).
    std::optional<ExitCode> refuseName(const PowerPlanList &plans, const QString &name, const QUuid &except);
    // "cannot <what>: <why>", with the exit status the failure's kind calls for.
    ExitCode failWrite(const QString &what, const Failure &failure);
    // Success, after saying on stderr when the capabilities had to be taken as absent.
    ExitCode succeed();
    // One row as show and get print it: name, label and the value per power source.
    QJsonObject settingJson(const QUuid &plan, const QList<PlanSettingValue> &values);
    void printSettings(const QList<QJsonObject> &settings);

    Services m_services;
    AmpctlOutput &m_output;
    std::function<void()> m_applyActive;
    QString m_capabilityProblem;
};
