// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlatform.h"
#include "Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

// One plan as it travels between machines: a small INI text of its own, not the store's.
//
//   # Ampora power plan
//   [Plan]
//   Format=1
//   GUID={A1841308-3541-4FAB-BC81-F71556F20B4A}
//   Name=Power saver
//   Description=...
//   [AC]
//   display-off=5min
//   [DC]
//   display-off=2min
//
// Settings go by the names and value texts ampctl uses (SettingText.h), so a person can read and
// write the file; every value is checked as set-value checks it. A setting left out takes the
// value the Balanced plan starts with. A reader refuses a format newer than kFormatVersion.
class AMPORA_BASE_EXPORT PlanFile
{
public:
    static constexpr int kFormatVersion = 1;
    // Far beyond any plan file; a larger input is not a plan file.
    static constexpr qint64 kSizeLimit = 256 * 1024;

    // What is wrong with one line (0: the file as a whole).
    struct Problem
    {
        int line = 0;
        QString message;
    };

    // The plan as the platform holds it, every setting for both power sources.
    static Result<PlanFile> fromPlatform(const PowerPlatform &platform, const QUuid &scheme);
    // Reads a plan file; problems() lists every line that is wrong, one problem each.
    static PlanFile parse(const QByteArray &bytes);

    QByteArray toBytes() const;
    const QList<Problem> &problems() const { return m_problems; }
    // The problems as lines for a terminal: "<where>:<line>: <what>".
    QStringList problemLines(const QString &where) const;

    const QUuid &guid() const { return m_guid; }
    const QString &name() const { return m_name; }
    const QString &description() const { return m_description; }
    const QList<SchemeChanges::Value> &values() const { return m_values; }

    // Adds the plan to platform in one change, under name when given (else its own), with its own
    // GUID when keepGuid (AlreadyExists when a plan has it) or a new one; returns the GUID. Only
    // a file without problems can be added.
    Result<QUuid> addTo(PowerPlatform &platform, const std::optional<QString> &name, bool keepGuid) const;

private:
    QUuid m_guid;
    QString m_name;
    QString m_description;
    QList<SchemeChanges::Value> m_values; // row order, AC then DC
    QList<Problem> m_problems;
};
