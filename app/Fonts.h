// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

// The window's design font is "MS Sans Serif". Debian's fonts-wine ships a free clone of it (with
// Cyrillic) outside fontconfig's folders; it is a bitmap font with one usable size. Where the
// clone cannot draw a font as designed, a scalable sans-serif of similar build stands in:
// Tahoma's clone from the same package, else Liberation Sans.
inline const QString DesignFontFamily = QStringLiteral("MS Sans Serif");

// Registers the clone and its scalable stand-in with the application, once.
void installDesignFonts();

// The font to give a control designed with `font`: the clone where it draws that size and
// weight as designed, the scalable stand-in otherwise; other families pass unchanged.
QFont fittedFont(const QFont &font);

// How much the running system enlarges the design: the layout was drawn for 96 dpi, where the
// design font's text is 13 pixels high; that height grows with the logical dpi.
qreal designScale();
