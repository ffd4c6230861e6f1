#pragma once

#include "Page.h"

class PowerPlatform;

// Builds the page of a kind. The one place that knows which class implements which page.
Page *CreatePage(PageKind kind, PowerPlatform &platform, QWidget *parent);
