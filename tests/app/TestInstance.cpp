// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePowerPlatform.h"
#include "InstanceMessage.h"
#include "PlanSwitch.h"
#include "Profile.h"
#include "SingleInstance.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>
#include <sys/stat.h>
#include <unistd.h>

using PlanSwitch::switchPlanFromCommandLine;

using namespace Qt::StringLiterals;

class TestInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Frames arrive in pieces and nonsense is refused (any other bytes are the fuzzer's, tests/fuzz).
    void onlyOneCopyHoldsTheLockAndTakesWholeFrames()
    {
        const InstanceMessage message { InstanceMessage::Kind::CopyData, 0, u"-setactiveplan -{é}"_s };
        const QByteArray frame = encodeInstanceMessage(message) + encodeInstanceMessage({});
        QByteArray buffer;
        for (qsizetype i = 0; i + 1 < encodeInstanceMessage(message).size(); ++i) {
            buffer.append(frame.at(i));
            const Result<std::optional<InstanceMessage>> taken = takeInstanceMessage(buffer);
            QVERIFY(taken && !*taken);
        }
        buffer = frame;
        QCOMPARE(takeInstanceMessage(buffer).valueOr({}), message);
        QCOMPARE(takeInstanceMessage(buffer).valueOr({}), InstanceMessage {});
        QVERIFY(buffer.isEmpty());

        QByteArray huge("\x7F\xFF\xFF\xFF", 4);
        QVERIFY(!takeInstanceMessage(huge));
        QByteArray unknownKind = encodeInstanceMessage({});
        unknownKind[4] = char(77);
        QVERIFY(!takeInstanceMessage(unknownKind));

        // One copy holds the lock; the others hand their messages over to it.
        TestEnvironment env;
        const QString folder = SingleInstance::defaultRuntimeFolder();
        QVERIFY(folder.startsWith(env.path()));
        QVERIFY(!SingleInstance::sendToRunningCopy(InstanceMessage {})); // no running copy, no hand-over
        QVERIFY(!postNetworkSchedulesChanged());
        auto first = std::make_unique<SingleInstance>(folder);
        SingleInstance running(folder);
        QVERIFY(first->tryBecomeFirst());
        QVERIFY(!running.tryBecomeFirst());
        first.reset();
        QVERIFY(running.tryBecomeFirst());

        QList<InstanceMessage> received;
        QVERIFY(running.listen([&received](const InstanceMessage &handed) {
            received.append(handed);
            return handed.kind == InstanceMessage::Kind::CopyData ? 1 : 7;
        }));
        const InstanceMessage copyData { InstanceMessage::Kind::CopyData, 0, u"-setactiveplan x"_s };
        QFuture<std::optional<int>> answer
            = QtConcurrent::run([&] { return SingleInstance::sendToRunningCopy(copyData, folder); });
        QTRY_VERIFY(answer.isFinished());
        QCOMPARE(answer.result(), std::optional<int>(1));
        answer = QtConcurrent::run([&] { return SingleInstance::sendToRunningCopy(InstanceMessage {}, folder); });
        QTRY_VERIFY(answer.isFinished());
        QCOMPARE(answer.result(), std::optional<int>(7));
        QCOMPARE(received.size(), 2);
        QCOMPARE(received.first(), copyData);

        // Only the user can connect; a frame that can never be valid is dropped unanswered, and the
        // copy goes on taking hand-overs.
        const QString socketFile = SingleInstance::socketPath(folder);
        QCOMPARE(QFile::permissions(socketFile)
                & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
            QFileDevice::Permissions());
        QLocalSocket nonsense;
        nonsense.connectToServer(socketFile);
        QVERIFY(nonsense.waitForConnected(2000));
        nonsense.write(QByteArray(8, '\xff'));
        QTRY_COMPARE(nonsense.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(nonsense.readAll(), QByteArray());
        answer = QtConcurrent::run([&] { return SingleInstance::sendToRunningCopy(InstanceMessage {}, folder); });
        QTRY_VERIFY(answer.isFinished());
        QCOMPARE(answer.result(), std::optional<int>(7));
    }

    void runtimeFolderMustBeTheUsersOwn()
    {
        TestEnvironment env;
        const QString cache = env.path(u"home/.cache"_s);
        const QString fallback = cache + u"/ampora/runtime"_s;
        const QString runtime = env.path(u"runtime"_s);
        QCOMPARE(InstanceLock::chooseRuntimeFolder(runtime, cache), runtime + u"/ampora"_s);
        QCOMPARE(QFileInfo(runtime + u"/ampora"_s).permissions() & 0x0077, 0); // closed to group and others

        // No runtime folder at all: a private folder in the home, not a predictable one in /tmp.
        QCOMPARE(InstanceLock::chooseRuntimeFolder(QString(), cache), fallback);
        QCOMPARE(QFileInfo(fallback).permissions() & 0x0077, 0);

        // A symbolic link planted where the folder goes is neither followed nor changed.
        const QString target = env.path(u"elsewhere"_s);
        QVERIFY(QDir().mkpath(target));
        QVERIFY(QFile::setPermissions(target, QFileDevice::Permissions(0x7777)));
        const QString planted = env.path(u"planted"_s);
        QVERIFY(QDir().mkpath(planted));
        QVERIFY(
            QFile::setPermissions(planted, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(QFile::link(target, planted + u"/ampora"_s));
        QCOMPARE(InstanceLock::chooseRuntimeFolder(planted, cache), fallback);
        QCOMPARE(QFileInfo(target).permissions(), QFileDevice::Permissions(0x7777));

        // A folder another user made first, open to all: refused, never touched.
        if (::getuid() == 0) {
            const QString foreign = env.path(u"foreign"_s);
            QVERIFY(QDir().mkpath(foreign + u"/ampora"_s));
            QVERIFY(::chmod(QFile::encodeName(foreign + u"/ampora"_s).constData(), 0777) == 0);
            QVERIFY(::chown(QFile::encodeName(foreign + u"/ampora"_s).constData(), 65534, 65534) == 0);
            QVERIFY(::chmod(QFile::encodeName(foreign).constData(), 0700) == 0);
            QCOMPARE(InstanceLock::chooseRuntimeFolder(foreign, cache), fallback);
            QCOMPARE(QFileInfo(foreign + u"/ampora"_s).ownerId(), 65534u);
        }
    }

    void switchesPlanFromCommandLine()
    {
        using R = PlanSwitchOutcome::Effect;
        TestEnvironment env;
        FakePowerPlatform platform;
        const QUuid balanced = platform.addScheme(u"Balanced"_s);
        const QUuid saver = platform.addScheme(u"Power saver"_s);
        const auto line = [](const QUuid &plan) -> QString {
            return u"-setactiveplan -"_s + plan.toString(QUuid::WithBraces).toUpper();
        };
        // A trailing blank names no plan; a switch is announced while the key is missing.
        QCOMPARE(switchPlanFromCommandLine(platform, line(saver) + u' ').effect, R::NotSwitched);
        QCOMPARE(platform.activeScheme().valueOr({}), balanced);
        const PlanSwitchOutcome outcome = switchPlanFromCommandLine(platform, line(saver));
        QCOMPARE(outcome.effect, R::SwitchedAnnounce);
        QCOMPARE(outcome.planName, u"Power saver"_s);
        // Asking again for the plan that is now active switches nothing; FALSE switches quietly.
        QCOMPARE(switchPlanFromCommandLine(platform, line(saver)).effect, R::NotSwitched);
        env.writeFile(u"program/ampctlset.ini"_s, "[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
        QCOMPARE(switchPlanFromCommandLine(platform, line(balanced)).effect, R::SwitchedQuietly);
        QCOMPARE(platform.activeScheme().valueOr({}), balanced);
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "TestInstance.moc"
