// SPDX-License-Identifier: MIT
#include "LatinKeyMap.h"

#include <QChar>
#include <QList>

#include <array>
#include <string_view>

namespace {

// The US layout's main block by X11 keycode: the unshifted and the shifted character.
struct UsKey
{
    quint32 keycode;
    char plain;
    char shifted;
};

constexpr std::array<UsKey, 51> usKeys = {{
    {10, '1', '!'}, {11, '2', '@'}, {12, '3', '#'}, {13, '4', '$'}, {14, '5', '%'},
    {15, '6', '^'}, {16, '7', '&'}, {17, '8', '*'}, {18, '9', '('}, {19, '0', ')'},
    {20, '-', '_'}, {21, '=', '+'},
    {24, 'q', 'Q'}, {25, 'w', 'W'}, {26, 'e', 'E'}, {27, 'r', 'R'}, {28, 't', 'T'},
    {29, 'y', 'Y'}, {30, 'u', 'U'}, {31, 'i', 'I'}, {32, 'o', 'O'}, {33, 'p', 'P'},
    {34, '[', '{'}, {35, ']', '}'},
    {38, 'a', 'A'}, {39, 's', 'S'}, {40, 'd', 'D'}, {41, 'f', 'F'}, {42, 'g', 'G'},
    {43, 'h', 'H'}, {44, 'j', 'J'}, {45, 'k', 'K'}, {46, 'l', 'L'}, {47, ';', ':'},
    {48, '\'', '"'}, {49, '`', '~'},
    {51, '\\', '|'},
    {52, 'z', 'Z'}, {53, 'x', 'X'}, {54, 'c', 'C'}, {55, 'v', 'V'}, {56, 'b', 'B'},
    {57, 'n', 'N'}, {58, 'm', 'M'}, {59, ',', '<'}, {60, '.', '>'}, {61, '/', '?'},
    {65, ' ', ' '},
    {94, '<', '>'},                 // the extra key of ISO keyboards, left of Z
    {187, '(', '('}, {188, ')', ')'}, // the parentheses some keyboards have above the keypad
}};

// The Russian layout's letters in the order of the US keys they sit on: a row of small letters
// and the US characters under them; the capitals follow by case and Shift.
constexpr std::u32string_view russianSmall = U"йцукенгшщзхъфывапролджэячсмитьбюё";
constexpr std::u32string_view usUnderSmall = U"qwertyuiop[]asdfghjkl;'zxcvbnm,.`";
constexpr std::u32string_view russianCapital = U"ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ";
constexpr std::u32string_view usUnderCapital = U"QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~";
static_assert(russianSmall.size() == usUnderSmall.size() && russianCapital.size() == usUnderCapital.size()
              && russianSmall.size() == 33);

bool isControl(char32_t ch)
{
    return ch < 0x20 || ch == 0x7F;
}

} // namespace

std::optional<char32_t> usLayoutCharacter(quint32 keycode, bool shifted)
{
    for (const UsKey &key : usKeys) {
        if (key.keycode == keycode)
            return char32_t(static_cast<unsigned char>(shifted ? key.shifted : key.plain));
    }
    return std::nullopt;
}

std::optional<char32_t> russianKeyToUs(char32_t ch)
{
    if (const auto at = russianSmall.find(ch); at != std::u32string_view::npos)
        return usUnderSmall[at];
    if (const auto at = russianCapital.find(ch); at != std::u32string_view::npos)
        return usUnderCapital[at];
    return std::nullopt;
}

QString usLayoutText(QStringView typed, quint32 keycode, bool shifted)
{
    const QList<uint> characters = typed.toUcs4();
    if (characters.isEmpty())
        return typed.toString();
    for (const uint ch : characters) {
        if (isControl(ch))
            return typed.toString();
    }

    if (const std::optional<char32_t> us = usLayoutCharacter(keycode, shifted)) {
        char32_t result = *us;
        // A letter keeps the case the active layout gave it: that case already holds Caps Lock.
        if (characters.size() == 1 && QChar::isLetter(characters[0]) && QChar::isLetter(result))
            result = QChar::isUpper(characters[0]) ? QChar::toUpper(result) : QChar::toLower(result);
        return QString::fromUcs4(&result, 1);
    }

    QString text;
    for (const uint ch : characters) {
        const char32_t latin = russianKeyToUs(ch).value_or(ch);
        text += QString::fromUcs4(&latin, 1);
    }
    return text;
}
