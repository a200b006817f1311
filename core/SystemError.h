// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>

// The system's text for an errno value, safe to call from any thread (the
// comm thread and the GUI thread may report failures at once).
class SystemError
{
public:
    static std::string message(int err);
    static QString text(int err);
};
