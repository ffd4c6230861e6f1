// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// A dialog whose Close button, Esc and close box ask first, when the user has changed something,
// whether to save it: Yes saves as the dialog's own button does, No closes without saving, Cancel
// stays. A save that cannot be made has said why and keeps the dialog open with the edits.
class UnsavedChangesDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

public Q_SLOTS:
    void reject() override;

protected:
    // Whether closing now would lose something the user changed.
    virtual bool hasUnsavedChanges() const = 0;
    // Saves as the dialog's own button does and closes when that went through.
    virtual void saveAndClose() = 0;
};
