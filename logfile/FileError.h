// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The texts with which file failures are reported to the user.  They are the
// wording Japanese Windows users know from the runtime's file errors:
//   EACCES, EPERM, EROFS  -> "ファイルへのアクセスが拒否されました"
//   ENOSPC, EDQUOT        -> "ディスクがいっぱいです"
//   any other errno n     -> "I/O エラー (n)"
// The window adds the full stop of its error report itself.  The logger
// without a window gets the same in English (MessageLanguage).
class FileError
{
public:
    static QString text(int errnoValue);
};
