#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

class QWidget;

// Renders an SVG resource at `logicalSize` (aspect kept) and at the widget's
// device pixel ratio. Returns a null pixmap for an invalid SVG or empty size.
QPixmap renderSvgPixmap(const QString &path, const QSize &logicalSize, const QWidget *widget);
