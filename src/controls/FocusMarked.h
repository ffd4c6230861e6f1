// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FocusMark.h"

#include <QPainter>

// A standard control that also draws the program's focus mark over itself: some styles show
// keyboard focus on lists and sliders faintly or not at all.
template <typename Control> class FocusMarked : public Control
{
public:
    using Control::Control;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        Control::paintEvent(event);
        QPainter painter(this);
        paintFocusMark(painter, *this);
    }
};
