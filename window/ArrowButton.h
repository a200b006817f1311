// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

// A splitter button whose caption ("▲" or "▼") is laid on its side, as a
// vertical-writing font draws it: "▲" then points left and "▼" points
// right (the way the splitter moves), whatever font is installed.
class ArrowButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
