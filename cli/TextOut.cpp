// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TextOut.h"

#include <QByteArray>

void TextOut::write(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}
