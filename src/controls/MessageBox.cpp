#include "MessageBox.h"

namespace {
std::optional<QMessageBox::StandardButton> g_nextAnswer;
QString g_lastText;
} // namespace

QMessageBox::StandardButton MessageBox::information(QWidget *owner, const QString &caption, const QString &text)
{
    return show(QMessageBox::Information, owner, caption, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox::question(
    QWidget *owner, const QString &caption, const QString &text, QMessageBox::StandardButtons buttons)
{
    return show(QMessageBox::Question, owner, caption, text, buttons);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer)
{
    g_nextAnswer = answer;
}

QString MessageBox::lastText()
{
    return g_lastText;
}

QMessageBox::StandardButton MessageBox::show(QMessageBox::Icon icon, QWidget *owner, const QString &caption,
    const QString &text, QMessageBox::StandardButtons buttons)
{
    g_lastText = text;
    if (g_nextAnswer) {
        const QMessageBox::StandardButton answer = *g_nextAnswer;
        g_nextAnswer.reset();
        return answer;
    }
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
