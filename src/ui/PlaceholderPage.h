#pragma once

#include "Page.h"

// Stands in for a page that is not built yet: the page colours and its name, nothing else.
class PlaceholderPage : public Page
{
    Q_OBJECT
public:
    PlaceholderPage(PageKind kind, QWidget *parent = nullptr);

    PageKind kind() const { return m_kind; }
    int refreshCount() const { return m_refreshCount; }
    void refresh() override { ++m_refreshCount; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PageKind m_kind;
    int m_refreshCount = 0;
};
