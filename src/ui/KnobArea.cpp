#include "ui/KnobArea.h"

#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"
#include "ui/AccessibleControl.h"
#include "ui/GestureSelection.h"
#include "ui/KnobDialWidget.h"
#include "ui/KnobEditor.h"
#include "ui/actiontext.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/savenotices.h"
#include "ui/svgpixmap.h"
#include "ui/textfit.h"
#include "ui/uitext.h"

#include <QDebug>
#include <QEvent>
#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QSequentialAnimationGroup>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <cmath>
#include <future>

namespace {

const QString kCleanIconPath = QStringLiteral(":/asset/clean.svg");

bool validKnobKey(int k)
{
    return k >= 1 && k <= 5;
}

QString unselectedKnobKeyStyle(const layout::KnobSelectionStyle &s)
{
    return QStringLiteral(
               "QLabel { background-color: rgba(20, 20, 20, 15); color: #272A2B; border-radius: %1px; "
               "font-family: 'Microsoft YaHei'; font-size: %2px; }"
               "QLabel:hover { background-color: rgba(20, 20, 20, 31); }")
        .arg(s.radius)
        .arg(s.fontPx);
}

QString selectedKnobKeyStyle(const layout::KnobSelectionStyle &s)
{
    return QStringLiteral("QLabel { background-color: #141414; border: %3px solid #BEF449; color: #BEF449; "
                          "border-radius: %1px; font-family: 'Microsoft YaHei'; font-size: %2px; }")
        .arg(s.radius)
        .arg(s.fontPx)
        .arg(s.border);
}

// Each picture is drawn at its design size for ordinary screens and at twice
// that for dense ones. The smallest drawing at least as large as the need is
// decoded, so an ordinary screen neither decodes nor shrinks the large one.
struct Rendition
{
    int side;
    const char *path;
};
using Picture = std::array<Rendition, 2>;
constexpr Picture kBasePicture{{{300, ":/asset/knob2-300.png"}, {600, ":/asset/knob2.png"}}};
constexpr Picture kDialPicture{{{201, ":/asset/knob1-201.png"}, {600, ":/asset/knob1.png"}}};

// Decoded and scaled in one go, so that a larger picture than needed,
// premultiplied as a pixmap would hold it, lives only until it has been scaled.
QImage decodeScaled(const Picture &picture, const QPair<int, qreal> &scale)
{
    const int pixels = std::max(1, int(std::lround(scale.first * scale.second)));
    const auto fits = std::find_if(picture.begin(), picture.end(),
                                   [pixels](const Rendition &r) { return r.side >= pixels; });
    const Rendition &source = fits != picture.end() ? *fits : picture.back();
    // Named and not guessed: guessing loads every image plug-in to ask it.
    QImageReader reader(QString::fromLatin1(source.path), "png");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.hasAlphaChannel())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.size() == QSize(pixels, pixels))
        return image;
    return image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The first decode was started, at the scale expected, when the knob was
// built; another scale reads the file again.
QPixmap takePicture(std::future<QImage> &pending, const QPair<int, qreal> &pendingScale,
                    const Picture &picture, const QPair<int, qreal> &scale)
{
    QImage image = pending.valid() ? pending.get() : QImage();
    if (image.isNull() || scale != pendingScale)
        image = decodeScaled(picture, scale);
    if (image.isNull())
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(scale.second);
    return pixmap;
}

} // namespace

