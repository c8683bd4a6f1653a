#include "ui/svgpixmap.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>

#include <cmath>

QPixmap renderSvgPixmap(const QString &path, const QSize &logicalSize, const QWidget *widget)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return QPixmap();

    const QSize defaultSize = renderer.defaultSize();
    QSize size;
    if (!logicalSize.isValid())
        size = defaultSize;
    else if (defaultSize.isValid() && !defaultSize.isEmpty())
        size = defaultSize.scaled(logicalSize, Qt::KeepAspectRatio);
    else
        size = logicalSize;
    if (size.isEmpty())
        return QPixmap();

    qreal ratio = widget ? widget->devicePixelRatioF() : 1.0;
    if (!(ratio > 0.0))
        ratio = 1.0;

    QPixmap pixmap(int(std::lround(size.width() * ratio)), int(std::lround(size.height() * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}
