// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// What the callsign field does with a character typed into it.
enum class KeyAction {
    Pass,           // the field inserts it (control characters such as Backspace included)
    Discard,        // dropped silently: the space
    SearchThenPass, // Enter ('\r'): run the prefix search, then let the character through
    Refuse,         // dropped with refusedKeyWarning() and a switch to the US English keyboard
};

// Codes of the Windows Cyrillic code page from this one up are refused: every Russian letter
// (Ё 168, ё 184, А..я 192..255), the no-break space and the signs and letters from 153 on.
inline constexpr unsigned char firstRefusedCode = 152;

// The decision for one typed character. A character without a Windows-1251 code (Greek, CJK,
// emoji, ...) is refused like a Russian letter.
KeyAction classifyTypedKey(char32_t ch);

// The decision for the text of one key press. Empty text (a key that types nothing) passes.
// Text of several characters (rare: input methods) gets the strictest of their decisions,
// in the order Refuse, Discard, SearchThenPass, Pass.
KeyAction classifyTypedText(QStringView text);

// The warning shown, with the warning type, when a character is refused.
QString refusedKeyWarning();
