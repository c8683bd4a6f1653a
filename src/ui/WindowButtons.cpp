#include "ui/WindowButtons.h"

#include "ui/mainlayoutgeometry.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace {

const QColor kGlyph(0xA0, 0xA2, 0xA3);

enum class Glyph
{
    Minimise,
    Close
};

QIcon glyphIcon(Glyph glyph, int side, qreal ratio)
{
    QPixmap pixmap(qRound(side * ratio), qRound(side * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kGlyph, std::max(1.0, side / 14.0), Qt::SolidLine, Qt::RoundCap));
    const qreal c = side / 2.0;
    const qreal r = side / 7.0;
    if (glyph == Glyph::Minimise) {
        painter.drawLine(QPointF(c - r, c), QPointF(c + r, c));
    } else {
        painter.drawLine(QPointF(c - r, c - r), QPointF(c + r, c + r));
        painter.drawLine(QPointF(c - r, c + r), QPointF(c + r, c - r));
    }
    return QIcon(pixmap);
}

QPushButton *makeButton(const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setCursor(Qt::PointingHandCursor);
    // Keyboard focus only: a click must not leave a focus ring behind.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

WindowButtons::WindowButtons(QWidget *header) : QWidget(header), m_header(header)
{
    setObjectName(QStringLiteral("windowButtons"));
    m_minimise = makeButton(tr("Minimise"), this);
    m_close = makeButton(tr("Close"), this);
    connect(m_minimise, &QPushButton::clicked, this, [this] { window()->showMinimized(); });
    connect(m_close, &QPushButton::clicked, this, [this] { window()->close(); });
    header->installEventFilter(this);
    relayout();
    raise();
}

bool WindowButtons::inHeader(const QPoint &pos) const
{
    return pos.y() >= 0 && pos.y() < layout::mainGeometry(m_header->size()).knobArea.top();
}

bool WindowButtons::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_header)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        relayout();
        break;
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressPos = mouse->position().toPoint();
        m_dragArmed = mouse->button() == Qt::LeftButton && inHeader(m_pressPos);
        break;
    }
    case QEvent::MouseMove: {
        // A click stays a click (the logo counts them); only a real drag moves.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_dragArmed && (mouse->position().toPoint() - m_pressPos).manhattanLength() >=
                               QApplication::startDragDistance()) {
            m_dragArmed = false;
            if (QWindow *handle = window()->windowHandle())
                handle->startSystemMove();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_dragArmed = false;
        break;
    default:
        break;
    }
    return false;
}

void WindowButtons::relayout()
{
    const layout::MainGeometry g = layout::mainGeometry(m_header->size());
    const int side = layout::scaled(44, g.sx, 24);
    const int gap = layout::scaled(8, g.sx, 4);
    const int margin = layout::scaled(32, g.sx, 12);
    const int radius = g.buttonRadius;
    setGeometry(m_header->width() - margin - 2 * side - gap, g.saveButton.center().y() - side / 2,
                2 * side + gap, side);
    m_minimise->setGeometry(0, 0, side, side);
    m_close->setGeometry(side + gap, 0, side, side);

    const qreal ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    const QString style =
        QStringLiteral("QPushButton { background: transparent; border: none; border-radius: %1px; }"
                       "QPushButton:hover { background-color: #272A2B; }"
                       "QPushButton:pressed { background-color: #1C1C1C; }"
                       "QPushButton:focus { border: 1px solid #BEF449; }")
            .arg(radius);
    for (QPushButton *button : {m_minimise, m_close}) {
        button->setStyleSheet(button == m_close
                                  ? style + QStringLiteral("QPushButton:hover { background-color: "
                                                           "#C42B1C; }")
                                  : style);
        button->setIconSize(QSize(side, side));
    }
    m_minimise->setIcon(glyphIcon(Glyph::Minimise, side, ratio));
    m_close->setIcon(glyphIcon(Glyph::Close, side, ratio));
}
