// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnsavedChangesDialog.h"

#include "CloseQuestion.h"

void UnsavedChangesDialog::reject()
{
    if (hasUnsavedChanges()) {
        switch (askBeforeClosing(this)) {
        case CloseAnswer::Stay:
            return;
        case CloseAnswer::Save:
            saveAndClose();
            return;
        case CloseAnswer::Discard:
            break;
        }
    }
    QDialog::reject();
}
