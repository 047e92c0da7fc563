#include "shell/Bitmaps.h"

QString kelmBitmapPath(const QString &name)
{
    return QStringLiteral(":/bitmaps/") + name + QStringLiteral(".png");
}

const QStringList &kelmBitmapNames()
{
    static const QStringList names = {
        QStringLiteral("LogoSTD"),       QStringLiteral("OpenColor"),     QStringLiteral("OpenGray"),
        QStringLiteral("SaveColor"),     QStringLiteral("SaveGray"),      QStringLiteral("AnalysisColor"),
        QStringLiteral("AnalysisGray"),  QStringLiteral("CopyUpColor"),   QStringLiteral("CopyUpGray"),
        QStringLiteral("CopyLeftColor"), QStringLiteral("CopyLeftGray"),  QStringLiteral("ModifyColor"),
        QStringLiteral("ModifyGray"),    QStringLiteral("BrandNewColor"),
    };
    return names;
}
