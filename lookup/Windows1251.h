// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

// The byte that stands for a character in the Windows Cyrillic code page (Windows-1251):
// 0..127 are ASCII, 128..255 follow the code page's table. A character the code page
// cannot encode (including U+0098, since byte 152 is unassigned) gives nullopt.
std::optional<unsigned char> windows1251Code(char32_t ch);
