// SPDX-License-Identifier: MIT
#include "PrefixSearch.h"

#include <QChar>
#include <QList>

#include <cstdint>

namespace {

constexpr std::uint8_t firstAttemptCounter = 11;
constexpr qsizetype charactersRemovedPerAttempt = 15;

QString fromCodePoints(const QList<uint> &codePoints)
{
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()),
                             codePoints.size());
}

} // namespace

std::optional<QString> findPrefix(const QString &enteredText,
                                  const std::function<bool(const QString &key)> &locate)
{
    QList<uint> workingCopy = enteredText.toUcs4();
    std::uint8_t counter = firstAttemptCounter;
    for (;;) {
        if (counter == 0)
            return std::nullopt;
        --counter;
        const qsizetype position = counter; // 1-based
        if (position >= 1 && position <= workingCopy.size()) {
            const qsizetype count = std::min(charactersRemovedPerAttempt,
                                             workingCopy.size() - position + 1);
            workingCopy.remove(position - 1, count);
        }
        QString key = fromCodePoints(workingCopy);
        if (locate(key))
            return key;
    }
}

QString upperCased(const QString &text)
{
    QList<uint> codePoints = text.toUcs4();
    for (uint &ch : codePoints) {
        const QChar::Script script = QChar::script(char32_t(ch));
        // The code page knows only Latin and Cyrillic cased letters; µ (a common sign) stays too.
        if (script == QChar::Script_Latin || script == QChar::Script_Cyrillic)
            ch = QChar::toUpper(char32_t(ch));
    }
    return fromCodePoints(codePoints);
}
