// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// The small borderless window that covers a page while its lists reload: "Please wait..." (always
// in English) above a running marquee bar. The main frame creates one, hidden, and pages show and
// hide it around each reload. Each time it shows it is centred on its owner's window.
class PleaseWaitDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PleaseWaitDialog(QWidget *owner = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildContents();
    void centreOnOwner();

    QLabel *m_label = nullptr;
    QProgressBar *m_bar = nullptr;
};
