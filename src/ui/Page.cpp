#include "Page.h"

Page::Page(QWidget *parent)
    : QWidget(parent)
{
}
