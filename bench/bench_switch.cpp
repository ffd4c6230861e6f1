// Times a scheduled plan switch as a task runs it: a whole `ampora -setactiveplan -{GUID}` process
// with plan-change notifications off, from start to exit. Prints the median of 41 runs.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const QString kBalanced = QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}");
const QString kSaver = QStringLiteral("{A1841308-3541-4FAB-BC81-F71556F20B4A}");

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../ampora");
    QTemporaryDir home;
    // A portable copy of the program in the temporary folder, so its settings file is ours.
    const QString copy = home.path() + QStringLiteral("/ampora");
    QFile::copy(program, copy);
    QFile::copy(program + QStringLiteral("-gui.so"), copy + QStringLiteral("-gui.so"));
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../ampctleng.ini"),
                home.path() + QStringLiteral("/ampctleng.ini"));
    QFile settings(home.path() + QStringLiteral("/ampctlset.ini"));
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    settings.write("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    settings.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"}) {
        const QString dir = home.path() + u'/' + QString::fromLatin1(name);
        QDir().mkpath(dir);
        env.insert(QString::fromLatin1(name), dir);
    }
    env.remove(QStringLiteral("DISPLAY"));

    QList<double> runs;
    for (int i = 0; i < 41; ++i) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(copy, {QStringLiteral("-setactiveplan"), u'-' + (i % 2 ? kBalanced : kSaver)});
        process.waitForFinished(10000);
        if (i > 0) // the first run seeds the store
            runs.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("ampora -setactiveplan (notifications off), process start to exit: median %.1f ms over %lld runs\n",
                median(runs), static_cast<long long>(runs.size()));
    return 0;
}
