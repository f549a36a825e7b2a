// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QRect>

// Where the window's controls stand and how their text is set, in pixels at 96 dpi. Channel n
// stands in row (n - 1) / 7 and column (n - 1) % 7 of a grid of 88 x 120 px cells; each cell is a
// column of four strips: name label, time label and the two buttons.
namespace FormLayout {

constexpr QSize ClientSize { 657, 374 };
constexpr int Margin = 8;
constexpr int Columns = 7;
constexpr int ColumnPitch = 88;
constexpr int RowPitch = 120;
constexpr int ControlWidth = 81;

struct Strip {
    int top;
    int height;
};
constexpr Strip NameStrip { 0, 17 };
constexpr Strip TimeStrip { 24, 25 };
constexpr Strip StartStopStrip { 56, 25 };
constexpr Strip ResetStrip { 80, 33 };
constexpr QRect MasterResetRect { 552, 256, ControlWidth, 41 };
constexpr QRect ExitRect { 552, 296, ControlWidth, 57 };

QRect cellRect(int channel, Strip strip);

enum class TextSize { Small = 11, Large = 13 }; // pixel heights of 8.25 pt and 9.75 pt

// The window's face where it exists, else the installed sans-serif closest to it in metrics.
QFont uiFont(TextSize size, bool bold);

} // namespace FormLayout
