// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogButton.h"

#include "PictureButton.h"

PictureButton *addDialogButton(
    QWidget *dialog, int id, const QString &caption, const QRect &rect, DialogButtonFace face)
{
    using enum PictureId;
    auto *button = new PictureButton(id, dialog);
    if (face == DialogButtonFace::Wide)
        button->setPictures(WideDialogButton, WideDialogButtonHover, WideDialogButtonPressed, WideDialogButtonDisabled);
    else
        button->setPictures(DialogButton, DialogButtonHover, DialogButtonPressed, DialogButtonDisabled);
    button->setCaption(caption);
    button->setNotifyParent(true);
    button->setGeometry(rect);
    PictureButton::connectHoverReset(button);
    return button;
}
