// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopKey.h"
#include "PlanApplier.h"

#include <QList>
#include <functional>
#include <memory>
#include <vector>

class AppliedLedger;

struct KeyValue
{
    std::shared_ptr<DesktopKey> key;
    QVariant value;
};

struct KeyOutcome
{
    Outcome outcome = Outcome::Applied;
    QString detail;
};

// What the user is told of two keys' outcomes (one per power source): the worse one, with both
// reasons if they differ.
KeyOutcome worseOutcome(const KeyOutcome &a, const KeyOutcome &b);

// The keys of one apply, written together and then read back: a settings store may accept a value
// at once and commit it later, or never (dconf without a session bus, a home it cannot write, a
// service that hangs). Only a value read back after the commit counts as applied and is recorded.
class KeyBatch
{
public:
    // sync waits until what was written reached the store; store names it in reports ("dconf").
    KeyBatch(AppliedLedger &ledger, ApplyReason reason, std::function<Result<>()> sync, QString store);

    // Keys that make one choice together (an idle action and its delay) are kept together when
    // the user changed any of them in the desktop's settings, and a value one key refuses leaves
    // the others of its choice alone too. Gives the choice's number.
    std::size_t add(const QList<KeyValue> &values);
    void commit();
    const KeyOutcome &outcome(std::size_t choice) const { return m_choices.at(choice).outcome; }

private:
    struct Choice
    {
        std::vector<std::shared_ptr<DesktopKey>> keys;
        QVariantList values;
        QStringList texts; // what each key is to hold, as DesktopKey::read() shows it
        KeyOutcome outcome;
    };

    bool mayFollow(Choice &choice) const;
    std::vector<std::reference_wrapper<Choice>> pending();
    void failAll(const KeyOutcome &outcome);
    void write(Choice &choice);
    void confirm(Choice &choice);
    void abandon(const Choice &choice);

    AppliedLedger &m_ledger;
    ApplyReason m_reason;
    std::function<Result<>()> m_sync;
    QString m_store;
    std::vector<Choice> m_choices;
};

// A desktop's idle action for one power source: one action after one delay. The plan's sleep
// wins; its hibernate timer is used when it never sleeps.
struct IdleChoice
{
    enum class Action { Suspend, Hibernate, Never };
    Action action = Action::Never;
    quint32 seconds = 0;
    bool hibernateDropped = false; // the plan hibernates later too, which the desktop cannot
};
std::optional<IdleChoice> idleChoice(const PlanValues &values, PowerSource source);

// What one source's value becomes in a desktop's keys: the keys to write and, where the desktop
// can only come close, why; or, when nothing can be written, the outcome instead.
struct SourceKeys
{
    SourceKeys(QList<KeyValue> toWrite = {}, QString reason = {})
        : keys(std::move(toWrite))
        , approximation(std::move(reason))
    {
    }
    SourceKeys(KeyOutcome outcome)
        : instead(std::move(outcome))
    {
    }

    QList<KeyValue> keys;
    QString approximation;
    std::optional<KeyOutcome> instead;
};

using SettingReporter = std::function<QList<SettingReport>()>;

// Adds the keys of setting for each of sources (both where the desktop keeps a value per source
// and follows the source itself) to batch; what it gives reports the setting once batch is
// committed: the worst outcome, or approximated when everything arrived and one source's value
// could only come close.
SettingReporter planSetting(KeyBatch &batch, Setting setting, const PlanValues &values,
    const QList<PowerSource> &sources, const std::function<SourceKeys(quint32 value, PowerSource source)> &keysFor);

// The same for automatic sleep and hibernation, which desktops keep as one action after one delay
// per source: reports whichever of the two settings are asked for. desktop names it in the report
// of a hibernation the desktop cannot add after sleep.
SettingReporter planIdle(KeyBatch &batch, const PlanValues &values, const QList<Setting> &settings,
    const QString &desktop, const std::function<SourceKeys(const IdleChoice &idle, PowerSource source)> &keysFor);

// A report ready before anything is written.
SettingReporter reportNow(Setting setting, Outcome outcome, const QString &detail = {});

// Commits batch, then collects what each reporter says of the keys it planned.
QList<SettingReport> commitAndReport(KeyBatch &batch, const std::vector<SettingReporter> &reporters);
