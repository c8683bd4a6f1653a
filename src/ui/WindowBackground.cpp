#include "ui/WindowBackground.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>

namespace {
const QString kConnectedPath = QStringLiteral(":/asset/Background.svg");
}

WindowBackground::WindowBackground(QWidget *window)
    : QObject(window), m_window(window), m_renderer(new QSvgRenderer(this))
{}

QSize WindowBackground::designSize()
{
    const QSvgRenderer background(kConnectedPath);
    if (background.isValid() && !background.defaultSize().isEmpty())
        return background.defaultSize();
    return QSize(1920, 1080);
}

void WindowBackground::setConnected(bool connected)
{
    const QString path = connected ? kConnectedPath : QStringLiteral(":/asset/disconnected_bg.svg");
    if (path == m_path)
        return;
    m_path = path;
    // Without its own picture the disconnected look borrows the connected one.
    if (!m_renderer->load(path) && !connected)
        m_renderer->load(kConnectedPath);
    m_window->update();
}

void WindowBackground::paint(QPainter &painter) const
{
    if (!m_renderer->isValid())
        return;
    const QSize picture = m_renderer->defaultSize().scaled(m_window->size(), Qt::KeepAspectRatio);
    if (picture.isEmpty())
        return;
    // Where a label would put it: at the left edge, centred vertically.
    m_renderer->render(&painter,
                       QRectF(QPointF(0, (m_window->height() - picture.height()) / 2), QSizeF(picture)));
}
