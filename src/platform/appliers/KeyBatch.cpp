// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyBatch.h"

#include "AppliedLedger.h"

using namespace Qt::StringLiterals;

namespace {

int severity(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Failed:
        return 3;
    case Outcome::NotOnThisDesktop:
        return 2;
    case Outcome::ChangedOutsideAmpora:
        return 1;
    default:
        return 0;
    }
}

} // namespace

KeyOutcome worseOutcome(const KeyOutcome &a, const KeyOutcome &b)
{
    if (severity(a.outcome) != severity(b.outcome))
        return severity(a.outcome) > severity(b.outcome) ? a : b;
    if (a.detail == b.detail || b.detail.isEmpty())
        return a;
    return { a.outcome, a.detail.isEmpty() ? b.detail : a.detail + u"; "_s + b.detail };
}

std::optional<IdleChoice> idleChoice(const PlanValues &values, PowerSource source)
{
    const std::optional<quint32> sleep = values.value(Setting::SleepIdle, source);
    const std::optional<quint32> hibernate = values.value(Setting::HibernateIdle, source);
    if (!sleep)
        return std::nullopt;
    if (*sleep != 0)
        return IdleChoice { IdleChoice::Action::Suspend, *sleep, hibernate.value_or(0) != 0 };
    if (!hibernate)
        return std::nullopt;
    if (*hibernate != 0)
        return IdleChoice { IdleChoice::Action::Hibernate, *hibernate };
    return IdleChoice {};
}

KeyBatch::KeyBatch(AppliedLedger &ledger, ApplyReason reason, std::function<Result<>()> sync, QString store)
    : m_ledger(ledger)
    , m_reason(reason)
    , m_sync(std::move(sync))
    , m_store(std::move(store))
{
}

std::size_t KeyBatch::add(const QList<KeyValue> &values)
{
    Choice &choice = m_choices.emplace_back();
    for (const KeyValue &value : values) {
        choice.keys.push_back(value.key);
        if (!value.key->missing().isEmpty()) {
            choice.outcome = { Outcome::NotOnThisDesktop, value.key->missing() };
            return m_choices.size() - 1;
        }
    }
    if (m_reason == ApplyReason::Follow && !mayFollow(choice))
        return m_choices.size() - 1;
    for (const KeyValue &value : values) {
        const Result<QString> checked = value.key->check(value.value);
        if (!checked) {
            choice.outcome = { Outcome::Failed, checked.failure().message };
            choice.values.clear();
            choice.texts.clear();
            return m_choices.size() - 1;
        }
        choice.values.append(value.value);
        choice.texts.append(*checked);
    }
    return m_choices.size() - 1;
}

void KeyBatch::commit()
{
    QList<std::pair<QString, QString>> announced;
    for (const Choice &choice : m_choices) {
        for (qsizetype i = 0; i < choice.texts.size(); ++i)
            announced.append({ choice.keys[std::size_t(i)]->ledgerKey(), choice.texts.at(i) });
    }
    if (announced.isEmpty())
        return;
    if (const Result<> recorded = m_ledger.announce(announced, m_reason); !recorded) {
        failAll({ Outcome::Failed, u"not written, since Ampora cannot record it: "_s + recorded.failure().message });
        return;
    }
    for (Choice &choice : pending())
        write(choice);
    if (const Result<> synced = m_sync(); !synced) {
        // The values may still arrive: they stay announced, so a later follow knows them.
        failAll({ Outcome::Failed, u"not confirmed: "_s + synced.failure().message });
        return;
    }
    for (Choice &choice : pending())
        confirm(choice);
}

bool KeyBatch::mayFollow(Choice &choice) const
{
    for (const std::shared_ptr<DesktopKey> &key : choice.keys) {
        const QString current = key->read().value_or(QString());
        switch (m_ledger.verdict(key->ledgerKey(), current)) {
        case AppliedLedger::Verdict::Follow:
            break;
        case AppliedLedger::Verdict::KeptByUser:
            choice.outcome = { Outcome::ChangedOutsideAmpora, u"the user chose %1 for %2"_s.arg(current, key->key()) };
            return false;
        case AppliedLedger::Verdict::Unknown:
            choice.outcome = { Outcome::Failed,
                u"left as it is: what Ampora wrote before cannot be read (%1); choosing a plan writes it again"_s.arg(
                    m_ledger.readError()) };
            return false;
        }
    }
    return true;
}

std::vector<std::reference_wrapper<KeyBatch::Choice>> KeyBatch::pending()
{
    std::vector<std::reference_wrapper<Choice>> result;
    for (Choice &choice : m_choices) {
        if (choice.outcome.outcome == Outcome::Applied && !choice.texts.isEmpty())
            result.emplace_back(choice);
    }
    return result;
}

void KeyBatch::failAll(const KeyOutcome &outcome)
{
    for (Choice &choice : pending())
        choice.outcome = outcome;
}

