// SPDX-License-Identifier: MIT
#include "PrefixSearch.h"

#include <QChar>
#include <QList>

#include <cstdint>

namespace {

QString fromCodePoints(const QList<uint> &codePoints)
{
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()),
                             codePoints.size());
}

} // namespace

std::optional<QString> findPrefix(const QString &enteredText,
                                  const std::function<bool(const QString &key)> &locate)
{
    // Characters are code points: a surrogate pair is cut as one character.
    QList<uint> workingCopy = enteredText.toUcs4();
    QString key;
    const bool found = runPrefixAttempts(workingCopy, [&](const QList<uint> &codePoints) {
        key = fromCodePoints(codePoints);
        return locate(key);
    });
    if (!found)
        return std::nullopt;
    return key;
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
