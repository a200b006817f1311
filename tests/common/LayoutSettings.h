// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/Settings.h"

// The splitter's five places, the part of the settings the window's size
// decides; the defaults are arbitrary but distinct, so a swap shows.
struct TestLayout {
    int gridWidth = 333;
    int chartLeft = 555;
    int chartWidth = 444;
    int leftArrow = 11;
    int rightArrow = 22;
};

// Settings holding `l` and the defaults for everything else.
inline Settings layoutSettings(const TestLayout &l = {})
{
    Settings s;
    s.stringGrid1Width = l.gridWidth;
    s.chart1Left = l.chartLeft;
    s.chart1Width = l.chartWidth;
    s.buttonMoveToLeftLeft = l.leftArrow;
    s.buttonMoveToRightLeft = l.rightArrow;
    return s;
}
