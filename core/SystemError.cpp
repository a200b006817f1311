// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SystemError.h"

#include <cstring>

std::string SystemError::message(int err)
{
    char buffer[256] = {};
    // The GNU strerror_r returns either its own static text or the buffer.
    return ::strerror_r(err, buffer, sizeof buffer);
}

QString SystemError::text(int err)
{
    return QString::fromStdString(message(err));
}
