#pragma once

#include "TaskService.h"

// Enabling, disabling and removing the task at a 1-based position of the task folder as last
// read (TimeSchedule::position); by name, call the service directly. The position is looked up
// afresh, so a folder that shrank meanwhile gives NotFound instead of a wrong task.
TaskService::Status setTaskEnabledAt(TaskService &service, int position, bool enabled);
TaskService::Status removeTaskAt(TaskService &service, int position);
