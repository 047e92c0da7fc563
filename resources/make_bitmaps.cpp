// Draws the workbench's button glyphs and logo into PNG files. The PNGs are committed; run this
// only to change a picture, from the repository root:
//   cmake --build build --target kelm_make_bitmaps
//   QT_QPA_PLATFORM=offscreen build/app/kelm_make_bitmaps resources/bitmaps
// Every "Gray" glyph is its "Color" glyph desaturated and faded, so the two looks of a button
// always match in shape.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kGlyph = 32;

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void outline(QPainter &p, const QColor &c, qreal w = 1.2)
{
    p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

// A page with a folded corner, the base of several glyphs.
void drawPage(QPainter &p, const QRectF &r, const QColor &fill)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    outline(p, QColor(70, 80, 95));
    p.setBrush(fill);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(200, 210, 222));
    p.drawPath(corner);
}

// A thick arrow from a to b with a triangular head.
void drawArrow(QPainter &p, QPointF a, QPointF b, const QColor &c, qreal width = 4.0)
{
    const QLineF shaft(a, b);
    const qreal head = width * 2.2;
    QLineF back(b, a);
    back.setLength(head);
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QLineF(a, back.p2()));
    QLineF side1 = back;
    side1.setAngle(back.angle() + 32);
    QLineF side2 = back;
    side2.setAngle(back.angle() - 32);
    p.setPen(QPen(c.darker(130), 1.0));
    p.setBrush(c);
    p.drawPolygon(QPolygonF({b, side1.p2(), side2.p2()}));
}

QImage drawOpen()
{
    QImage img = blank(kGlyph, kGlyph);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Folder back with its tab.
    outline(p, QColor(150, 100, 10));
    p.setBrush(QColor(235, 180, 50));
    QPainterPath back;
    back.moveTo(2.5, 9.5);
    back.lineTo(10.5, 9.5);
    back.lineTo(13.5, 12.5);
    back.lineTo(25.5, 12.5);
    back.lineTo(25.5, 28.5);
    back.lineTo(2.5, 28.5);
    back.closeSubpath();
    p.drawPath(back);
    // Open front flap.
    p.setBrush(QColor(250, 210, 90));
    p.drawPolygon(
        QPolygonF({QPointF(2.5, 28.5), QPointF(7.5, 16.5), QPointF(30.5, 16.5), QPointF(25.5, 28.5)}));
    // Up arrow: the file goes up into the device.
    drawArrow(p, QPointF(21, 13), QPointF(21, 1.5), QColor(30, 110, 220), 3.5);
    return img;
}

QImage drawSave()
{
    QImage img = blank(kGlyph, kGlyph);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    outline(p, QColor(20, 40, 90));
    p.setBrush(QColor(45, 95, 190));
    QPainterPath disk;
    disk.moveTo(3.5, 3.5);
    disk.lineTo(24.5, 3.5);
    disk.lineTo(28.5, 7.5);
    disk.lineTo(28.5, 28.5);
    disk.lineTo(3.5, 28.5);
    disk.closeSubpath();
    p.drawPath(disk);
    // Shutter.
    p.setBrush(QColor(205, 212, 222));
    p.drawRect(QRectF(9.5, 3.5, 12, 8));
    p.setBrush(QColor(45, 95, 190));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(17, 5, 3, 5));
    // Label.
    outline(p, QColor(20, 40, 90));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 16.5, 17, 12));
    outline(p, QColor(150, 160, 175), 1.0);
    p.drawLine(QPointF(10, 20.5), QPointF(22, 20.5));
    p.drawLine(QPointF(10, 24.5), QPointF(22, 24.5));
    return img;
}

