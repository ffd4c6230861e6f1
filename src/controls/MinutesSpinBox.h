#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An up-down control that holds a whole number of minutes and writes it, in the words of the
// language file, into its buddy field (a read-only line edit beside it): the never text for 0,
// "1 <minute>", "n <minutes>". The up arrow (button or key) adds one minute, the down arrow takes
// one away, and stepping past either end of the range wraps round to the other end.
class MinutesSpinBox : public QWidget
{
    Q_OBJECT
public:
    explicit MinutesSpinBox(QWidget *parent = nullptr);

    // The field that shows the value. The control takes its place at the field's right edge,
    // narrowing the field by its own width, and steps on the arrow keys typed in the field.
    void setBuddy(QLineEdit *buddy);
    QLineEdit *getBuddy() const { return m_buddy; }

    int getPos() const { return m_value; }
    // Values outside the range are refused: nothing changes, the buddy's text included.
    void setPos(int minutes);
    void setRange(int minimum, int maximum);
    int getMinimum() const { return m_minimum; }
    int getMaximum() const { return m_maximum; }

    // The buddy text for a number of minutes, given the three language texts.
    static QString formatMinutes(int minutes, const QString &never, const QString &minute, const QString &minutesText);

Q_SIGNALS:
    // The user stepped the value with the arrows; not sent for setPos.
    void valueStepped(int minutes);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step(int minutes);
    bool stepForKey(int key);
    void writeBuddyText();

    QToolButton *m_up;
    QToolButton *m_down;
    QLineEdit *m_buddy = nullptr;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 100;
};
