#include "ui/StatusArea.h"

#include "ui/RoundedFill.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/svgpixmap.h"
#include "ui/textcolour.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace {

QFont statusFont(int pixelSize)
{
    QFont font(QStringLiteral("PingFang SC"));
    font.setPixelSize(std::max(1, pixelSize));
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace

StatusArea::StatusArea(QWidget *window, const QSize &designSize)
    : QWidget(window), m_window(window), m_designSize(designSize)
{
    setObjectName(QStringLiteral("StatusArea"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("Status"));
    m_statusLabel->setScaledContents(true);
    m_statusLabel->setAlignment(Qt::AlignCenter);

    m_statusDot = new QLabel(m_statusLabel);
    m_statusDot->setObjectName(QStringLiteral("statusDot"));

    m_statusText = new QLabel(tr("Not Connected"), m_statusLabel);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextColour(m_statusText, Qt::white);

    m_linkLabel = new QLabel(m_statusLabel);
    m_linkLabel->setObjectName(QStringLiteral("linkText"));
    m_linkLabel->setAlignment(Qt::AlignCenter);
    setTextColour(m_linkLabel, Qt::white);
    m_linkLabel->hide();

    m_permissionHintLabel = new QLabel(this);
    m_permissionHintLabel->setObjectName(QStringLiteral("permissionHint"));
    m_permissionHintLabel->setAlignment(Qt::AlignCenter);
    m_permissionHintLabel->setWordWrap(true);
    m_permissionHintLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextColour(m_permissionHintLabel, QColor(0xC8, 0x59, 0x3B));
    m_permissionHintLabel->hide();
}

void StatusArea::setPermissionHintVisible(bool visible, const QString &text)
{
    m_permissionHintLabel->setText(text);
    m_permissionHintLabel->setVisible(visible);
    relayout();
}

void StatusArea::layoutStatusWidgets(const QSize &rowSize)
{
    const double k = rowSize.height() / 116.0;
    const QFont font = statusFont(int(16 * k + 0.5));
    m_statusText->setFont(font);
    const layout::StatusRowGeometry row =
        layout::statusRowGeometry(rowSize, QFontMetrics(font).horizontalAdvance(m_statusText->text()));
    m_statusDot->setGeometry(row.dot);
    RoundedFill::of(m_statusDot)
        ->set(showsDemo()                  ? QColor(0xE8, 0xA3, 0x3C)
              : m_connectedLook && !m_demo ? QColor(0xBE, 0xF4, 0x49)
                                           : QColor(0x9A, 0x9A, 0x9A),
              row.dot.width() / 2);
    m_statusText->setGeometry(row.text);
}

void StatusArea::setDisconnectedWidgetsVisible(bool visible)
{
    m_statusDot->setVisible(visible);
    m_statusText->setVisible(visible);
}

void StatusArea::relayout()
{
    const int width = m_window->width();
    const QSize size = layout::statusAreaSize(m_window->size());
    const QRect row(QPoint((width - size.width()) / 2, int(m_window->height() * 0.022222222222222223)), size);

    // Under the status row, above the knob, in the error colour of the toasts;
    // clear of the header buttons, with the lines its font floor needs.
    const double s = double(width) / m_designSize.width();
    const layout::MainGeometry g = layout::mainGeometry(m_window->size());
    const int w = std::min(int(760 * s), 2 * (g.importButton.x() - width / 2) - g.buttonRadius * 2);
    const int px = std::max(9, int(14 * s + 0.5));
    QFont font = m_permissionHintLabel->font();
    font.setPixelSize(px);
    m_permissionHintLabel->setFont(font);
    const int lines =
        QFontMetrics(font)
            .boundingRect(QRect(0, 0, w, 10000), Qt::TextWordWrap, m_permissionHintLabel->text())
            .height();
    const int h = std::max({14, int(40 * s), lines + 2});
    const QRect hint((width - w) / 2, row.y() + int(size.height() * 0.68), w, h);
    const QRect area = row.united(hint);
    setGeometry(area);
    m_statusLabel->setGeometry(row.translated(-area.topLeft()));
    m_permissionHintLabel->setGeometry(hint.translated(-area.topLeft()));
    m_permissionHintLabel->raise();

    // The connected picture spells the English word: another language gets
    // the dot and text the other states have, the dot in the picture's lime.
    const bool connected = m_connectedLook && !m_demo;
    const bool pictured = connected && tr("Connected") == QLatin1String("Connected");
    m_statusText->setText(showsDemo() ? tr("Demo knob") : connected ? tr("Connected") : tr("Not Connected"));
    if (pictured) {
        const QPixmap picture = renderSvgPixmap(QStringLiteral(":/asset/Status1_en.svg"), size, m_window);
        if (!picture.isNull())
            m_statusLabel->setPixmap(picture);
        setDisconnectedWidgetsVisible(false);
    }
    if (connected) {
        // Under the connected picture's text, inside the status row.
        const double k = size.height() / 116.0;
        m_linkLabel->setFont(statusFont(int(12 * k + 0.5)));
        m_linkLabel->setText(m_linkText);
        m_linkLabel->setGeometry(0, int(58 * k), size.width(), int(20 * k + 0.5));
        m_linkLabel->setVisible(!m_linkText.isEmpty());
    } else {
        m_linkLabel->hide();
    }
    if (!pictured) {
        m_statusLabel->clear();
        layoutStatusWidgets(size);
        setDisconnectedWidgetsVisible(true);
    }
}
