// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSpinBox>

class QLineEdit;

// A spin box of whole minutes that speaks the language file's words: the never text at 0 (its
// special value text), "1 <minute>", "n <minutes>". The arrows, the arrow keys and the wheel step
// by one minute, and stepping past either end of the range comes round to the other end. A number
// of minutes can be typed, with or without the word after it.
class MinutesSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    explicit MinutesSpinBox(QWidget *parent = nullptr);

    // Takes the field as its own editor, in the field's place: whoever made the field still lays
    // it out and reaches it, and the field shows and takes what the spin box does.
    void setBuddy(QLineEdit *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    QString textFromValue(int minutes) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &position) const override;

private:
    QLineEdit *m_field = nullptr;
    QString m_minute;
    QString m_minutes;
};
