#pragma once

#include <QString>
#include <QStringList>

// Resource path of a named bitmap ("LogoSTD", "OpenColor", "OpenGray", ...), for
// QPixmap(kelmBitmapPath(name)). The pictures are compiled into kelm_shell, so every layer and
// test sees them. An unknown name gives a path that loads as a null pixmap: the button is
// simply left without a glyph.
QString kelmBitmapPath(const QString &name);

// Every bitmap name the program uses.
const QStringList &kelmBitmapNames();
