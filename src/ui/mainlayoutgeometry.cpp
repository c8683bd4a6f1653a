#include "ui/mainlayoutgeometry.h"

#include <algorithm>
#include <cmath>

namespace layout {

namespace {

// Positions given as fractions of the canvas are computed in integers from the
// design coordinate, so that the design size lands exactly on the design value.
int fraction(int length, int designValue, int designLength)
{
    return int((qint64(length) * designValue) / designLength);
}

int roundHalfUp(double v)
{
    return int(v + 0.5);
}

} // namespace

int scaled(double length, double factor, int minimum)
{
    return std::max(minimum, int(length * factor));
}

QSize statusAreaSize(const QSize &size)
{
    return QSize(std::max(120, int(370.0 * size.width() / kDesignWidth)),
                 std::max(60, int(116.0 * size.height() / kDesignHeight)));
}

MainGeometry mainGeometry(const QSize &size)
{
    const int W = size.width();
    const int H = size.height();
    MainGeometry g;
    g.sx = double(W) / kDesignWidth;
    g.sy = double(H) / kDesignHeight;
    const double sx = g.sx;
    const double sy = g.sy;

    const int buttonTop = fraction(H, 57, kDesignHeight);
    const int buttonHeight = scaled(50, sy, 30);
    g.resetButton = QRect(fraction(W, 1441, kDesignWidth), buttonTop, scaled(110, sx, 60), buttonHeight);
    g.saveButton = QRect(g.resetButton.x() + g.resetButton.width() + scaled(8, sx, 4), buttonTop,
                         scaled(177, sx, 90), buttonHeight);
    // Import and export sit left of Reset, a little narrower.
    const int buttonGap = g.saveButton.x() - g.resetButton.right() - 1;
    const int fileButtonWidth = g.resetButton.width() * 4 / 5;
    g.exportButton =
        QRect(g.resetButton.x() - buttonGap - fileButtonWidth, buttonTop, fileButtonWidth, buttonHeight);
    g.importButton = g.exportButton.translated(-fileButtonWidth - buttonGap, 0);

    const int logoSide = scaled(120, sx, 60);
    const int logoCenterY = buttonTop + buttonHeight / 2;
    g.logo = QRect(fraction(W, 184, kDesignWidth), logoCenterY - logoSide / 2, logoSide, logoSide);
    // The profile control follows the logo, clear of the centred status.
    g.profileButton =
        QRect(g.logo.right() + 1 + scaled(24, sx, 8), buttonTop, scaled(240, sx, 130), buttonHeight);

    const QSize statusSize = statusAreaSize(size);
    g.status = QRect((W - statusSize.width()) / 2, fraction(H, 24, kDesignHeight), statusSize.width(),
                     statusSize.height());

    const int knobSide = scaled(kKnobDesignSide, sx, 150);
    g.knobArea = QRect(fraction(W, 810, kDesignWidth), fraction(H, 172, kDesignHeight), knobSide, knobSide);

    g.contentStack = QRect(g.logo.x(), fraction(H, 504, kDesignHeight), fraction(W, 1552, kDesignWidth),
                           fraction(H, 496, kDesignHeight));
    g.contentStackRadius = scaled(12, sx, 6);

    g.tabBar = QRect(fraction(W, 200, kDesignWidth), fraction(H, 520, kDesignHeight), 0, scaled(52, sy, 26));

    const int switchWidth = scaled(220, sx, 110);
    const int switchRight = g.contentStack.x() + g.contentStack.width() - int(16 * sx);
    g.systemSwitch = QRect(switchRight - switchWidth, g.tabBar.y(), switchWidth, g.tabBar.height());

    // The floor width keeps a usual message on one line of the smallest font.
    g.toastSize = QSize(scaled(343, sx, 250), scaled(64, sy, 40));
    g.toastShownPos = QPoint((W - g.toastSize.width()) / 2, H / 27);
    g.toastIconSide = scaled(32, sx, 16);
    g.toastTitleFontPx = scaled(17, sx, 12);
    g.toastTextFontPx = scaled(13, sx, 10);
    const int textLeft = int(64 * sx);
    const int textWidth = std::max(int(260 * sx), g.toastSize.width() - textLeft - std::max(8, int(19 * sx)));
    // The lines keep to their fonts' floors; the toast grows to hold them.
    g.toastTitle = QRect(textLeft, int(12 * sy), textWidth, std::max(int(22 * sy), g.toastTitleFontPx + 4));
    g.toastText =
        QRect(textLeft, g.toastTitle.bottom() + 3, textWidth, std::max(int(18 * sy), g.toastTextFontPx + 4));
    g.toastSize.setHeight(std::max(g.toastSize.height(), g.toastText.bottom() + 1 + int(10 * sy)));

    g.buttonRadius = scaled(8, sx, 4);
    g.buttonBorder = scaled(1, sx, 1);
    g.buttonFontMinPx = scaled(11, sx, 8);
    g.buttonFontMaxPx = scaled(16, sx, 10);
    g.saveButtonFontPx = scaled(16, sx, 10) - 2;
    return g;
}

int tabFontPixelSize(double s)
{
    return scaled(16, s, 10);
}

int tabIconSide(double s)
{
    return scaled(16, s, 12);
}

int tabGap(double s)
{
    return scaled(6, s, 4);
}

QVector<int> tabWidths(double s, int tabCount, const QVector<int> &textWidths)
{
    const int extra = tabIconSide(s) + tabGap(s) + scaled(8, s, 8);
    QVector<int> widths;
    const int n = std::clamp(tabCount, 0, 8);
    widths.reserve(n);
    for (int i = 0; i < n; ++i) {
        int w = scaled(kBaseTabWidths[i], s, 40);
        if (i < textWidths.size())
            w = std::max(w, textWidths[i] + extra);
        widths.append(w);
    }
    return widths;
}

int tabRowWidth(double s, const QVector<int> &widths)
{
    int sum = 0;
    for (int w : widths)
        sum += w;
    return sum + (int(widths.size()) + 1) * tabGap(s);
}

QRect tabRect(int index, double s, const QVector<int> &widths, const QSize &barSize)
{
    const int n = int(widths.size());
    if (n == 0)
        return QRect();
    index = std::clamp(index, 0, n - 1);
    const int h = scaled(36, s, 18);
    const int top = std::max(0, (barSize.height() - h) / 2);
    int sum = 0;
    for (int w : widths)
        sum += w;
    // The free width is shared by n + 1 gaps; the remainder goes one unit each
    // to the leftmost gaps.
    const int free = std::max(0, barSize.width() - sum);
    const int gap = free / (n + 1);
    const int remainder = free % (n + 1);
    int x = 0;
    for (int i = 0; i <= index; ++i) {
        x += gap + (i < remainder ? 1 : 0);
        if (i < index)
            x += widths[i];
    }
    return QRect(x, top, widths[index], h);
}

QRect systemRect(int index, double s, const QSize &switchSize, const QVector<int> &contentWidths)
{
    const int macWidth = std::max(scaled(81, s, 40), contentWidths.value(0));
    const int winWidth = std::max(scaled(115, s, 60), contentWidths.value(1));
    const int h = scaled(36, s, 20);
    const int gap = scaled(8, s, 4);
    const int x0 = std::max(0, (switchSize.width() - (macWidth + gap + winWidth)) / 2);
    const int y = std::max(0, (switchSize.height() - h) / 2);
    if (index <= 0)
        return QRect(x0, y, macWidth, h);
    return QRect(x0 + macWidth + gap, y, winWidth, h);
}

int systemSwitchWidth(double s, const QVector<int> &contentWidths)
{
    const int gap = scaled(8, s, 4);
    return std::max(scaled(81, s, 40), contentWidths.value(0)) +
           std::max(scaled(115, s, 60), contentWidths.value(1)) + 3 * gap;
}

StatusRowGeometry statusRowGeometry(const QSize &statusSize, int textAdvance)
{
    const double k = statusSize.height() / 116.0;
    StatusRowGeometry g;
    g.fontPx = roundHalfUp(16 * k);
    const int d = roundHalfUp(16 * k);
    const int gap = roundHalfUp(8 * k);
    const int textWidth = textAdvance + roundHalfUp(4 * k);
    const int x0 = (statusSize.width() - d - gap - textWidth) / 2;
    const int centerY = roundHalfUp(45 * k);
    g.dot = QRect(x0, centerY - d / 2, d, d);
    g.text = QRect(x0 + d + gap, centerY - roundHalfUp(14 * k), textWidth, roundHalfUp(28 * k));
    return g;
}

QRect knobKeyLabelRect(int knobKey, int side)
{
    const double r = double(side) / kKnobDesignSide;
    // The floors keep two short names ("Volume +") on one line of the
    // smallest font; the corners above and below the dial have the room.
    const int w = std::max(int(74 * r), 56);
    const int h = std::max(int(29 * r), 16);
    const int m = int(16 * r);
    switch (knobKey) {
    case 1:
        return QRect(m, m, w, h);
    case 2:
        return QRect(side - m - w, m, w, h);
    case 3:
        return QRect(m, side - h - m, w, h);
    case 4:
        return QRect(side - m - w, side - h - m, w, h);
    case 5:
        return QRect((side - w) / 2, (side - h) / 2, w, h);
    default:
        return QRect();
    }
}

KnobSelectionStyle knobSelectionStyle(int knobAreaWidth)
{
    const double r = (knobAreaWidth > 0 ? knobAreaWidth : kKnobDesignSide) / double(kKnobDesignSide);
    return KnobSelectionStyle{scaled(4, r, 2), scaled(12, r, 8), scaled(2, r, 1)};
}

QPoint cleanIconPos(const QRect &label, const QSize &iconSize)
{
    return QPoint(label.x() + label.width() - iconSize.width() / 2, label.y() - iconSize.height() / 2);
}

DialLayout dialLayout(int knobAreaWidth)
{
    const double W = knobAreaWidth;
    DialLayout d;
    d.pictureSide = std::max(1, int(0.673 * W));
    d.shadowRadius = 0.04 * W;
    d.shadowOffset = 0.01 * W;
    const int side = d.pictureSide + 2 * int(0.04 * W + 0.01 * W + 1);
    d.geometry = QRect((knobAreaWidth - side) / 2, (knobAreaWidth - side) / 2, side, side);
    return d;
}

BubbleMetrics bubbleMetrics(int contentWidth)
{
    const double s = double(contentWidth) / kDesignWidth;
    return BubbleMetrics{scaled(154, s, 100), scaled(90, s, 60), scaled(8, s, 4), scaled(16, s, 10),
                         scaled(48, s, 24)};
}

QRect bubbleGeometry(int knobKey, const QRect &knobArea, int labelCenterY, int textHeight, int contentWidth,
                     const QSize &container)
{
    const BubbleMetrics m = bubbleMetrics(contentWidth);
    const int h = std::max(m.minHeight, textHeight + 2 * m.padding);
    const bool right = knobKey == 2 || knobKey == 4 || knobKey == 5;
    int x = right ? knobArea.x() + knobArea.width() + m.gap : knobArea.x() - m.gap - m.width;
    int y = labelCenterY - h / 2;
    x = std::clamp(x, 0, std::max(0, container.width() - m.width));
    y = std::clamp(y, 0, std::max(0, container.height() - h));
    return QRect(x, y, m.width, h);
}

} // namespace layout
