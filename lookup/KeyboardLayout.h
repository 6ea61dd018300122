// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Switches the keyboard of the program's X11 display to the US English layout: among the
// configured layouts (the X keyboard extension's rules names, as set by setxkbmap or the desktop)
// the group whose layout is "us" is locked, so the very next key press yields Latin letters.
// Returns false where that cannot be done: no X11 display (Wayland, offscreen), no XKB, no "us"
// group, or the server did not take the lock. Needs a QGuiApplication.
bool activateUsLayout();

// The keyboard group (0..3) of the US English layout in comma-separated XKB layout and variant
// lists such as "ru,us" and ",", or -1 when there is none. A plain "us" (no variant, or
// "basic") wins over a variant such as Dvorak, which moves the letters.
int usLayoutGroup(const QString &layouts, const QString &variants);
