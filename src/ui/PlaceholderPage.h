#pragma once

#include "Page.h"

// Stands in for a page that is not built yet: the shared page look and a Back button to the
// summary page, so the window never ends on a page without a way out.
class PlaceholderPage : public Page
{
    Q_OBJECT
public:
    PlaceholderPage(PageKind kind, QWidget *parent = nullptr);

    PageKind kind() const { return m_kind; }
    PictureButton *backButton() const { return m_backButton; }
    int refreshCount() const { return m_refreshCount; }
    void refresh() override { ++m_refreshCount; }

protected:
    void onCommand(int id) override;

private:
    PageKind m_kind;
    PictureButton *m_backButton;
    int m_refreshCount = 0;
};
