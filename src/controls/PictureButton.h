// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PictureId.h"

#include <QAbstractButton>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRgb>
#include <optional>

// The picture button of every page and dialog: no frame of its own, one of four pictures (normal,
// hover, pressed, disabled) drawn unscaled at its top-left corner, and its caption written over or
// beside the picture in a font, place and colour chosen from the picture's size.
//
// Hover bookkeeping goes through the parent: the button reports hoverEntered/hoverLeft, and the
// parent answers hoverLeft(id) by calling resetHover() on its child with that id
// (connectHoverReset() wires exactly that).
class QAction;

class PictureButton : public QAbstractButton
{
    Q_OBJECT

public:
    static constexpr int NoButton = -1;

    // Where and how the caption (and the optional second text) are written.
    struct TextLayout
    {
        int pointSize = 0;
        QRect captionRect;
        Qt::Alignment captionAlignment;
        QRgb captionColour = 0;
        QRect secondRect; // empty without a second text
        QRgb secondColour = 0;
    };

    // The text layout for a picture of `picture` size. `captionBeside` is the caption-beside flag
    // (for pictures narrower than 50: dark text instead of white), `disabled` the state set by
    // enableButton(false).
    static TextLayout textLayout(
        QSize picture, qsizetype captionLength, bool captionBeside, bool disabled, bool hasSecondText);

    PictureButton(int id, QWidget *parent = nullptr);

    int id() const { return m_id; }

    void setPictures(PictureId normal, PictureId hover, PictureId pressed, PictureId disabled);
    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }
    // How far the one-line caption reaches right and down in the font really used (the picture's
    // caption place plus the text's advance and line height): the least size that shows it whole.
    QSize captionExtent() const;
    void setSecondText(const QString &text);
    void setCaptionBeside(bool beside);
    void setNotifyParent(bool notify) { m_notifyParent = notify; }
    void setRememberHover(bool remember) { m_rememberHover = remember; }

    // The button offers the action: a click triggers it, and the button greys with it. The button
    // takes the action's object name.
    void setAction(QAction *action);
    QAction *action() const { return m_action; }

    // Greys the button and keeps it grey: pages use this, not setEnabled().
    virtual void enableButton(bool enable);
    bool isButtonDisabled() const { return m_disabled; }

    bool looksHovered() const { return m_hover || m_hoverLatched; }
    // The picture the next paint draws.
    PictureId currentPicture() const;

    // The application-wide last hovered button that asked to be remembered, or NoButton.
    static int lastHoveredId() { return s_lastHoveredId; }

    // Resets the hover look of the child of `parent` whose id is `id`, if there is one.
    static void resetHoverOf(const QWidget *parent, int id);
    // The parent's answer to hoverLeft: reset the sibling (or the button itself) named by the id.
    static void connectHoverReset(PictureButton *button);

public Q_SLOTS:
    void resetHover();

Q_SIGNALS:
    void hoverEntered(int id);
    void hoverLeft(int id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    enum Picture { Normal, Hover, Pressed, Disabled, PictureCount };

    Picture currentState() const;
    const QImage &picture(Picture state) const;
    void drawText(QPainter &painter, QSize picture) const;

    inline static int s_lastHoveredId = NoButton;

    int m_id;
    QPointer<QAction> m_action;
    PictureId m_pictureIds[PictureCount] = {};
    // Decoded when first drawn, then kept; what is drawn stays the same as decoding on every
    // paint. Most buttons are never hovered or pressed, and a page that is opening draws only one
    // picture of each.
    mutable std::optional<QImage> m_pictures[PictureCount];
    QString m_caption;
    QString m_secondText;
    bool m_captionBeside = false;
    bool m_hover = false;
    bool m_hoverLatched = false;
    bool m_disabled = false;
    bool m_notifyParent = false;
    bool m_rememberHover = false;
};
