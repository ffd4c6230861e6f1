#include "PlaceholderPage.h"

#include "CommandId.h"

PlaceholderPage::PlaceholderPage(PageKind kind, QWidget *parent)
    : Page(parent)
    , m_kind(kind)
    , m_backButton(addButton(CmdShowSummary, u"",
          { PictureId::Home, PictureId::HomeHover, PictureId::HomePressed, PictureId::HomeDisabled },
          QRect(15, 40, 32, 32)))
{
}

void PlaceholderPage::onCommand(int id)
{
    if (id == CmdShowSummary)
        Q_EMIT commandRequested(id);
    else
        Page::onCommand(id);
}