KnobArea::KnobArea(QWidget *window, const KnobEditor *editor, const GestureSelection *selection)
    : QWidget(window), m_window(window), m_editor(editor), m_selection(selection)
{
    Q_ASSERT(editor && selection);
    connect(editor, &KnobEditor::gestureChanged, this, [this](int k) {
        updateSingleKeyDisplay(k);
        updateKeysDisplay();
    });
    connect(editor, &KnobEditor::documentReplaced, this, [this] {
        for (int k = 1; k <= 5; ++k)
            updateSingleKeyDisplay(k);
        updateKeysDisplay();
    });
    // The two PNGs take a while to decode; that runs beside building the rest
    // of the window, at the sizes the window's present size gives them.
    const int side = layout::mainGeometry(window->size()).knobArea.width();
    m_baseDecodeScale = {side, window->devicePixelRatioF()};
    m_dialDecodeScale = {layout::dialLayout(side).pictureSide, window->devicePixelRatioF()};
    m_baseDecode = std::async(std::launch::async, decodeScaled, kBasePicture, m_baseDecodeScale);
    m_dialDecode = std::async(std::launch::async, decodeScaled, kDialPicture, m_dialDecodeScale);
    setObjectName(QStringLiteral("KnobArea"));
    m_knobLabel = new QLabel(this);
    m_knobLabel->setObjectName(QStringLiteral("Knob"));

    m_dial = new KnobDialWidget(m_knobLabel);
    m_dial->setObjectName(QStringLiteral("knobDial"));

    for (int k = 1; k <= 5; ++k) {
        auto *label = new QLabel(m_knobLabel);
        label->setObjectName(QStringLiteral("knobKeyLabel%1").arg(k));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        label->setProperty("knobKeyIndex", k);
        label->setFocusPolicy(Qt::TabFocus);
        AccessibleControl::setRole(label, QAccessible::Button);
        label->installEventFilter(this);
        m_keyLabels[k - 1] = label;
    }

    const QPixmap clean = renderSvgPixmap(kCleanIconPath, QSize(22, 22), window);
    if (clean.isNull())
        qDebug() << "Failed to load clean.svg";
    for (int k = 1; k <= 5; ++k) {
        auto *icon = new QLabel(m_knobLabel);
        icon->setObjectName(QStringLiteral("cleanIcon%1").arg(k));
        icon->setGeometry(0, 0, 22, 22);
        if (!clean.isNull())
            icon->setPixmap(clean);
        icon->setStyleSheet(QStringLiteral("QLabel { background: transparent; }"));
        icon->setCursor(Qt::PointingHandCursor);
        icon->setProperty("svgPath", kCleanIconPath);
        icon->setProperty("cleanIconIndex", k);
        icon->setFocusPolicy(Qt::TabFocus);
        AccessibleControl::setRole(icon, QAccessible::Button);
        icon->setAccessibleName(tr("Clear %1").arg(gestureText(k)));
        updateAccessibleName(k);
        icon->setToolTip(icon->accessibleName());
        icon->setProperty("origX", 0);
        icon->setProperty("origY", 0);
        icon->setProperty("origW", 22);
        icon->setProperty("origH", 22);
        icon->installEventFilter(this);
        icon->hide();
        m_cleanIcons[k - 1] = icon;
    }
    // The pictures are decoded by relayout(), at the size they are shown at.

    m_bubbleContainer = new QWidget(window);
    m_bubbleContainer->setObjectName(QStringLiteral("knobBubbleContainer"));
    m_bubbleContainer->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_bubbleLabel = new QLabel(m_bubbleContainer);
    m_bubbleLabel->setObjectName(QStringLiteral("knobBubbleLabel"));
    m_bubbleLabel->setWordWrap(true);
    m_bubbleLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_bubbleContainer->hide();
}

QList<QWidget *> KnobArea::focusOrder() const
{
    QList<QWidget *> order;
    for (int k = 1; k <= 5; ++k)
        order << m_keyLabels[k - 1] << m_cleanIcons[k - 1];
    return order;
}

