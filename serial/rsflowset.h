// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The set view of the component's flags word: element k stands for bit k (0 to 14).  Bits 15
// and up have no element, so a set never holds them.

#include <QtGlobal>

#include <initializer_list>

enum rsflowelement {
    dfBinary,
    dfParity,
    dfOutxCtsFlow,
    dfOutxDsrFlow,
    dfDtrControl_b0,
    dfDtrControl_b1,
    dfDsrSensitivity,
    dfTXContinueOnXoff,
    dfOutX,
    dfInX,
    dfErrorChar,
    dfNull,
    dfRtsControl_b0,
    dfRtsControl_b1,
    dfAbortOnError,
};

class rsflowset
{
public:
    static constexpr quint16 AllElements = 0x7fff;

    constexpr rsflowset() = default;
    constexpr rsflowset(std::initializer_list<rsflowelement> elements)
    {
        for (rsflowelement e : elements)
            m_bits |= quint16(1u << e);
    }
    // Bits 15 and up of a flags word are dropped.
    static constexpr rsflowset fromBits(quint32 bits)
    {
        rsflowset s;
        s.m_bits = quint16(bits & AllElements);
        return s;
    }
    constexpr quint16 bits() const { return m_bits; }
    constexpr bool contains(rsflowelement e) const { return m_bits & (1u << e); }
    constexpr void insert(rsflowelement e) { m_bits |= quint16(1u << e); }
    constexpr void remove(rsflowelement e) { m_bits &= quint16(~(1u << e)); }
    constexpr bool operator==(const rsflowset &) const = default;

private:
    quint16 m_bits = 0;
};
