// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBox.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace {

struct Answer
{
    QMessageBox::StandardButton button;
    std::function<bool()> openUntil;
};

QList<Answer> g_nextAnswers;
QStringList g_shownTexts;
QString g_lastText;
QString g_lastCaption;
QPointer<QWidget> g_lastOwner;

// What a real box's modal loop does meanwhile: timers fire, watches report, queued calls arrive.
void runEventsWhileOpen(const std::function<bool()> &openUntil)
{
    constexpr int kLongestOpenMs = 5000;
    constexpr int kCheckMs = 10;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!openUntil || openUntil())
        return;
    const QDeadlineTimer deadline(kLongestOpenMs);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (openUntil() || deadline.hasExpired())
            loop.quit();
    });
    check.start(kCheckMs);
    loop.exec();
}

} // namespace

QMessageBox::StandardButton MessageBox::information(QWidget *owner, const QString &caption, const QString &text)
{
    return show(QMessageBox::Information, owner, caption, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox::error(QWidget *owner, const QString &caption, const QString &text)
{
    return show(QMessageBox::Critical, owner, caption, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox::question(
    QWidget *owner, const QString &caption, const QString &text, QMessageBox::StandardButtons buttons)
{
    return show(QMessageBox::Question, owner, caption, text, buttons);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer, std::function<bool()> openUntil)
{
    g_nextAnswers.append({ answer, std::move(openUntil) });
}

QString MessageBox::lastText()
{
    return g_lastText;
}

QString MessageBox::lastCaption()
{
    return g_lastCaption;
}

QWidget *MessageBox::lastOwner()
{
    return g_lastOwner;
}

QStringList MessageBox::takeShownTexts()
{
    return std::exchange(g_shownTexts, {});
}

QMessageBox::StandardButton MessageBox::show(QMessageBox::Icon icon, QWidget *owner, const QString &caption,
    const QString &text, QMessageBox::StandardButtons buttons)
{
    g_lastText = text;
    g_lastCaption = caption;
    g_lastOwner = owner;
    g_shownTexts.append(text);
    if (!g_nextAnswers.isEmpty()) {
        const Answer answer = g_nextAnswers.takeFirst();
        runEventsWhileOpen(answer.openUntil);
        return answer.button;
    }
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
