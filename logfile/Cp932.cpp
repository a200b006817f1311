// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/Cp932.h"

#include <QStringDecoder>

#include <array>
#include <cstdint>
#include <memory>

namespace
{

constexpr char16_t EscapeBase = 0xDC00;

bool isLead(unsigned b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrail(unsigned b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Lead bytes 0x81..0x9F and 0xE0..0xFC packed into 0..59.
int leadIndex(unsigned b)
{
    return b <= 0x9F ? int(b - 0x81) : int(b - 0xE0 + 0x1F);
}

// Rows 0xED and 0xEE repeat characters that rows 0xFA..0xFC also hold;
// Windows writes the latter, and otherwise the lowest code.
bool preferOver(std::uint16_t candidate, std::uint16_t current)
{
    const unsigned cl = candidate >> 8, ol = current >> 8;
    const bool candNecSelected = cl == 0xED || cl == 0xEE;
    const bool curNecSelected = ol == 0xED || ol == 0xEE;
    if (candNecSelected != curNecSelected)
        return curNecSelected;
    return candidate < current;
}

struct Tables {
    std::array<char16_t, std::size_t{60} * 256> decode{}; // 0: no canonical character
    std::array<std::uint16_t, 0x10000> encode{};

    Tables()
    {
        QStringDecoder dec("windows-31j", QStringConverter::Flag::Stateless);
        Q_ASSERT(dec.isValid());
        char pair[2];
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLead(lead))
                continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!isTrail(trail))
                    continue;
                pair[0] = char(lead);
                pair[1] = char(trail);
                const QString s = dec(QByteArrayView(pair, 2));
                if (s.size() != 1)
                    continue;
                const char16_t u = s.at(0).unicode();
                if (u == 0x1A || u == 0xFFFD || u < 0x80 || QChar::isSurrogate(u))
                    continue;
                decode[leadIndex(lead) * 256 + trail] = u;
                const std::uint16_t code = std::uint16_t(lead << 8 | trail);
                if (encode[u] == 0 || preferOver(code, encode[u]))
                    encode[u] = code;
            }
        }
        for (unsigned b = 0xA1; b <= 0xDF; ++b)
            encode[0xFF61 + (b - 0xA1)] = std::uint16_t(b);
        // The JIS forms of characters that code page 932 holds under their
        // full-width forms (text typed on other systems uses these).
        encode[0x00A2] = 0x8191; // ¢
        encode[0x00A3] = 0x8192; // £
        encode[0x00AC] = 0x81CA; // ¬
        encode[0x2016] = 0x8161; // ‖
        encode[0x2212] = 0x817C; // −
        encode[0x301C] = 0x8160; // 〜
        // A code whose character Windows writes differently would not come
        // back as the same bytes: leave it undecoded.
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLead(lead))
                continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                char16_t &u = decode[leadIndex(lead) * 256 + trail];
                if (u != 0 && encode[u] != (lead << 8 | trail))
                    u = 0;
            }
        }
    }
};

const Tables &tables()
{
    static const std::unique_ptr<Tables> t = std::make_unique<Tables>();
    return *t;
}

} // namespace

void Cp932::encodeAppend(QStringView text, QByteArray &out)
{
    const Tables *t = nullptr;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            out.append(char(u));
            continue;
        }
        if (u >= 0xDC80 && u <= 0xDCFF) {
            out.append(char(u - EscapeBase));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append('?');
            ++i;
            continue;
        }
        if (!t)
            t = &tables();
        const std::uint16_t code = t->encode[u];
        if (code == 0) {
            out.append('?');
        } else if (code < 0x100) {
            out.append(char(code));
        } else {
            out.append(char(code >> 8));
            out.append(char(code & 0xFF));
        }
    }
}

QByteArray Cp932::encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    encodeAppend(text, out);
    return out;
}

QString Cp932::decode(QByteArrayView bytes)
{
    const Tables *t = nullptr;
    const qsizetype n = bytes.size();
    QString out(n, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            dst[k++] = char16_t(b);
        } else if (b >= 0xA1 && b <= 0xDF) {
            dst[k++] = char16_t(0xFF61 + (b - 0xA1));
        } else {
            char16_t u = 0;
            if (isLead(b) && i + 1 < n) {
                const unsigned trail = static_cast<unsigned char>(bytes[i + 1]);
                if (isTrail(trail)) {
                    if (!t)
                        t = &tables();
                    u = t->decode[leadIndex(b) * 256 + trail];
                }
            }
            if (u != 0) {
                dst[k++] = u;
                ++i;
            } else {
                dst[k++] = char16_t(EscapeBase + b);
            }
        }
    }
    out.truncate(k);
    return out;
}
