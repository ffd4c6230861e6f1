// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>

// Tells when the user has been idle long enough for each stage (dim, sleep, hibernate). It never
// polls: a single-shot timer wakes when the next stage could first be due and asks the idle time
// again, since input meanwhile moves that moment later. Once a stage was reached, input is noticed
// at the next look (at the latest after the shortest stage's time; within a second while dimmed,
// so the brightness comes back at once).
class AMPORA_BASE_EXPORT IdleWatch : public QObject
{
    Q_OBJECT
public:
    enum class Stage { Dim, Sleep, Hibernate };
    Q_ENUM(Stage)
    // Time since the last input; none when it cannot be told.
    using IdleSource = std::function<std::optional<std::chrono::milliseconds>()>;

    explicit IdleWatch(IdleSource source, QObject *parent = nullptr);

    // Seconds without input before each stage; a stage left out or 0 never comes.
    void setStages(const std::map<Stage, quint32> &seconds);
    // Every stage counts from now again (after the machine woke).
    void restart();
    // How long after the latest look the next one comes, or none while nothing is due.
    std::optional<std::chrono::milliseconds> nextCheck() const;

Q_SIGNALS:
    void reached(IdleWatch::Stage stage);
    // Input after a stage had been reached.
    void activity();

private:
    void check();

    IdleSource m_source;
    QTimer m_timer;
    std::map<Stage, std::chrono::milliseconds> m_stages;
    std::set<Stage> m_reached;
    std::chrono::milliseconds m_lastIdle { 0 };
};
