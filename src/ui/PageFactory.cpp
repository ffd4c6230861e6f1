#include "PageFactory.h"

#include "PlaceholderPage.h"

Page *CreatePage(PageKind kind, PowerPlatform &, QWidget *parent)
{
    return new PlaceholderPage(kind, parent);
}