void KeyBatch::write(Choice &choice)
{
    for (std::size_t i = 0; i < choice.keys.size(); ++i) {
        if (const Result<QString> written = choice.keys[i]->write(choice.values.at(qsizetype(i))); !written) {
            choice.outcome = { Outcome::Failed, written.failure().message };
            break;
        }
    }
    if (choice.outcome.outcome != Outcome::Applied)
        abandon(choice);
}

void KeyBatch::confirm(Choice &choice)
{
    for (std::size_t i = 0; i < choice.keys.size(); ++i) {
        const QString now = choice.keys[i]->read().value_or(QString());
        if (now != choice.texts.at(qsizetype(i))) {
            choice.outcome = { Outcome::Failed,
                u"not confirmed by %1: %2 still holds %3"_s.arg(m_store, choice.keys[i]->key(), now) };
            abandon(choice);
            return;
        }
    }
    for (std::size_t i = 0; i < choice.keys.size(); ++i)
        m_ledger.remember(choice.keys[i]->ledgerKey(), choice.texts.at(qsizetype(i)));
}

void KeyBatch::abandon(const Choice &choice)
{
    for (const std::shared_ptr<DesktopKey> &key : choice.keys)
        m_ledger.abandon(key->ledgerKey());
}

namespace {

const QString kNoValue = u"the plan has no value for it"_s;

// The keys of one source, added to batch: the choice's number, or the outcome instead.
struct Planned
{
    std::optional<std::size_t> choice;
    KeyOutcome instead;
    QString approximation;
};

Planned plan(KeyBatch &batch, const SourceKeys &keys)
{
    if (keys.instead)
        return { std::nullopt, *keys.instead, {} };
    return { batch.add(keys.keys), {}, keys.approximation };
}

// The worst outcome of what was planned; approximated when all arrived and one came close.
KeyOutcome combine(const KeyBatch &batch, const std::vector<Planned> &planned)
{
    KeyOutcome combined;
    QStringList approximations;
    for (const Planned &one : planned) {
        combined = worseOutcome(combined, one.choice ? batch.outcome(*one.choice) : one.instead);
        if (!one.approximation.isEmpty() && !approximations.contains(one.approximation))
            approximations.append(one.approximation);
    }
    if (combined.outcome == Outcome::Applied && !approximations.isEmpty())
        return { Outcome::Approximated, approximations.join(u"; "_s) };
    return combined;
}

} // namespace

SettingReporter planSetting(KeyBatch &batch, Setting setting, const PlanValues &values,
    const QList<PowerSource> &sources, const std::function<SourceKeys(quint32 value, PowerSource source)> &keysFor)
{
    std::vector<Planned> planned;
    for (const PowerSource source : sources) {
        const std::optional<quint32> value = values.value(setting, source);
        planned.push_back(
            value ? plan(batch, keysFor(*value, source)) : Planned { std::nullopt, { Outcome::Failed, kNoValue }, {} });
    }
    return [&batch, setting, planned]() -> QList<SettingReport> {
        const KeyOutcome outcome = combine(batch, planned);
        return { { setting, outcome.outcome, outcome.detail } };
    };
}

SettingReporter planIdle(KeyBatch &batch, const PlanValues &values, const QList<Setting> &settings,
    const QString &desktop, const std::function<SourceKeys(const IdleChoice &idle, PowerSource source)> &keysFor)
{
    std::vector<Planned> planned;
    bool hibernateDropped = false;
    for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
        const std::optional<IdleChoice> idle = idleChoice(values, source);
        if (!idle || !values.value(Setting::HibernateIdle, source)) {
            planned.push_back({ std::nullopt, { Outcome::Failed, kNoValue }, {} });
            continue;
        }
        hibernateDropped = hibernateDropped || idle->hibernateDropped;
        planned.push_back(plan(batch, keysFor(*idle, source)));
    }
    return [&batch, settings, planned, hibernateDropped, desktop] {
        const KeyOutcome combined = combine(batch, planned);
        QList<SettingReport> reports;
        for (const Setting setting : { Setting::SleepIdle, Setting::HibernateIdle }) {
            if (!settings.contains(setting))
                continue;
            const bool arrived = combined.outcome == Outcome::Applied || combined.outcome == Outcome::Approximated;
            if (setting == Setting::HibernateIdle && hibernateDropped && arrived) {
                const QString dropped = u"%1 has one idle action; it suspends"_s.arg(desktop);
                reports.append({ setting, Outcome::Approximated,
                    combined.detail.isEmpty() ? dropped : dropped + u"; "_s + combined.detail });
            } else
                reports.append({ setting, combined.outcome, combined.detail });
        }
        return reports;
    };
}

SettingReporter reportNow(Setting setting, Outcome outcome, const QString &detail)
{
    return [=] { return QList<SettingReport> { { setting, outcome, detail } }; };
}

QList<SettingReport> commitAndReport(KeyBatch &batch, const std::vector<SettingReporter> &reporters)
{
    batch.commit();
    QList<SettingReport> reports;
    for (const SettingReporter &reporter : reporters)
        reports.append(reporter());
    return reports;
}
