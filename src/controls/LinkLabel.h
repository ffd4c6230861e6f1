// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

// A text that looks and behaves like a web link: hand cursor, underlined text, a hover look and a
// pressed look. It is always exactly as large as its text (its top-left corner stays where it is
// put), so only the text reacts to the mouse. A press on the link followed by a release inside it
// sends clicked(id); a link with id 0 never does. Screen readers see it as a link named by its
// text.
class LinkLabel : public QWidget
{
    Q_OBJECT
public:
    explicit LinkLabel(int id = 0, const QString &text = {}, QWidget *parent = nullptr);

    int id() const { return m_id; }
    QString text() const { return m_text; }
    // Line feeds split the text into lines.
    void setText(const QString &text);

    // Underline colours: normal look, hovered, hovered with the button held.
    void setLineColours(const QColor &normal, const QColor &hover, const QColor &pressed);
    void setUnderline(bool on);
    // Fills the whole link before the text is drawn.
    void setFillColour(const QColor &colour);
    // The text colour while enabled; a disabled link uses the palette's shadow colour.
    void setTextColour(const QColor &colour);

    // What a click does: clicked(id), unless the id is 0. Screen readers press the link this way.
    void activate();

    bool isHovered() const { return m_hover; }
    bool isPressed() const { return m_pressed; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked(int id);

protected:
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int lineHeight() const;
    void fitToText();

    int m_id;
    QString m_text;
    bool m_underline = false;
    QColor m_fill = Qt::white;
    QColor m_textColour = Qt::blue;
    QColor m_normalLine = Qt::blue;
    QColor m_hoverLine = Qt::blue;
    QColor m_pressedLine = Qt::blue;
    bool m_hover = false;
    bool m_pressed = false;
};
