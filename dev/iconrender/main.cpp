// vx_iconrender SOURCE.svg OUT.png SIZE: renders the whole picture into a
// transparent SIZE x SIZE image, each size straight from the drawing so small
// icons stay crisp.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: vx_iconrender SOURCE.svg OUT.png SIZE\n");
        return 2;
    }
    // No display is needed to paint into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const int size = QString::fromLocal8Bit(argv[3]).toInt();
    if (size <= 0 || size > 4096) {
        std::fprintf(stderr, "vx_iconrender: bad size '%s'\n", argv[3]);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "vx_iconrender: cannot read '%s'\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "vx_iconrender: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
