// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

// The program's page look: a teal background with darker bands at top and bottom.
inline const QColor kPageBackground(29, 153, 176);
inline const QColor kPageBand(18, 127, 156);
inline constexpr int kPageBandHeight = 29;

inline void paintPageBackground(QPainter &painter, const QRect &client)
{
    painter.fillRect(client, kPageBackground);
    painter.fillRect(QRect(client.left(), client.top(), client.width(), kPageBandHeight), kPageBand);
    painter.fillRect(
        QRect(client.left(), client.bottom() - kPageBandHeight + 1, client.width(), kPageBandHeight), kPageBand);
}
