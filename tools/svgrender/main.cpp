// svgrender INPUT.svg OUTPUT.png WIDTH HEIGHT
//
// Renders the whole SVG document into a transparent WIDTH x HEIGHT picture. The skin's sources
// are drawn on a grid of exactly that many units, so one unit is one pixel and strokes that sit on
// half units stay sharp. Text is not supported: lettering in the sources is outlined.

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool ParseSize(const char* text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 1 || parsed > 4096)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int width = 0;
    int height = 0;
    if (argc != 5 || !ParseSize(argv[3], width) || !ParseSize(argv[4], height)) {
        std::fprintf(stderr, "usage: svgrender INPUT.svg OUTPUT.png WIDTH HEIGHT\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svgrender: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, width, height));
    }
    // Written beside the target and renamed, so an interrupted build never leaves half a picture.
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QString partial = output + QStringLiteral(".part");
    if (!image.convertToFormat(QImage::Format_ARGB32).save(partial, "PNG")) {
        QFile::remove(partial);
        std::fprintf(stderr, "svgrender: cannot write %s\n", argv[2]);
        return 1;
    }
    QFile::remove(output);
    if (!QFile::rename(partial, output)) {
        QFile::remove(partial);
        std::fprintf(stderr, "svgrender: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
