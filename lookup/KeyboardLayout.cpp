// SPDX-License-Identifier: MIT
#include "KeyboardLayout.h"

#include <QGuiApplication>
#include <QStringList>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBrules.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int maxGroups = XkbNumKbdGroups;

// The layouts and variants named in the root window's _XKB_RULES_NAMES property.
bool readRulesNames(Display *display, QString &layouts, QString &variants)
{
    char *rulesFile = nullptr;
    XkbRF_VarDefsRec names{};
    const bool found = XkbRF_GetNamesProp(display, &rulesFile, &names);
    layouts = QString::fromLatin1(names.layout);
    variants = QString::fromLatin1(names.variant);
    // The library hands out copies made with malloc.
    std::free(rulesFile);
    std::free(names.model);
    std::free(names.layout);
    std::free(names.variant);
    std::free(names.options);
    return found;
}

} // namespace

int usLayoutGroup(const QString &layouts, const QString &variants)
{
    const QStringList layoutList = layouts.split(u',');
    const QStringList variantList = variants.split(u',');
    int anyUs = -1;
    for (int group = 0; group < std::min<int>(layoutList.size(), maxGroups); ++group) {
        if (layoutList[group].trimmed() != u"us")
            continue;
        const QString variant = group < variantList.size() ? variantList[group].trimmed() : QString();
        if (variant.isEmpty() || variant == u"basic")
            return group;
        if (anyUs < 0)
            anyUs = group;
    }
    return anyUs;
}

bool activateUsLayout()
{
    // Only the xcb platform talks to a real X server; offscreen may hold a display of its own.
    if (!qGuiApp || QGuiApplication::platformName() != u"xcb")
        return false;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;

    QString layouts;
    QString variants;
    if (!readRulesNames(display, layouts, variants))
        return false;
    const int group = usLayoutGroup(layouts, variants);
    if (group < 0)
        return false;
    if (!XkbLockGroup(display, XkbUseCoreKbd, unsigned(group)))
        return false;
    // The state query is a round trip: the lock is in force before the next key event.
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    return state.locked_group == group;
}
