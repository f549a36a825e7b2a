// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formlayout.h"

#include <QStringList>

QRect FormLayout::cellRect(int channel, Strip strip)
{
    const int row = (channel - 1) / Columns;
    const int column = (channel - 1) % Columns;
    return { Margin + ColumnPitch * column, Margin + RowPitch * row + strip.top, ControlWidth,
        strip.height };
}

QFont FormLayout::uiFont(TextSize size, bool bold)
{
    // Qt takes the first of these families that is installed, without listing every font on the
    // system.
    static const QStringList families { QStringLiteral("MS Sans Serif"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Arimo") };
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(size));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}
