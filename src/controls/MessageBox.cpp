#include "MessageBox.h"

namespace {
QList<QMessageBox::StandardButton> g_nextAnswers;
QStringList g_shownTexts;
QString g_lastText;
QString g_lastCaption;
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

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer)
{
    g_nextAnswers.append(answer);
}

QString MessageBox::lastText()
{
    return g_lastText;
}

QString MessageBox::lastCaption()
{
    return g_lastCaption;
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
    g_shownTexts.append(text);
    if (!g_nextAnswers.isEmpty())
        return g_nextAnswers.takeFirst();
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
