// SPDX-License-Identifier: MIT
#include "EntryFilter.h"

#include "Windows1251.h"

#include <QList>

using namespace Qt::Literals::StringLiterals;

KeyAction classifyTypedKey(char32_t ch)
{
    if (ch == U' ')
        return KeyAction::Discard;
    if (ch == U'\r')
        return KeyAction::SearchThenPass;
    const std::optional<unsigned char> code = windows1251Code(ch);
    if (!code || *code >= firstRefusedCode)
        return KeyAction::Refuse;
    return KeyAction::Pass;
}

KeyAction classifyTypedText(QStringView text)
{
    // The enumerators' order is not the strictness order, so rank them explicitly.
    const auto strictness = [](KeyAction action) {
        switch (action) {
        case KeyAction::Refuse: return 3;
        case KeyAction::Discard: return 2;
        case KeyAction::SearchThenPass: return 1;
        case KeyAction::Pass: return 0;
        }
        return 0;
    };
    KeyAction result = KeyAction::Pass;
    for (const char32_t ch : text.toUcs4()) {
        const KeyAction action = classifyTypedKey(ch);
        if (strictness(action) > strictness(result))
            result = action;
    }
    return result;
}

QString refusedKeyWarning()
{
    return u"Будьте внимательнее.Автоматически включён английский шрифт"_s;
}
