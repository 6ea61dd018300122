// SPDX-License-Identifier: MIT
#include "Windows1251.h"

#include <array>

namespace {

// The upper half of the code page, indexed by byte - 128; 0 marks the unassigned byte 152.
constexpr std::array<char32_t, 64> upperHalfBeforeAlphabet = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 128..135
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 136..143
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 144..151
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 152..159
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // 160..167
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // 168..175
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // 176..183
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // 184..191
};

constexpr char32_t cyrillicCapitalA = 0x0410; // А..я are 192..255 in alphabet order
constexpr char32_t cyrillicSmallYa = 0x044F;

} // namespace

std::optional<unsigned char> windows1251Code(char32_t ch)
{
    if (ch < 0x80)
        return static_cast<unsigned char>(ch);
    if (ch >= cyrillicCapitalA && ch <= cyrillicSmallYa)
        return static_cast<unsigned char>(192 + (ch - cyrillicCapitalA));
    for (std::size_t i = 0; i < upperHalfBeforeAlphabet.size(); ++i) {
        if (upperHalfBeforeAlphabet[i] == ch)
            return static_cast<unsigned char>(128 + i);
    }
    return std::nullopt;
}
