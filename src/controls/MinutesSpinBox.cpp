// SPDX-License-Identifier: GPL-3.0-or-later
#include "MinutesSpinBox.h"

#include "Profile.h"

#include <QEvent>
#include <QLineEdit>
#include <QRegularExpression>

using Profile::loadText;

namespace {

// A typed number of minutes: digits, then optionally the start of a word after them.
const QRegularExpression &typedMinutes()
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,9})\\s*(\\S.*)?$"));
    return pattern;
}

} // namespace

MinutesSpinBox::MinutesSpinBox(QWidget *parent)
    : QSpinBox(parent)
    , m_minute(loadText(u"IDS_MINUTE"))
    , m_minutes(loadText(u"IDS_MINUTES"))
{
    setSpecialValueText(loadText(u"IDS_NEVER"));
    setWrapping(true);
}

void MinutesSpinBox::setBuddy(QLineEdit *field)
{
    const QRect place = field->geometry();
    field->setReadOnly(false);
    setLineEdit(field);
    // The field keeps the keyboard as before it was taken over, with its place in the focus chain
    // and its focus mark; the keys it leaves (the arrows, Enter) come on to the spin box.
    field->setFocusProxy(nullptr);
    setFocusProxy(field);
    field->installEventFilter(this);
    m_field = field;
    setGeometry(place);
    field->show();
}

bool MinutesSpinBox::eventFilter(QObject *watched, QEvent *event)
{
    // What was typed is read, and written out in words, when the field loses the keyboard.
    if (watched == m_field && event->type() == QEvent::FocusOut)
        interpretText();
    return QSpinBox::eventFilter(watched, event);
}

QString MinutesSpinBox::textFromValue(int minutes) const
{
    if (minutes == 1)
        return u"1 " + m_minute;
    return QString::number(minutes) + u' ' + m_minutes;
}

int MinutesSpinBox::valueFromText(const QString &text) const
{
    if (!specialValueText().isEmpty() && text.trimmed().compare(specialValueText(), Qt::CaseInsensitive) == 0)
        return minimum();
    return typedMinutes().match(text).captured(1).toInt();
}

QValidator::State MinutesSpinBox::validate(QString &text, int &) const
{
    const QString typed = text.trimmed();
    const QString &never = specialValueText();
    if (!never.isEmpty() && never.startsWith(typed, Qt::CaseInsensitive))
        return typed.size() == never.size() ? QValidator::Acceptable : QValidator::Intermediate;
    const QRegularExpressionMatch match = typedMinutes().match(text);
    if (!match.hasMatch())
        return QValidator::Invalid;
    // Whatever follows the number must be on its way to one of the two words.
    const QString word = match.captured(2).trimmed();
    if (!word.isEmpty() && !m_minute.startsWith(word, Qt::CaseInsensitive)
        && !m_minutes.startsWith(word, Qt::CaseInsensitive))
        return QValidator::Invalid;
    const int minutes = match.captured(1).toInt();
    if (minutes > maximum())
        return QValidator::Invalid;
    return minutes < minimum() ? QValidator::Intermediate : QValidator::Acceptable;
}
