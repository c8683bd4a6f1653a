#include "ui/pages/SimKeyButton.h"

#include "ui/pages/pagerules.h"
#include "ui/textfit.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolTip>

#include <algorithm>

SimKeyButton::SimKeyButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    // Keyboard focus only: a click must not leave a focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setCheckable(false);
    setFlat(true);
}

void SimKeyButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void SimKeyButton::setFontFamily(const QString &family)
{
    m_fontFamily = family;
    update();
}

void SimKeyButton::setFontPixelSizeRange(int a, int b)
{
    if (a < 1 || b < 1)
        return;
    m_minFontPixelSize = std::min(a, b);
    m_maxFontPixelSize = std::max(a, b);
    update();
}

void SimKeyButton::setBorderRadius(int radius)
{
    if (radius < 0)
        return;
    m_borderRadius = radius;
    update();
}

void SimKeyButton::setBorderWidth(int width)
{
    if (width < 0)
        return;
    m_borderWidth = width;
    update();
}

void SimKeyButton::setFixedFontSize(bool fixed)
{
    m_fixedFontSize = fixed;
    update();
}

void SimKeyButton::setTopIconSvg(const QString &path)
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

bool SimKeyButton::hasTopIcon() const
{
    return m_topIconRenderer != nullptr;
}

int SimKeyButton::resolvedHorizontalPadding() const
{
    return simKeyHorizontalPadding(width());
}

QFont SimKeyButton::keyFont(int pixelSize) const
{
    QFont f = font();
    // An unnamed family keeps the one key caps have always asked for; where it
    // is missing, the font system picks the same fallback for every key.
    f.setFamily(m_fontFamily.isEmpty() ? QStringLiteral("Microsoft YaHei") : m_fontFamily);
    f.setWeight(QFont::Medium);
    f.setPixelSize(pixelSize);
    return f;
}

int SimKeyButton::resolvedFontPixelSize() const
{
    return fittedFont().pixelSize();
}

QFont SimKeyButton::fittedFont() const
{
    const FitKey key{text(),          size(),       m_minFontPixelSize, m_maxFontPixelSize,
                     m_fixedFontSize, hasTopIcon(), m_fontFamily};
    if (m_fitPixelSize > 0 && key == m_fitKey)
        return keyFont(m_fitPixelSize);

    SimKeyFontInput in;
    in.width = key.size.width();
    in.height = key.size.height();
    in.minimum = key.minimum;
    in.maximum = key.maximum;
    in.fixed = key.fixed;
    in.hasIcon = key.hasIcon;
    // "&&" is how a button shows one ampersand; measure what is shown.
    QString shown = key.text;
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QStringList lines = shown.split(QLatin1Char('\n'));
    m_fitPixelSize = simKeyFontPixelSize(in, [this, &lines](int px) {
        const QFontMetrics fm(keyFont(px));
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        return widest;
    });
    m_fitKey = key;
    return keyFont(m_fitPixelSize);
}

QString SimKeyButton::shownText() const
{
    QString plain = text();
    plain.replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QFontMetrics fm(fittedFont());
    // The text is clipped to the padded contents.
    const int available = width() - 2 * resolvedHorizontalPadding() - 2 * m_borderWidth;
    int widest = 0;
    const QStringList lines = plain.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    if (widest <= available || available < 3)
        return text();
    QString shown;
    const int room = height() - simKeyTopPadding(height(), fm.height(), hasTopIcon()) - 2 * m_borderWidth;
    if (lines.size() == 1 && 2 * fm.lineSpacing() <= room)
        shown = textfit::wrapInTwoLines(plain, fm, available);
    if (shown.isEmpty())
        shown = textfit::elide(lines.join(QLatin1Char(' ')), fm, available);
    return shown.replace(QStringLiteral("&"), QStringLiteral("&&"));
}

void SimKeyButton::mousePressEvent(QMouseEvent *event)
{
    QPushButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    update();
}

void SimKeyButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPushButton::mouseReleaseEvent(event);
    m_pressed = false;
    update();
}

void SimKeyButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    m_hovered = true;
    update();
}

void SimKeyButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    m_hovered = false;
    update();
}

void SimKeyButton::paintEvent(QPaintEvent *)
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

    const QFont font = fittedFont();
    const int padding = resolvedHorizontalPadding();
    const int top = simKeyTopPadding(height(), font.pixelSize(), hasTopIcon());
    const QRect text = rect().adjusted(m_borderWidth + padding, m_borderWidth + top, -m_borderWidth - padding,
                                       -m_borderWidth);
    p.setFont(font);
    p.setPen(colors.text);
    p.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic, shownText());

    if (!m_topIconRenderer || !m_topIconRenderer->isValid())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool large = m_topIconPath.contains(QStringLiteral("volume_higher.svg"));
    m_topIconRenderer->render(&p, simKeyIconRect(size(), m_topIconRenderer->defaultSize(), large));
}

void SimKeyButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

bool SimKeyButton::event(QEvent *event)
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
