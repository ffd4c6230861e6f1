// SPDX-License-Identifier: GPL-3.0-or-later
#include "CloseQuestion.h"

#include "MessageBox.h"
#include "Profile.h"
#include "SharedStrings.h"

using Profile::loadText;
using Program::sharedStrings;

CloseAnswer askBeforeClosing(QWidget *dialog)
{
    switch (MessageBox::question(dialog, sharedStrings().messageCaption, loadText(u"IDS_CLOSE_QUES"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return CloseAnswer::Save;
    case QMessageBox::No:
        return CloseAnswer::Discard;
    default:
        return CloseAnswer::Stay;
    }
}
