#pragma once

#include "Page.h"

#include <QFont>
#include <QList>
#include <QString>

class ReportList;

// A page built round one report list under a grey band that carries its heading: the plan list
// and the scheduled plans pages.
class ListPage : public Page
{
    Q_OBJECT
public:
    ListPage(const char16_t *headingKey, QWidget *parent);

protected:
    const QFont &pageFont() const { return m_pageFont; }
    // The page's list in its place, with its column headings (language keys) and widths.
    ReportList *addList(const QList<const char16_t *> &headingKeys, const QList<int> &widths);

    // Home (back to the summary) goes to the frame; the rest as on every page.
    void onCommand(int id) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QFont m_pageFont;
    QString m_heading;
};
