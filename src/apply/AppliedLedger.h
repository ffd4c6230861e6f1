// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"
#include "Result.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>
#include <utility>

// What Ampora last wrote into settings that other programs own too (the desktop's settings, the
// performance profile, the brightness), one text per key, kept in a small INI file shared by every
// process of the user. It tells a value the user chose in the desktop's own Settings from
// Ampora's own.
//
// A value is announced (written to the file) before it goes out, and remembered once it is known
// to have arrived: a process killed in between, or a state folder that fills up after the
// announcement, never leaves a value of Ampora's that a later follow would take for the user's.
// What is remembered is written out together by flush() (one locked, atomic replace), or at the
// latest when the ledger goes.
class AMPORA_BASE_EXPORT AppliedLedger
{
public:
    // What a follow may do with a key.
    enum class Verdict {
        Follow, // Ampora never wrote it, or it still holds what Ampora wrote
        KeptByUser, // it holds something else: the user's choice
        Unknown, // the ledger cannot be read: nobody can tell
    };

    // path empty: applied.ini in $XDG_STATE_HOME/ampora (~/.local/state/ampora).
    explicit AppliedLedger(const QString &path = {});
    ~AppliedLedger();

    QString path() const { return m_path; }
    // What Ampora last wrote; none when it never wrote the key or the ledger cannot be read.
    std::optional<QString> written(const QString &key) const;
    // For a key that now holds current.
    Verdict verdict(const QString &key, const QString &current) const;
    // Why the ledger cannot be read, for the report of a key left alone; empty when it can.
    QString readError() const;

    // Records values (key, text) as being written, before they are. An activation sets an
    // unreadable ledger aside (applied.ini.corrupt-<time>, one line on stderr) and starts a fresh
    // one; a follow never writes over it. A failure means nothing may be written: a value that
    // went out unrecorded would later be taken for the user's.
    Result<> announce(const QList<std::pair<QString, QString>> &values, ApplyReason reason);
    // The value arrived.
    void remember(const QString &key, const QString &value);
    // An announced value did not arrive after all.
    void abandon(const QString &key);
    // Under the user's data lock; a file that cannot be read is not written over.
    Result<> flush();
    // Why the latest announce or flush failed, or empty; cleared by takeWriteFailure().
    QString takeWriteFailure();

private:
    Result<> noteFailure(const Result<> &result);

    QString m_path;
    QHash<QString, QString> m_pending; // remembered, not yet written out
    QSet<QString> m_abandoned;
    QString m_writeFailure;
};