bool KnobArea::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && !AccessibleControl::isPress(event))
        return QWidget::eventFilter(watched, event);
    const QVariant clean = watched->property("cleanIconIndex");
    if (clean.isValid()) {
        Q_EMIT clearClicked(clean.toInt());
        return true;
    }
    const QVariant knobKey = watched->property("knobKeyIndex");
    if (knobKey.isValid()) {
        Q_EMIT knobKeyClicked(knobKey.toInt());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Layout ---------------------------------------------------------------------

void KnobArea::relayout(const QRect &knobArea)
{
    // The bubble is placed by the updates below and must be clamped into
    // the new size, not the old one.
    m_bubbleContainer->setGeometry(0, 0, m_window->width(), m_window->height());

    setGeometry(knobArea);
    m_knobLabel->setFixedSize(knobArea.size());
    m_knobLabel->move(0, 0);
    updatePicture();
    updateDialLayout();
    updateKeysLayout();
    updateIconSizes();
    updateSelection();
    updateKeysDisplay();
}

void KnobArea::updatePicture()
{
    const QPair<int, qreal> scale(m_knobLabel->width(), m_knobLabel->devicePixelRatioF());
    if (scale == m_pictureScale)
        return;
    m_pictureScale = scale;
    const QPixmap picture = takePicture(m_baseDecode, m_baseDecodeScale, kBasePicture, scale);
    if (!picture.isNull())
        m_knobLabel->setPixmap(picture);
}

void KnobArea::updateDialLayout()
{
    const layout::DialLayout d = layout::dialLayout(m_knobLabel->width());
    m_dial->setGeometry(d.geometry);
    const QPair<int, qreal> scale(d.pictureSide, m_dial->devicePixelRatioF());
    if (scale != m_dialScale) {
        m_dialScale = scale;
        const QPixmap picture = takePicture(m_dialDecode, m_dialDecodeScale, kDialPicture, scale);
        if (!picture.isNull())
            m_dial->setPicture(picture);
    }
    m_dial->setShadow(d.shadowRadius, d.shadowOffset, QColor(0, 0, 0, 40));
    m_dial->lower();
}

void KnobArea::updateKeysLayout()
{
    for (int k = 1; k <= 5; ++k)
        m_keyLabels[k - 1]->setGeometry(layout::knobKeyLabelRect(k, m_knobLabel->width()));
}

void KnobArea::updateIconSizes()
{
    const double r = m_knobLabel->width() / double(layout::kKnobDesignSide);
    // The five badges share one picture: it is read and drawn once.
    QString renderedPath;
    QSize size;
    QPixmap pixmap;
    for (QLabel *icon : m_cleanIcons) {
        const QString path = icon->property("svgPath").toString();
        if (renderedPath.isNull() || path != renderedPath) {
            renderedPath = path;
            const QSvgRenderer renderer(path);
            const QSize base = renderer.isValid() ? renderer.defaultSize() : QSize(22, 22);
            size = QSize(std::max(1, int(base.width() * r)), std::max(1, int(base.height() * r)));
            pixmap = renderSvgPixmap(path, size, m_window);
        }
        icon->resize(size);
        if (!pixmap.isNull())
            icon->setPixmap(pixmap);
    }
}

// ---- Looks ------------------------------------------------------------------------

void KnobArea::applyConnectionLook(bool connected)
{
    m_connectedLook = connected;
    for (QLabel *label : m_keyLabels) {
        if (connected) {
            label->setStyleSheet(QStringLiteral(
                "QLabel { background-color: rgba(20, 20, 20, 15); border-radius: 4px; color: #272A2B; "
                "font-family: 'Microsoft YaHei'; font-size: 9pt; }"
                "QLabel:hover { background-color: rgba(20, 20, 20, 31); }"));
            label->setCursor(Qt::PointingHandCursor);
            label->show();
        } else {
            label->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: transparent; }"));
            label->setCursor(Qt::ArrowCursor);
            label->hide();
        }
    }
    if (connected) {
        updateSelection();
    } else {
        stopDialAnimation();
        hideBubble();
        for (QLabel *icon : m_cleanIcons)
            icon->hide();
    }
}

void KnobArea::updateSelection()
{
    const layout::KnobSelectionStyle style = layout::knobSelectionStyle(m_knobLabel->width());
    const QString unselected = unselectedKnobKeyStyle(style);
    const int selected = m_selection->current();
    for (int k = 1; k <= 5; ++k) {
        QLabel *label = m_keyLabels[k - 1];
        QLabel *clean = m_cleanIcons[k - 1];
        AccessibleControl::setChecked(label, k == selected);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        if (k == selected) {
            label->setStyleSheet(selectedKnobKeyStyle(style));
            if (m_connectedLook) {
                clean->move(layout::cleanIconPos(label->geometry(), clean->size()));
                clean->show();
                clean->raise();
            }
        } else {
            // The disconnected look keeps the labels hidden and unstyled.
            if (m_connectedLook)
                label->setStyleSheet(unselected);
            clean->hide();
        }
    }
    if (!validKnobKey(selected)) {
        stopDialAnimation();
        hideBubble();
    }
}

