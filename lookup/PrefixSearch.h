// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

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

// The same attempts on any sequence of characters with size() and erase(first, last), so that
// batch work can run them on raw ASCII bytes. Shortens workingCopy in place and returns whether
// locate accepted one of its states; workingCopy then holds the key that matched.
template<typename Sequence, typename Locate>
bool runPrefixAttempts(Sequence &workingCopy, Locate &&locate)
{
    constexpr std::uint8_t FirstAttempt = 11;
    constexpr std::size_t RemovedPerAttempt = 15;
    for (std::uint8_t counter = FirstAttempt; counter != 0;) {
        --counter;
        const std::size_t position = counter; // 1-based
        const std::size_t size = std::size_t(workingCopy.size());
        if (position >= 1 && position <= size) {
            const std::size_t count = std::min(RemovedPerAttempt, size - position + 1);
            const auto first = workingCopy.begin() + (position - 1);
            workingCopy.erase(first, first + count);
        }
        if (locate(std::as_const(workingCopy)))
            return true;
    }
    return false;
}

// The text with its Latin and Cyrillic letters in upper case, character for character, as the
// Windows Cyrillic code page upper-cases it (ё → Ё, ў → Ў, ђ → Ђ, ...). Digits, signs and letters
// of other scripts stay; the length never changes.
QString upperCased(const QString &text);
