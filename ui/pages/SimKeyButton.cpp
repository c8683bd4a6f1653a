#include "ui/pages/SimKeyButton.h"

#include "ui/pages/pagerules.h"
#include "ui/textfit.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
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
    updateVisualState();
}

void SimKeyButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    updateVisualState();
}

void SimKeyButton::setFontFamily(const QString &family)
{
    m_fontFamily = family;
    updateVisualState();
}

void SimKeyButton::setFontPixelSizeRange(int a, int b)
{
    if (a < 1 || b < 1)
        return;
    m_minFontPixelSize = std::min(a, b);
    m_maxFontPixelSize = std::max(a, b);
    updateVisualState();
}

void SimKeyButton::setBorderRadius(int radius)
{
    if (radius < 0)
        return;
    m_borderRadius = radius;
    updateVisualState();
}

void SimKeyButton::setBorderWidth(int width)
{
    if (width < 0)
        return;
    m_borderWidth = width;
    updateVisualState();
}

void SimKeyButton::setFixedFontSize(bool fixed)
{
    m_fixedFontSize = fixed;
    updateVisualState();
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
    updateVisualState();
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

int SimKeyButton::resolvedFontPixelSize() const
{
    SimKeyFontInput in;
    in.width = width();
    in.height = height();
    in.minimum = m_minFontPixelSize;
    in.maximum = m_maxFontPixelSize;
    in.fixed = m_fixedFontSize;
    in.hasIcon = hasTopIcon();

    QFont f = font();
    if (!m_fontFamily.isEmpty())
        f.setFamily(m_fontFamily);
    f.setWeight(QFont::Medium);
    // "&&" is how a button shows one ampersand; measure what is shown.
    QString shown = text();
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QStringList lines = shown.split(QLatin1Char('\n'));
    return simKeyFontPixelSize(in, [&f, &lines](int px) {
        QFont sized = f;
        sized.setPixelSize(px);
        const QFontMetrics fm(sized);
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        return widest;
    });
}

QString SimKeyButton::shownText() const
{
    QString plain = text();
    plain.replace(QStringLiteral("&&"), QStringLiteral("&"));
    // The style sheet's font is the widget's font once polished.
    const QFontMetrics fm(font());
    // The style clips the text to the padded contents.
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

void SimKeyButton::updateVisualState()
{
    // While hidden only the last state counts: the setters and the layouts
    // that come before the key is shown would each fit the text for nothing.
    if (!isVisible()) {
        m_stylePending = true;
        return;
    }
    applyVisualState();
}

void SimKeyButton::applyVisualState()
{
    SimKeyStyle s;
    s.colors = simKeyColors(isEnabled(), m_pressed, m_selected, m_hovered);
    s.fontFamily = m_fontFamily;
    s.fontPixelSize = resolvedFontPixelSize();
    s.horizontalPadding = resolvedHorizontalPadding();
    s.borderRadius = m_borderRadius;
    s.borderWidth = m_borderWidth;
    s.topPadding = simKeyTopPadding(height(), s.fontPixelSize, hasTopIcon());
    const QString sheet = simKeyStyleSheet(s);
    // Re-polishing is costly; hover and resize storms often produce the same sheet.
    if (sheet != styleSheet())
        setStyleSheet(sheet);
}

void SimKeyButton::mousePressEvent(QMouseEvent *event)
{
    QPushButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    updateVisualState();
}

void SimKeyButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPushButton::mouseReleaseEvent(event);
    m_pressed = false;
    updateVisualState();
}

void SimKeyButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    m_hovered = true;
    updateVisualState();
}

void SimKeyButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    m_hovered = false;
    updateVisualState();
}

void SimKeyButton::paintEvent(QPaintEvent *)
{
    {
        QStylePainter label(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text = shownText();
        label.drawControl(QStyle::CE_PushButton, option);
    }
    if (!m_topIconRenderer || !m_topIconRenderer->isValid())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool large = m_topIconPath.contains(QStringLiteral("volume_higher.svg"));
    m_topIconRenderer->render(&p, simKeyIconRect(size(), m_topIconRenderer->defaultSize(), large));
}

void SimKeyButton::resizeEvent(QResizeEvent *event)
{
    QPushButton::resizeEvent(event);
    updateVisualState();
}

void SimKeyButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateVisualState();
}

bool SimKeyButton::event(QEvent *event)
{
    // A grab of a hidden key polishes it without showing it.
    if ((event->type() == QEvent::Polish || event->type() == QEvent::Show) && m_stylePending) {
        m_stylePending = false;
        applyVisualState();
    }
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
