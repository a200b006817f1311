// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding never loses a byte: any bytes decoded and encoded again come back
// exactly, valid code page 932 or not (bytes that start no character travel
// as escapes).  The same input read as UTF-16 text exercises the encoder on
// any text, lone surrogates included: what it writes is bytes, so they too
// must come back through decode and encode.
#include "FuzzCheck.h"

#include "logfile/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QString text = Cp932::decode(bytes);
    FUZZ_CHECK(text.size() <= bytes.size());
    FUZZ_CHECK(Cp932::encode(text) == bytes);

    QString anyText(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(anyText.data(), data, size / 2 * 2);
    const QByteArray written = Cp932::encode(anyText);
    FUZZ_CHECK(written.size() <= 2 * anyText.size());
    FUZZ_CHECK(Cp932::encode(Cp932::decode(written)) == written);
    QByteArray appended("prefix");
    Cp932::encodeAppend(anyText, appended);
    FUZZ_CHECK(appended == "prefix" + written);
    return 0;
}
