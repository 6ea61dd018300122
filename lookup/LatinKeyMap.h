// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What a key types once the callsign field stands in for a US English keyboard, for systems
// where the keyboard itself cannot be switched.
//
// Two sources, because a key press does not always say which key it was: where the platform
// reports the physical key (an X11 keycode on xcb, the same XKB keycode on Wayland) the US
// character of that key is exact for any layout, punctuation and digits included; where it
// reports none (0), only the character is known, and a fixed map of the Russian JCUKEN layout
// onto US QWERTY turns the Russian letters back into their keys.

// The character of the key with this X11 keycode (evdev code + 8) on the US layout, shifted or
// not: every key that types a printable ASCII character there (letters, digits, punctuation,
// the space bar), the keypad aside. nullopt for any other key.
std::optional<char32_t> usLayoutCharacter(quint32 keycode, bool shifted);

// The US QWERTY character on the key that types ch in the Russian layout: й→q ... я→z, х→[,
// ъ→], ж→;, э→', б→,, ю→., ё→` and their capitals →Q ... Z, {, }, :, ", <, >, ~. nullopt for
// every other character.
std::optional<char32_t> russianKeyToUs(char32_t ch);

// The text a key press types on the US layout, given the text it typed on the active layout,
// its X11 keycode (0: unknown) and whether Shift was held. Text with a control character is
// returned as it is, so Backspace, Enter and the editing keys keep their meaning.
QString usLayoutText(QStringView typed, quint32 keycode, bool shifted);
