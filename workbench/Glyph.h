#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>
#include <QVariant>

#include "shell/Bitmaps.h"

// Puts a named bitmap ("OpenColor", "OpenGray", ...) on a speed button and remembers the name in the
// button's "glyph" property, so the available/unavailable look can be read back. A missing bitmap
// leaves the button without a glyph and nothing is reported.
inline void setGlyph(QAbstractButton *button, const QString &name)
{
    if (!button)
        return;
    const QPixmap pixmap(kelmBitmapPath(name));
    button->setProperty("glyph", name);
    if (pixmap.isNull()) {
        button->setIcon(QIcon());
        return;
    }
    button->setIcon(QIcon(pixmap));
    button->setIconSize(pixmap.size());
}

// The name last given to setGlyph, empty when none.
inline QString glyphOf(const QAbstractButton *button)
{
    return button ? button->property("glyph").toString() : QString();
}
