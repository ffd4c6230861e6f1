// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateUserManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Moves itself into the fresh group given as $1, then runs the manager ($2) inside namespaces
// where that group is the root and /run/systemd says the machine runs systemd.
const QString kLaunch = uR"(echo $$ > "$1/cgroup.procs" || exit 1
exec unshare --mount --cgroup --propagation private sh -c '
    if [ -d /run/systemd ]; then mount -t tmpfs tmpfs /run/systemd; else mount -t tmpfs tmpfs /run; fi &&
    mkdir -p /run/systemd/system && mount -t cgroup2 cgroup2 /sys/fs/cgroup &&
    exec "$0" --user --unit=timers.target --log-target=console' "$2")"_s;

// The unified (cgroup2) hierarchy's mount point and this process's group in it.
std::optional<QString> ownControlGroup()
{
    QFile mounts(u"/proc/self/mountinfo"_s);
    QFile groups(u"/proc/self/cgroup"_s);
    if (!mounts.open(QIODevice::ReadOnly) || !groups.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString mountPoint;
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (separator > 4 && separator + 1 < fields.size() && fields.at(separator + 1) == "cgroup2")
            mountPoint = QFile::decodeName(fields.at(4));
    }
    for (const QByteArray &line : groups.readAll().split('\n')) {
        if (line.startsWith("0::") && !mountPoint.isEmpty())
            return QDir::cleanPath(mountPoint + u'/' + QFile::decodeName(line.mid(3)));
    }
    return std::nullopt;
}

} // namespace

std::pair<int, QString> PrivateUserManager::systemctl(const QStringList &arguments)
{
    QProcess process;
    process.start(u"systemctl"_s, QStringList { u"--user"_s, u"--no-ask-password"_s } + arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return { -1, {} };
    }
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed() };
}

QString PrivateUserManager::property(const QString &unit, const QString &name)
{
    return systemctl({ u"show"_s, u"-P"_s, name, unit }).second;
}

QString PrivateUserManager::start(const QString &log)
{
    if (geteuid() != 0)
        return u"a private user manager needs root, for its own control group and namespaces"_s;
    QString manager;
    for (const QString &path : { u"/usr/lib/systemd/systemd"_s, u"/lib/systemd/systemd"_s }) {
        if (QFileInfo(path).isExecutable())
            manager = path;
    }
    if (manager.isEmpty() || QStandardPaths::findExecutable(u"unshare"_s).isEmpty()
        || QStandardPaths::findExecutable(u"systemctl"_s).isEmpty())
        return u"systemd, systemctl and unshare are needed to run a user manager"_s;
    const std::optional<QString> parent = ownControlGroup();
    if (!parent)
        return u"no cgroup2 hierarchy to give the user manager a group of its own"_s;
    m_group = *parent + u"/ampora-test-"_s + QString::number(QCoreApplication::applicationPid());
    if (!QDir().mkdir(m_group)) {
        m_group.clear();
        return u"cannot make a control group for the user manager"_s;
    }
    m_manager.setProcessChannelMode(QProcess::MergedChannels);
    m_manager.setStandardOutputFile(log);
    // The manager goes with the test, even when the test is killed.
    m_manager.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_manager.start(u"/bin/sh"_s, { u"-c"_s, kLaunch, u"sh"_s, m_group, manager });
    const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/systemd/private"_s;
    const auto settled = [&] {
        if (m_manager.state() == QProcess::NotRunning)
            return true; // gave up
        if (!QFileInfo::exists(socket))
            return false;
        const QString state = systemctl({ u"show"_s, u"-P"_s, u"SystemState"_s }).second;
        return state == u"running" || state == u"degraded";
    };
    if (!QTest::qWaitFor(settled, 20000) || m_manager.state() == QProcess::NotRunning) {
        QFile said(log);
        const QString why = said.open(QIODevice::ReadOnly)
            ? QString::fromUtf8(said.readAll()).trimmed().section(u'\n', -3)
            : QString();
        return u"no user manager could start here: "_s + (why.isEmpty() ? u"no answer"_s : why);
    }
    return {};
}

PrivateUserManager::~PrivateUserManager()
{
    if (m_manager.state() != QProcess::NotRunning) {
        systemctl({ u"exit"_s });
        if (!m_manager.waitForFinished(20000)) {
            m_manager.kill();
            m_manager.waitForFinished();
        }
    }
    if (m_group.isEmpty())
        return;
    // The manager's own groups go with it; deepest first.
    QStringList groups { m_group };
    for (qsizetype i = 0; i < groups.size(); ++i) {
        for (const QString &child : QDir(groups.at(i)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            groups.append(groups.at(i) + u'/' + child);
    }
    for (auto it = groups.crbegin(); it != groups.crend(); ++it)
        QDir().rmdir(*it);
}