void KnobArea::updateAccessibleName(int knobKey)
{
    // "Turn left: Ctrl+V B", read out whole however the label is cut.
    const QString gesture = gestureList({knobKey});
    const QStringList names = actionTexts(m_editor->gesture(knobKey), m_editor->isMacLayout());
    m_keyLabels[knobKey - 1]->setAccessibleName(tr("%1: %2").arg(
        gesture, names.isEmpty() ? tr("empty") : textBoxDisplayText(names.join(QLatin1Char(' ')))));
}

void KnobArea::updateSingleKeyDisplay(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    QLabel *label = m_keyLabels[knobKey - 1];
    updateAccessibleName(knobKey);
    if (m_editor->gesture(knobKey).isEmpty()) {
        label->clear();
        return;
    }
    const QString text = textBoxDisplayText(
        actionTexts(m_editor->gesture(knobKey), m_editor->isMacLayout()).join(QLatin1Char(' ')));
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(layout::knobSelectionStyle(m_knobLabel->width()).fontPx);
    textfit::setElidedText(label, text, QFontMetrics(font), std::max(label->width(), 9) - 8);
}

void KnobArea::updateKeysDisplay()
{
    const int k = m_selection->current();
    if (!validKnobKey(k)) {
        hideBubble();
        return;
    }
    updateSingleKeyDisplay(k);
    if (!m_connectedLook) {
        hideBubble();
        return;
    }

    const int windowWidth = m_window->width();
    const layout::BubbleMetrics m = layout::bubbleMetrics(windowWidth);
    // The gesture's name heads its actions; a zero-width space after each '+'
    // lets a long combination wrap between its keys.
    const QString title = gestureList({k});
    QString actions =
        textBoxDisplayText(actionTexts(m_editor->gesture(k), m_editor->isMacLayout()).join(QLatin1Char(' ')));
    actions.replace(QLatin1Char('+'), QStringLiteral("+\u200B"));
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPointSize(m.fontPointSize);
    const QRect textBox = QFontMetrics(font).boundingRect(
        QRect(0, 0, m.width - 2 * m.padding, 100000), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
        actions.isEmpty() ? title : title + QLatin1Char('\n') + actions);
    QLabel *label = m_keyLabels[k - 1];
    const int labelCenterY = m_knobLabel->mapTo(m_window, label->geometry().center()).y();
    const QRect geometry = layout::bubbleGeometry(k, QWidget::geometry(), labelCenterY, textBox.height(),
                                                  windowWidth, m_bubbleContainer->size());
    m_bubbleLabel->setGeometry(geometry);
    m_bubbleLabel->setStyleSheet(
        QStringLiteral("QLabel { background-color: #1C1C1C; border: 1px solid #323232; border-radius: %1px; "
                       "color: #FFFFFF; font-family: 'Microsoft YaHei'; font-size: %2px; padding: %1px; }")
            .arg(m.padding)
            .arg(m.fontPointSize));
    QString html = QStringLiteral("<span style='color:#A9AAAA;'>%1</span>").arg(title.toHtmlEscaped());
    if (!actions.isEmpty())
        html += QStringLiteral("<br>") + actions.toHtmlEscaped();
    m_bubbleLabel->setText(html);
    m_bubbleContainer->show();
    m_bubbleContainer->raise();
}

void KnobArea::clearKeyTexts()
{
    for (QLabel *label : m_keyLabels)
        label->clear();
}

void KnobArea::hideBubble()
{
    m_bubbleContainer->hide();
}

// ---- Dial -------------------------------------------------------------------------

void KnobArea::stopDialAnimation()
{
    if (m_dialAnimation)
        m_dialAnimation->stop();
    m_dial->setDialRotation(0.0);
    m_dial->setDialScale(1.0);
}

void KnobArea::playDialAnimation(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    stopDialAnimation();
    QSequentialAnimationGroup *group = createKnobDialAnimation(m_dial, knobKey, this);
    if (!group)
        return;
    m_dialAnimation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
