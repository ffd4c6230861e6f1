#pragma once

#include "TaskDefinition.h"

#include <QString>
#include <optional>

// One task of the task folder as a task service reports it.
struct RegisteredTask
{
    QString name;
    bool enabled = true;
    std::optional<TaskDefinition> definition; // empty when the task's definition cannot be read

    friend bool operator==(const RegisteredTask &, const RegisteredTask &) = default;
};
