// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Page.h"
#include "PageServices.h"

// Builds the page of a kind. The one place that knows which class implements which page.
Page *createPage(PageKind kind, const PageServices &services, QWidget *parent);
