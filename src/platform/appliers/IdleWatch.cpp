// SPDX-License-Identifier: GPL-3.0-or-later
#include "IdleWatch.h"

using namespace std::chrono_literals;

namespace {

// While dimmed, input must bring the brightness back quickly.
constexpr std::chrono::milliseconds kDimmedLook = 1s;

} // namespace

IdleWatch::IdleWatch(IdleSource source, QObject *parent)
    : QObject(parent)
    , m_source(std::move(source))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IdleWatch::check);
}

void IdleWatch::setStages(const std::map<Stage, quint32> &seconds)
{
    m_stages.clear();
    for (const auto &[stage, value] : seconds) {
        if (value > 0)
            m_stages[stage] = std::chrono::seconds(value);
    }
    // A stage reached before stays reached until input, whatever its new time.
    check();
}

void IdleWatch::restart()
{
    const bool hadReached = !m_reached.empty();
    m_reached.clear();
    m_lastIdle = 0ms;
    if (hadReached)
        Q_EMIT activity();
    check();
}

std::optional<std::chrono::milliseconds> IdleWatch::nextCheck() const
{
    if (!m_timer.isActive())
        return std::nullopt;
    return m_timer.intervalAsDuration();
}

void IdleWatch::check()
{
    m_timer.stop();
    const std::optional<std::chrono::milliseconds> idle = m_stages.empty() ? std::nullopt : m_source();
    if (!idle)
        return;
    if (*idle < m_lastIdle && !m_reached.empty()) {
        m_reached.clear();
        Q_EMIT activity();
    }
    m_lastIdle = *idle;

    std::optional<std::chrono::milliseconds> next;
    const auto sooner = [&next](std::chrono::milliseconds wait) { next = next ? std::min(*next, wait) : wait; };
    for (const auto &[stage, due] : m_stages) {
        if (m_reached.count(stage))
            continue;
        if (*idle >= due) {
            m_reached.insert(stage);
            Q_EMIT reached(stage);
        } else {
            sooner(due - *idle);
        }
    }
    if (!m_reached.empty()) {
        // Input is only seen by looking: no stage can come again sooner than the shortest.
        for (const auto &[stage, due] : m_stages)
            sooner(due);
        if (m_reached.count(Stage::Dim))
            sooner(kDimmedLook);
    }
    if (next)
        m_timer.start(*next);
}