QImage drawAnalysis()
{
    QImage img = blank(kGlyph, kGlyph);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawPage(p, QRectF(3.5, 2.5, 19, 25), Qt::white);
    // Text lines on the page.
    outline(p, QColor(120, 130, 145), 1.0);
    for (qreal y : {10.5, 14.5, 18.5})
        p.drawLine(QPointF(6.5, y), QPointF(17.5, y));
    // Magnifier.
    p.setPen(QPen(QColor(110, 70, 30), 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(23.5, 23.5), QPointF(29.5, 29.5));
    p.setPen(QPen(QColor(30, 120, 60), 2.4));
    p.setBrush(QColor(170, 230, 190, 200));
    p.drawEllipse(QPointF(19, 19), 6.5, 6.5);
    return img;
}

// Two pages, the copy drawn onto the original, and an arrow in the copy's direction.
QImage drawCopy(bool up)
{
    QImage img = blank(kGlyph, kGlyph);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor arrow(0, 150, 70);
    if (up) {
        drawPage(p, QRectF(12.5, 14.5, 14, 16), QColor(225, 235, 250));
        drawPage(p, QRectF(4.5, 1.5, 14, 16), QColor(255, 255, 255));
        drawArrow(p, QPointF(24, 13), QPointF(24, 1.5), arrow, 3.5);
    } else {
        drawPage(p, QRectF(16.5, 8.5, 14, 18), QColor(225, 235, 250));
        drawPage(p, QRectF(1.5, 8.5, 14, 18), QColor(255, 255, 255));
        drawArrow(p, QPointF(30, 4.5), QPointF(10, 4.5), arrow, 3.5);
    }
    return img;
}

QImage drawModify()
{
    QImage img = blank(kGlyph, kGlyph);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawPage(p, QRectF(3.5, 2.5, 20, 26), Qt::white);
    // A pencil across the page.
    p.save();
    p.translate(19, 17);
    p.rotate(-45);
    outline(p, QColor(90, 60, 10));
    p.setBrush(QColor(245, 190, 40));
    p.drawRect(QRectF(-9, -3, 17, 6));
    p.setBrush(QColor(230, 110, 110));
    p.drawRect(QRectF(8, -3, 4, 6));
    p.setBrush(QColor(240, 215, 170));
    p.drawPolygon(QPolygonF({QPointF(-9, -3), QPointF(-15, 0), QPointF(-9, 3)}));
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(-13, -1), QPointF(-15, 0), QPointF(-13, 1)}));
    p.restore();
    return img;
}

QImage drawBrandNew()
{
    QImage img = blank(kGlyph, kGlyph);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawPage(p, QRectF(4.5, 4.5, 19, 25), Qt::white);
    // A sparkle: the page is fresh from the template.
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? 8.0 : 3.2;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(23 + r * std::cos(a), 9 + r * std::sin(a));
    }
    outline(p, QColor(170, 110, 0), 1.0);
    p.setBrush(QColor(255, 200, 30));
    p.drawPolygon(star);
    return img;
}

QImage drawLogo()
{
    QImage img = blank(76, 34);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient bg(0, 0, 0, 34);
    bg.setColorAt(0, QColor(40, 90, 170));
    bg.setColorAt(1, QColor(20, 50, 110));
    p.setPen(QPen(QColor(15, 35, 80), 1));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(0.5, 0.5, 75, 33), 6, 6);
    // A display outline on the left, the product name on the right.
    p.setPen(QPen(QColor(200, 225, 255), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6.5, 8.5, 16, 12), 1.5, 1.5);
    p.drawLine(QPointF(14.5, 20.5), QPointF(14.5, 25));
    p.drawLine(QPointF(10, 25.5), QPointF(19, 25.5));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(24, 0, 50, 34), Qt::AlignCenter, QStringLiteral("KELM"));
    return img;
}

// The unavailable look: grey, lighter and a little transparent, like a disabled tool button.
QImage grayOf(const QImage &color)
{
    QImage out = color.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            const int g = qGray(c);
            const int light = 110 + g * 130 / 255;
            line[x] = qRgba(light, light, light, qAlpha(c) * 3 / 4);
        }
    }
    return out;
}

bool save(const QDir &dir, const QString &name, const QImage &img)
{
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelm_make_bitmaps OUTPUT_FOLDER\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const std::pair<const char *, std::function<QImage()>> pairs[] = {
        {"Open", drawOpen},
        {"Save", drawSave},
        {"Analysis", drawAnalysis},
        {"CopyUp", [] { return drawCopy(true); }},
        {"CopyLeft", [] { return drawCopy(false); }},
        {"Modify", drawModify},
    };
    bool ok = true;
    for (const auto &[name, draw] : pairs) {
        const QImage color = draw();
        ok &= save(dir, QString::fromLatin1(name) + QStringLiteral("Color"), color);
        ok &= save(dir, QString::fromLatin1(name) + QStringLiteral("Gray"), grayOf(color));
    }
    ok &= save(dir, QStringLiteral("BrandNewColor"), drawBrandNew());
    ok &= save(dir, QStringLiteral("LogoSTD"), drawLogo());
    return ok ? 0 : 1;
}
