// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

class PictureButton;
class QWidget;

enum class DialogButtonFace { Normal, Wide };

// A dialog's command button (Save, Close, Schedule, Activate, Apply, Load default): the program's
// button face behind its caption, telling the dialog of hovering so the hover look is reset.
PictureButton *addDialogButton(QWidget *dialog, int id, const QString &caption, const QRect &rect,
    DialogButtonFace face = DialogButtonFace::Normal);
