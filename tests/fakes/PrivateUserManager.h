// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A systemd user manager of the test's own, for the user of $XDG_RUNTIME_DIR: in a fresh control
// group with private namespaces and /run/systemd. That takes root, systemd, systemctl, unshare and
// a cgroup2 hierarchy; start() says why when it cannot run here, so the test can skip.
class PrivateUserManager
{
public:
    PrivateUserManager() = default;
    ~PrivateUserManager();
    PrivateUserManager(const PrivateUserManager &) = delete;
    PrivateUserManager &operator=(const PrivateUserManager &) = delete;

    // Empty once the manager runs; otherwise why it does not. log: where its output goes.
    QString start(const QString &log);
    // systemctl --user with these arguments: its exit status and stdout.
    static std::pair<int, QString> systemctl(const QStringList &arguments);
    static QString property(const QString &unit, const QString &name);

private:
    QProcess m_manager;
    QString m_group;
};
