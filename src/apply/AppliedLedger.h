#pragma once

#include "Result.h"

#include <QString>
#include <optional>

// What Ampora last wrote into settings that other programs own too (the desktop's settings, the
// performance profile), one text per key, kept in a small INI file shared by every process of the
// user. It tells a value the user chose in the desktop's own Settings from Ampora's own.
class AppliedLedger
{
public:
    // path empty: applied.ini in $XDG_STATE_HOME/ampora (~/.local/state/ampora).
    explicit AppliedLedger(const QString &path = {});

    QString path() const { return m_path; }
    std::optional<QString> written(const QString &key) const;
    // Writes through at once: the file is replaced atomically under the user's data lock.
    Result<> remember(const QString &key, const QString &value);
    // Whether a follow may rewrite key, which holds current: Ampora never wrote it, or it still
    // holds what Ampora wrote.
    bool mayFollow(const QString &key, const QString &current) const;

private:
    QString m_path;
};
