#include "ui/pages/PaintedButton.h"

#include "ui/pages/pagerules.h"
#include "ui/textfit.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolTip>

#include <algorithm>

PaintedButton::PaintedButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    // Keyboard focus only: a click must not leave a focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setCheckable(false);
    setFlat(true);
}

void PaintedButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void PaintedButton::setFontFamily(const QString &family)
{
    m_fontFamily = family;
    update();
}

void PaintedButton::setFontPixelSizeRange(int a, int b)
{
    if (a < 1 || b < 1)
        return;
    m_minFontPixelSize = std::min(a, b);
    m_maxFontPixelSize = std::max(a, b);
    update();
}

void PaintedButton::setBorderRadius(int radius)
{
    if (radius < 0)
        return;
    m_borderRadius = radius;
    update();
}

void PaintedButton::setBorderWidth(int width)
{
    if (width < 0)
        return;
    m_borderWidth = width;
    update();
}

void PaintedButton::setFixedFontSize(bool fixed)
{
    m_fixedFontSize = fixed;
    update();
}

void PaintedButton::setTopIconSvg(const QString &path)
{
    if (!path.isEmpty()) {
        if (!m_topIconRenderer)
            m_topIconRenderer = new QSvgRenderer(this);
        m_topIconRenderer->load(path);
        m_topIconPath = path;
    } else {
        delete m_topIconRenderer;
        m_topIconRenderer = nullptr;
        m_topIconPath.clear();
    }
    update();
}

bool PaintedButton::hasTopIcon() const
{
    return m_topIconRenderer != nullptr;
}

int PaintedButton::resolvedHorizontalPadding() const
{
    return simKeyHorizontalPadding(width());
}

QFont PaintedButton::keyFont(int pixelSize) const
{
    QFont f = font();
    // An unnamed family keeps the one key caps have always asked for; where it
    // is missing, the font system picks the same fallback for every key.
    f.setFamily(m_fontFamily.isEmpty() ? QStringLiteral("Microsoft YaHei") : m_fontFamily);
    f.setWeight(QFont::Medium);
    f.setPixelSize(pixelSize);
    return f;
}

int PaintedButton::resolvedFontPixelSize() const
{
    fit();
    return m_fitFont.pixelSize();
}

QString PaintedButton::shownText() const
{
    fit();
    return m_fitShown;
}

void PaintedButton::fit() const
{
    FitInputs inputs{text(),        size(),          m_minFontPixelSize, m_maxFontPixelSize,
                     m_borderWidth, m_fixedFontSize, hasTopIcon(),       m_fontFamily};
    if (m_fitInputs == inputs)
        return;
    m_fitInputs = std::move(inputs);

    // "&&" is how a button shows one ampersand; measure what is shown.
    QString plain = text();
    plain.replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QStringList lines = plain.split(QLatin1Char('\n'));
    const auto widestAt = [&lines](const QFontMetrics &fm) {
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        return widest;
    };
    SimKeyFontInput in;
    in.width = width();
    in.height = height();
    in.minimum = m_minFontPixelSize;
    in.maximum = m_maxFontPixelSize;
    in.fixed = m_fixedFontSize;
    in.hasIcon = hasTopIcon();
    m_fitFont = keyFont(simKeyFontPixelSize(in, [&](int px) { return widestAt(QFontMetrics(keyFont(px))); }));

    // Text too wide even at the smallest size is wrapped or elided, within the padded contents.
    const QFontMetrics fm(m_fitFont);
    const int available = width() - 2 * resolvedHorizontalPadding() - 2 * m_borderWidth;
    if (widestAt(fm) <= available || available < 3) {
        m_fitShown = text();
        return;
    }
    QString shown;
    const int room = height() - simKeyTopPadding(height(), fm.height(), hasTopIcon()) - 2 * m_borderWidth;
    if (lines.size() == 1 && 2 * fm.lineSpacing() <= room)
        shown = textfit::wrapInTwoLines(plain, fm, available);
    if (shown.isEmpty())
        shown = textfit::elide(lines.join(QLatin1Char(' ')), fm, available);
    m_fitShown = shown.replace(QStringLiteral("&"), QStringLiteral("&&"));
}

void PaintedButton::mousePressEvent(QMouseEvent *event)
{
    QPushButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    update();
}

void PaintedButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPushButton::mouseReleaseEvent(event);
    m_pressed = false;
    update();
}

void PaintedButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    m_hovered = true;
    update();
}

void PaintedButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    m_hovered = false;
    update();
}

void PaintedButton::paintEvent(QPaintEvent *)
{
    const SimKeyColors colors = simKeyColors(isEnabled(), m_pressed, m_selected, m_hovered);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The border lies inside the key's edge; the radius is the outer one.
    const qreal half = m_borderWidth / 2.0;
    const qreal radius = std::max<qreal>(0, m_borderRadius - half);
    p.setPen(m_borderWidth > 0 ? QPen(colors.border, m_borderWidth) : QPen(Qt::NoPen));
    p.setBrush(colors.background);
    p.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), radius, radius);

    fit();
    const int padding = resolvedHorizontalPadding();
    const int top = simKeyTopPadding(height(), m_fitFont.pixelSize(), hasTopIcon());
    const QRect text = rect().adjusted(m_borderWidth + padding, m_borderWidth + top, -m_borderWidth - padding,
                                       -m_borderWidth);
    p.setFont(m_fitFont);
    p.setPen(colors.text);
    p.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic, m_fitShown);

    if (!m_topIconRenderer || !m_topIconRenderer->isValid())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool large = m_topIconPath.contains(QStringLiteral("volume_higher.svg"));
    m_topIconRenderer->render(&p, simKeyIconRect(size(), m_topIconRenderer->defaultSize(), large));
}

bool PaintedButton::event(QEvent *event)
{
    // An elided text shows the full one when no tooltip was set for the key.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const QString shown = shownText();
        if (shown.contains(QChar(0x2026)) && shown != text()) {
            QString full = text();
            full.replace(QStringLiteral("&&"), QStringLiteral("&"));
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), full, this);
            return true;
        }
    }
    return QPushButton::event(event);
}
