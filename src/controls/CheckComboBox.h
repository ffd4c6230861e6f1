// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QComboBox>

// A drop-down list whose items carry check boxes. A click on an item or the space bar in the open
// list ticks or unticks the item and leaves the list open; the closed field shows the ticked
// items joined by the locale's list separator and one space. Items added with the usual
// QComboBox calls get their check box, unticked.
class CheckComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit CheckComboBox(QWidget *parent = nullptr);

    // Fails for an index that is not an item.
    Result<> setCheck(int index, bool checked);
    bool isChecked(int index) const;
    // What the closed field shows.
    QString text() const;

    // The separator that joins the ticked items for a locale: its list separator without
    // trailing blanks (";" when it has none), then one space.
    static QString listSeparator(const QLocale &locale);

Q_SIGNALS:
    // The user ticked or unticked item index in the open list.
    void selectionChanged(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void toggleAt(const QPoint &viewportPoint);
    void toggle(int index);
    void giveCheckBoxes(int first, int last);
};
