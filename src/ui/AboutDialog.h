// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The program's icon, version and notice, with an OK button. The Help menu and the tray's menu
// open the same box.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    QLabel *versionLine() const { return m_versionLine; }
    QLabel *noticeLine() const { return m_noticeLine; }
    QPushButton *okButton() const { return m_okButton; }

private:
    QLabel *m_versionLine;
    QLabel *m_noticeLine;
    QPushButton *m_okButton;
};
