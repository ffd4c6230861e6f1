#pragma once

#include "Result.h"

#include <QHash>
#include <QString>
#include <optional>

// What Ampora last wrote into settings that other programs own too (the desktop's settings, the
// performance profile), one text per key, kept in a small INI file shared by every process of the
// user. It tells a value the user chose in the desktop's own Settings from Ampora's own.
// What is remembered is written out together by flush() (one locked, atomic replace for a whole
// plan's keys), or at the latest when the ledger goes.
class AppliedLedger
{
public:
    // path empty: applied.ini in $XDG_STATE_HOME/ampora (~/.local/state/ampora).
    explicit AppliedLedger(const QString &path = {});
    ~AppliedLedger();

    QString path() const { return m_path; }
    std::optional<QString> written(const QString &key) const;
    void remember(const QString &key, const QString &value);
    // Under the user's data lock; a file that cannot be read is not written over.
    Result<> flush();
    // Whether a follow may rewrite key, which holds current: Ampora never wrote it, or it still
    // holds what Ampora wrote.
    bool mayFollow(const QString &key, const QString &current) const;

private:
    QString m_path;
    QHash<QString, QString> m_pending;
};
