// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string_view>

// The form in which two keys are equal "without regard to case" for Locate and the prefix index:
// ASCII letters fold as SQLite's NOCASE folds them, every other letter (Cyrillic among them) to its
// lower case, as long as that is not an ASCII letter (NOCASE would never match it).
inline char16_t foldedChar(char16_t ch)
{
    if (ch < 0x80)
        return (ch >= u'A' && ch <= u'Z') ? char16_t(ch + 32) : ch;
    const char16_t lower = QChar(ch).toLower().unicode();
    return lower < 0x80 ? ch : lower;
}

inline QString foldedKey(QStringView text)
{
    QString folded(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        folded[i] = QChar(foldedChar(text[i].unicode()));
    return folded;
}

// Whether UTF-8 text is plain ASCII, which folds byte by byte.
inline bool isAsciiText(std::string_view text)
{
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    return true;
}
