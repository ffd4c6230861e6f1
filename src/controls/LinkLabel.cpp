// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkLabel.h"

#include "FocusMark.h"
#include "UiFonts.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The link's lines are 16 pixels from the top of the tallest letter to the bottom of the lowest.
constexpr int kFontCellHeight = 16;
// Room around the text; the links of this program have none.
constexpr int kMargin = 0;

QFont linkFont()
{
    QFont font = uiFont(9);
    for (int pixels = kFontCellHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= kFontCellHeight)
            break;
    }
    return font;
}

// What a screen reader sees: a link named by its text, which the press action follows.
class LinkLabelAccessible : public QAccessibleWidget
{
public:
    explicit LinkLabelAccessible(LinkLabel *link)
        : QAccessibleWidget(link, QAccessible::Link)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (t != QAccessible::Name || !own.isEmpty())
            return own;
        return link()->text().replace(u'\n', u' ');
    }

    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            link()->activate();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    LinkLabel *link() const { return static_cast<LinkLabel *>(widget()); }
};

QAccessibleInterface *linkLabelAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1StringView(LinkLabel::staticMetaObject.className()) && object && object->isWidgetType())
        return new LinkLabelAccessible(static_cast<LinkLabel *>(object));
    return nullptr;
}

} // namespace

LinkLabel::LinkLabel(int id, const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_id(id)
{
    setFont(linkFont());
    setCursor(Qt::PointingHandCursor);
    // Links are in the tab order and act on Enter or Space, as buttons do.
    setFocusPolicy(Qt::StrongFocus);
    static const bool accessible = (QAccessible::installFactory(linkLabelAccessible), true);
    Q_UNUSED(accessible);
    setText(text);
}

void LinkLabel::activate()
{
    if (m_id != 0)
        Q_EMIT clicked(m_id);
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && !event->isAutoRepeat()) {
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LinkLabel::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void LinkLabel::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void LinkLabel::setText(const QString &text)
{
    m_text = text;
    fitToText();
    update();
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void LinkLabel::setLineColours(const QColor &normal, const QColor &hover, const QColor &pressed)
{
    m_normalLine = normal;
    m_hoverLine = hover;
    m_pressedLine = pressed;
    update();
}

void LinkLabel::setUnderline(bool on)
{
    m_underline = on;
    update();
}

void LinkLabel::setFillColour(const QColor &colour)
{
    m_fill = colour;
    update();
}

void LinkLabel::setTextColour(const QColor &colour)
{
    m_textColour = colour;
    update();
}

QSize LinkLabel::sizeHint() const
{
    const QStringList lines = m_text.split(u'\n');
    int widest = 0;
    for (const QString &line : lines)
        widest = qMax(widest, fontMetrics().horizontalAdvance(line));
    return QSize(widest + 2 * kMargin + 6, int(lines.size()) * (lineHeight() + 1) + 2 * kMargin);
}

void LinkLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        fitToText();
    if (event->type() == QEvent::EnabledChange) {
        if (isEnabled())
            setCursor(Qt::PointingHandCursor);
        else
            unsetCursor();
    }
    QWidget::changeEvent(event);
}

void LinkLabel::enterEvent(QEnterEvent *)
{
    m_hover = true;
    update();
}

void LinkLabel::leaveEvent(QEvent *)
{
    // With the button held after a press on the link, the hover look lasts until the release.
    if (m_pressed)
        return;
    m_hover = false;
    update();
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    update();
}

// The second click of a double click counts as another press.
void LinkLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    m_hover = rect().contains(event->position().toPoint());
    update();
    if (m_hover)
        activate();
}

void LinkLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_fill);
    const QColor line = m_hover && m_pressed ? m_pressedLine : m_hover ? m_hoverLine : m_normalLine;
    painter.setPen(isEnabled() ? m_textColour : palette().color(QPalette::Disabled, QPalette::Dark));

    const QStringList lines = m_text.split(u'\n');
    const int height = lineHeight();
    // The lines as one block, centred vertically.
    int top = (this->height() - height * int(lines.size()) - 1) / 2;
    const QFontMetrics metrics = fontMetrics();
    for (const QString &text : lines) {
        painter.drawText(kMargin + 1, top + metrics.ascent(), text);
        if (m_underline) {
            const int y = top + height - 2;
            painter.save();
            painter.setPen(QPen(line, 1));
            painter.drawLine(kMargin + 1, y, kMargin + metrics.horizontalAdvance(text), y);
            painter.restore();
        }
        top += height;
    }
    paintFocusMark(painter, *this);
}

int LinkLabel::lineHeight() const
{
    return fontMetrics().height() + 2;
}

// Whatever rectangle the link is given, it keeps its top-left corner and the size of its text.
void LinkLabel::fitToText()
{
    setFixedSize(sizeHint());
}
