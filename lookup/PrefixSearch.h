// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>
#include <optional>

// The attempts of the prefix search over the text typed into the callsign field.
//
// The working copy starts as the entered text, exactly as typed. An unsigned 8-bit counter starts
// at 11; each attempt ends the search (nullopt) when the counter is 0, otherwise decreases it to n,
// removes up to 15 characters of the working copy from the 1-based position n on (nothing when n
// is 0 or beyond the end) and calls locate with the working copy. The first key for which locate
// returns true is returned. For a text of at most 24 characters the keys are its first 9, 8, ... 1
// characters (each capped at its length), then the empty key twice: eleven calls when nothing
// matches. Longer texts keep their tail after the first cuts, exactly as the cuts leave them.
//
// Characters are Unicode code points (a surrogate pair is one character). An exception thrown by
// locate propagates and skips the remaining attempts.
std::optional<QString> findPrefix(const QString &enteredText,
                                  const std::function<bool(const QString &key)> &locate);

// The text with its Latin and Cyrillic letters in upper case, character for character, as the
// Windows Cyrillic code page upper-cases it (ё → Ё, ў → Ў, ђ → Ђ, ...). Digits, signs and letters
// of other scripts stay; the length never changes.
QString upperCased(const QString &text);
