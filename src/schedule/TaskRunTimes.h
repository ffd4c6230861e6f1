// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// When a time-based task runs next and when it last ran, as the service that runs it knows.
struct TaskRunTimes
{
    // The service that runs tasks answered: next is then its own word, and an empty next means
    // the task is not due again.
    bool serviceAnswered = false;
    std::optional<QDateTime> next;
    std::optional<QDateTime> last; // a real run, never the moment the task was written or enabled
    // How the last run ended, in the service's words ("success", "exit-code", ...); empty when
    // unknown.
    QString lastResult;

    friend bool operator==(const TaskRunTimes &, const TaskRunTimes &) = default;
};
