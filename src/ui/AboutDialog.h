#pragma once

#include <QDialog>

// The program's icon, version and notice, with an OK button.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
};
