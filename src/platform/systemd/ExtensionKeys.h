// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"

#include <QString>

class UnitFile;

// The parts of a task definition that neither unit files nor desktop entries have a key for,
// kept as X-Ampora-... keys (which systemd and desktops ignore). Only values that differ from
// the default are written, so a file holds no more than what was set.
namespace ExtensionKeys {

// Author, principal, "stop when going on batteries", "hidden" and the idle wait timeout.
void writeDefinition(UnitFile &file, const QString &section, const TaskDefinition &definition);
void readDefinition(const UnitFile &file, const QString &section, TaskDefinition *definition);

void writeFlag(UnitFile &file, const QString &section, const QString &name, bool on);
bool readFlag(const UnitFile &file, const QString &section, const QString &name);
void writeText(UnitFile &file, const QString &section, const QString &name, const QString &text);
QString readText(const UnitFile &file, const QString &section, const QString &name);

// systemd's and the desktop's spellings of true.
bool isTrue(const QString &value);

} // namespace ExtensionKeys
