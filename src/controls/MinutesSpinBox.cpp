#include "MinutesSpinBox.h"

#include "Profile.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using Profile::loadText;

namespace {

QToolButton *arrowButton(Qt::ArrowType arrow, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

} // namespace

MinutesSpinBox::MinutesSpinBox(QWidget *parent)
    : QWidget(parent)
    , m_up(arrowButton(Qt::UpArrow, this))
    , m_down(arrowButton(Qt::DownArrow, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    // Steps on the press, and again on each repeat while the button is held.
    connect(m_up, &QToolButton::pressed, this, [this] { step(1); });
    connect(m_down, &QToolButton::pressed, this, [this] { step(-1); });
    setFocusPolicy(Qt::NoFocus);
    resize(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2, 22);
}

void MinutesSpinBox::setBuddy(QLineEdit *buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (!buddy)
        return;
    buddy->installEventFilter(this);
    const QRect field = buddy->geometry();
    buddy->resize(qMax(0, field.width() - width()), field.height());
    if (parentWidget() == buddy->parentWidget())
        setGeometry(field.right() - width() + 1, field.top(), width(), field.height());
}

void MinutesSpinBox::setPos(int minutes)
{
    if (minutes < m_minimum || minutes > m_maximum)
        return;
    m_value = minutes;
    writeBuddyText();
}

void MinutesSpinBox::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

QString MinutesSpinBox::formatMinutes(
    int minutes, const QString &never, const QString &minute, const QString &minutesText)
{
    if (minutes < 0)
        return QStringLiteral("Error");
    if (minutes == 0)
        return never;
    if (minutes == 1)
        return u"1 " + minute;
    return QString::number(minutes) + u' ' + minutesText;
}

bool MinutesSpinBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress && isEnabled())
        return stepForKey(static_cast<QKeyEvent *>(event)->key());
    return QWidget::eventFilter(watched, event);
}

// Past either end the value comes round to the other end: from the maximum up to the minimum,
// from the minimum down to the maximum.
void MinutesSpinBox::step(int minutes)
{
    const qint64 span = qint64(m_maximum) - m_minimum + 1;
    qint64 value = qint64(m_value) + minutes;
    if (value > m_maximum)
        value -= span;
    else if (value < m_minimum)
        value += span;
    m_value = int(value);
    writeBuddyText();
    Q_EMIT valueStepped(m_value);
}

bool MinutesSpinBox::stepForKey(int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    step(key == Qt::Key_Up ? 1 : -1);
    return true;
}

void MinutesSpinBox::writeBuddyText()
{
    // Read anew each time, so a changed language file shows at the next change.
    if (m_buddy)
        m_buddy->setText(
            formatMinutes(m_value, loadText(u"IDS_NEVER"), loadText(u"IDS_MINUTE"), loadText(u"IDS_MINUTES")));
}
