// SPDX-License-Identifier: MIT
#include "Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString WineFonts = u"/usr/share/wine/fonts/"_s;

qreal logicalDpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

void installDesignFonts()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    // Not tahomabd.ttf: at these sizes its bold is hardly heavier than the regular face, while
    // Qt's emboldened regular face looks like the bold the window was designed with.
    for (const QString &file : {u"ms_sans_serif.ttf"_s, u"tahoma.ttf"_s}) {
        if (QFile::exists(WineFonts + file))
            QFontDatabase::addApplicationFont(WineFonts + file);
    }
    // Used when the clone is missing, and for the sizes it cannot draw.
    QFont::insertSubstitutions(DesignFontFamily, {u"Tahoma"_s, u"Liberation Sans"_s});
}

QFont fittedFont(const QFont &font)
{
    QFont fitted = font;
    // Set explicitly so that a child does not inherit its parent's choice.
    fitted.setStyleStrategy(QFont::PreferDefault);
    if (fitted.family() != DesignFontFamily)
        return fitted;
    // The clone's only strike is the 8-point font at 96 dpi: a 13-pixel cell whose 11-pixel
    // character height is its ascent. Qt neither scales nor emboldens it. 0: no bitmap clone (a
    // real, scalable MS Sans Serif, or the stand-in already).
    static const int cloneCharacterHeight = [] {
        const QFont clone(DesignFontFamily);
        const bool bitmapClone = QFontInfo(clone).family() == DesignFontFamily
                                 && !QFontDatabase::isScalable(DesignFontFamily, u"Medium"_s);
        return bitmapClone ? QFontMetrics(clone).ascent() : 0;
    }();
    if (cloneCharacterHeight == 0)
        return fitted;
    const int wanted = font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * logicalDpi() / 72.0);
    if (font.bold() || font.italic() || wanted != cloneCharacterHeight)
        fitted.setStyleStrategy(QFont::ForceOutline);
    // Tahoma's clone loses the marks of Й, й and Ё when Qt emboldens it, and above 13 pixels
    // its capitals' marks: bold and large text takes Liberation Sans, whose Cyrillic is whole.
    static const bool liberation = QFontDatabase::hasFamily(u"Liberation Sans"_s);
    if (liberation && (font.bold() || wanted > 13))
        fitted.setFamily(u"Liberation Sans"_s);
    return fitted;
}

qreal designScale()
{
    return logicalDpi() / 96.0;
}
