// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QStringList>
#include <functional>

class QWidget;

// Every message box of the program goes through here, so tests can answer the next one without
// a real modal loop.
class MessageBox
{
public:
    static QMessageBox::StandardButton information(QWidget *owner, const QString &caption, const QString &text);
    static QMessageBox::StandardButton error(QWidget *owner, const QString &caption, const QString &text);
    static QMessageBox::StandardButton question(
        QWidget *owner, const QString &caption, const QString &text, QMessageBox::StandardButtons buttons);

    // Test hook: the next box is not shown; it returns answer and records its text. While it
    // stands "open", events run as under a real box: those already waiting, and then, when
    // openUntil is given, more until it holds (at most five seconds). Called several times, it
    // answers that many boxes in turn.
    static void setNextAnswer(QMessageBox::StandardButton answer, std::function<bool()> openUntil = {});
    static QString lastText();
    static QString lastCaption();
    // The window the last box was shown over (null when it is gone or there was none).
    static QWidget *lastOwner();
    // Every text shown or answered since the last call, oldest first.
    static QStringList takeShownTexts();

private:
    static QMessageBox::StandardButton show(QMessageBox::Icon icon, QWidget *owner, const QString &caption,
        const QString &text, QMessageBox::StandardButtons buttons);
};
