// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

enum class CloseAnswer { Save, Discard, Stay };

// Asks "IDS_CLOSE_QUES" with Yes, No and Cancel before a dialog with unsaved changes closes.
CloseAnswer askBeforeClosing(QWidget *dialog);
