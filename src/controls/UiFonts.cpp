// SPDX-License-Identifier: GPL-3.0-or-later
#include "UiFonts.h"

#include <QStringList>

void registerFontSubstitutes()
{
    const QStringList substitutes { QStringLiteral("Open Sans"), QStringLiteral("DejaVu Sans") };
    for (const QString &family : { QStringLiteral("Segoe UI"), QStringLiteral("Trebuchet MS") })
        QFont::insertSubstitutions(family, substitutes);
}

QFont uiFont(int pointSize, int weight)
{
    static const bool registered = (registerFontSubstitutes(), true);
    Q_UNUSED(registered);

    QFont font(QStringLiteral("Segoe UI"), pointSize, weight);
    // Without any of the named families, fall back to the generic sans-serif family.
    font.setStyleHint(QFont::SansSerif);
    return font;
}
