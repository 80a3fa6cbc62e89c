// Draws the application icon's SVG as a square PNG of one size. The build makes every installed
// bitmap with it, so the bitmaps can never drift from the drawing.
//
//   ostrel_icon_render <icon.svg> <side in pixels> <out.png>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: ostrel_icon_render <icon.svg> <side> <out.png>\n", stderr);
        return 2;
    }
    bool number = false;
    const int side = QString::fromLocal8Bit(argv[2]).toInt(&number);
    if (!number || side < 1 || side > 1024) {
        std::fprintf(stderr, "ostrel_icon_render: “%s” is not a side in pixels\n", argv[2]);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "ostrel_icon_render: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }
    if (!image.convertToFormat(QImage::Format_ARGB32)
             .save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "ostrel_icon_render: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
