// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <iconv.h>

#include <optional>
#include <stdexcept>

// The character of a Windows-1251 byte as the C library's iconv decodes it: a reference made
// independently of the program's own table. nullopt for a byte the code page leaves unassigned.
inline std::optional<char32_t> cp1251ReferenceChar(unsigned char byte)
{
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    if (cd == iconv_t(-1))
        throw std::runtime_error("iconv cannot decode CP1251");
    char in[1] = {char(byte)};
    char out[8] = {};
    char *inPtr = in;
    char *outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == size_t(-1) || outLeft != sizeof out - 4)
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const unsigned char *>(out);
    return char32_t(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24);
}

inline QString cp1251ReferenceText(unsigned char byte)
{
    const std::optional<char32_t> ch = cp1251ReferenceChar(byte);
    return ch ? QString::fromUcs4(&*ch, 1) : QString();
}
