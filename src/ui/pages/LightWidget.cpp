#include "ui/pages/LightWidget.h"

#include "ui/pages/BrightnessSliderWidget.h"
#include "ui/pages/ColorPickerWidget.h"
#include "ui/pages/PagePanel.h"
#include "ui/pages/ToggleSwitchWidget.h"
#include "ui/pages/pagerules.h"
#include "ui/textfit.h"

#include <QDebug>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

// The note's markup stays out of the translated text.
QString noteHtml(const QString &escapedText)
{
    return QStringLiteral("<span style='color:#67696A;'>%1</span>").arg(escapedText);
}

QFont pagePixelFont(int px)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(px);
    return f;
}

// Keeps a widget's signals blocked for a scope and restores the previous state.
class SignalBlock
{
public:
    explicit SignalBlock(QObject *o) : m_object(o), m_previous(o->blockSignals(true)) {}
    ~SignalBlock() { m_object->blockSignals(m_previous); }
    Q_DISABLE_COPY_MOVE(SignalBlock)

private:
    QObject *m_object;
    bool m_previous;
};

QString maxBrightnessButtonStyle(int radius)
{
    return QStringLiteral("QPushButton { background: transparent; color: #FFFFFF; border: 1px solid #67696A; "
                          "border-radius: %1px; }"
                          "QPushButton:hover { background: rgba(255, 255, 255, 0.05); }"
                          "QPushButton:pressed { background: rgba(255, 255, 255, 0.1); }"
                          "QPushButton:disabled { color: #67696A; border: 1px solid #3A3A3A; }")
        .arg(radius);
}

} // namespace

LightWidget::LightWidget(QWidget *parent) : QWidget(parent)
{
    setupUI();
}

void LightWidget::setupUI()
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(776, 248);
    resize(kPageDesignWidth, kPageDesignHeight);

    m_background = new PagePanel(this);

    m_panel = new QWidget(this);
    m_panel->setAttribute(Qt::WA_StyledBackground);
    m_panel->setStyleSheet(QStringLiteral("background-color: #202020; border: none;"));
    m_switchCard = new QWidget(m_panel);
    m_switchCard->setAttribute(Qt::WA_StyledBackground);
    m_switchCard->setStyleSheet(
        QStringLiteral("background-color: #1C1C1C; border: none; border-radius: 8px;"));
    m_brightnessCard = new QWidget(m_panel);
    m_brightnessCard->setAttribute(Qt::WA_StyledBackground);
    m_brightnessCard->setStyleSheet(QStringLiteral("background-color: #1C1C1C; border-radius: 8px;"));
    m_colorCard = new QWidget(m_panel);
    m_colorCard->setAttribute(Qt::WA_StyledBackground);
    m_colorCard->setStyleSheet(QStringLiteral("background-color: #1C1C1C; border-radius: 8px;"));
    m_switchHeader = new QWidget(m_switchCard);
    m_switchHeader->setStyleSheet(QStringLiteral("background-color: transparent;"));

    m_switchTitle = new QLabel(tr("Switch Lighting"), m_switchHeader);
    m_switchTitle->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    m_noteText = tr("RGB lighting consumes more power. For the best experience, use it in wired mode.");
    m_noteLabel = new QLabel(noteHtml(m_noteText.toHtmlEscaped()), m_switchHeader);
    m_noteLabel->setTextFormat(Qt::RichText);
    m_noteLabel->setWordWrap(true);
    m_noteLabel->setStyleSheet(QStringLiteral("background: transparent;"));

    m_brightnessTitle = new QLabel(tr("Brightness"), m_brightnessCard);
    m_brightnessTitle->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    m_brightnessHintText =
        tr("Adjust the knob brightness to your preference, or set it to maximum brightness with one click.");
    m_brightnessHint = new QLabel(m_brightnessHintText, m_brightnessCard);
    m_brightnessHint->setWordWrap(true);
    m_brightnessHint->setStyleSheet(QStringLiteral("color: #67696A; background: transparent;"));

    m_colorPicker = new ColorPickerWidget(m_colorCard);
    m_toggleSwitch = new ToggleSwitchWidget(m_switchCard);
    m_brightnessSlider = new BrightnessSliderWidget(m_brightnessCard);
    m_maxBrightnessButton = new QPushButton(tr("Max Brightness"), m_brightnessCard);
    m_maxBrightnessButton->setCursor(Qt::PointingHandCursor);
    m_maxBrightnessButton->setFocusPolicy(Qt::TabFocus);
    m_toggleSwitch->setAccessibleName(m_switchTitle->text());
    m_brightnessSlider->setAccessibleName(m_brightnessTitle->text());
    m_colorPicker->setAccessibleName(tr("Colour"));
    // Down the left column, then the colour.
    setTabOrder(m_toggleSwitch, m_maxBrightnessButton);
    setTabOrder(m_maxBrightnessButton, m_brightnessSlider);
    setTabOrder(m_brightnessSlider, m_colorPicker);
    m_maxBrightnessButton->setStyleSheet(maxBrightnessButtonStyle(8));

    connect(m_toggleSwitch, &ToggleSwitchWidget::toggled, this, [this](bool on) {
        setControlsEnabled(on);
        emitSettings();
    });
    connect(m_brightnessSlider, &BrightnessSliderWidget::valueChanged, this, &LightWidget::emitSettings);
    connect(m_maxBrightnessButton, &QPushButton::clicked, this,
            [this]() { m_brightnessSlider->setValue(100); });
    connect(m_colorPicker, &ColorPickerWidget::colorChanged, this, &LightWidget::emitSettings);

    m_background->lower();
    setControlsEnabled(m_toggleSwitch->isOn());
    updateScaledLayout();
}

void LightWidget::setControlsEnabled(bool on)
{
    m_colorPicker->setEnabled(on);
    m_brightnessSlider->setEnabled(on);
    m_maxBrightnessButton->setEnabled(on);
}

void LightWidget::setLightSettings(const QColor &color, int brightness, bool on)
{
    if (!m_colorPicker || !m_toggleSwitch || !m_brightnessSlider || !m_maxBrightnessButton)
        return;
    {
        const SignalBlock a(m_toggleSwitch);
        const SignalBlock b(m_colorPicker);
        const SignalBlock c(m_brightnessSlider);
        m_toggleSwitch->setOn(on);
        m_colorPicker->setColor(color);
        m_brightnessSlider->setValue(std::clamp(brightness, 0, 100));
    }
    setControlsEnabled(on);
}

void LightWidget::emitSettings()
{
    Q_EMIT lightSettingsChanged(m_colorPicker->currentColor(), m_brightnessSlider->value(),
                                m_toggleSwitch->isOn());
}

void LightWidget::updateScaledLayout()
{
    const PageScale s(size());
    const int title = std::max(11, s.x(16));
    const int note = std::max(10, s.x(12));
    const int buttonFont = std::max(10, s.x(13));
    auto place = [&s](QWidget *w, int x, int y, int width, int height) {
        w->setGeometry(s.x(x), s.y(y), s.x(width), s.y(height));
    };

    m_background->setGeometry(rect());
    place(m_panel, 214, 84, 1126, 371);
    place(m_switchCard, 0, 0, 540, 180);
    place(m_brightnessCard, 0, 196, 540, 175);
    place(m_colorCard, 556, 0, 570, 371);
    place(m_switchHeader, 32, 24, 476, 132);
    // Titles get at least their text's size: the English texts outgrow the 120-unit box,
    // and the 11 px font floor outgrows the 20-unit height on small pages.
    auto placeTitle = [&s, title](QLabel *label, int x, int y) {
        label->setFont(pagePixelFont(title));
        const QSize text = label->sizeHint();
        label->setGeometry(s.x(x), s.y(y), std::max(s.x(120), text.width()),
                           std::max(s.y(20), text.height()));
    };
    placeTitle(m_switchTitle, 0, 0);
    m_noteLabel->setFixedWidth(s.x(476));
    // The note keeps a 10 px floor on small pages, so it may need more lines than the box has.
    m_noteLabel->setFont(pagePixelFont(note));
    m_noteLabel->setText(noteHtml(m_noteText.toHtmlEscaped()));
    m_noteLabel->setToolTip(QString());
    // A language with taller lines may push the switch down into the room under
    // it; a note longer still ends in "…", the tooltip having all of it.
    const int noteTop = s.y(24) + s.y(24);
    const int lowestSwitch = s.y(180) - s.y(64) - s.y(2);
    if (m_noteLabel->heightForWidth(s.x(476)) > lowestSwitch - noteTop) {
        const QFontMetrics metrics(m_noteLabel->font());
        const QString fitted = textfit::elideLines(
            m_noteText, metrics, s.x(476), std::max(1, (lowestSwitch - noteTop) / metrics.lineSpacing()));
        m_noteLabel->setText(
            noteHtml(fitted.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>"))));
        m_noteLabel->setToolTip(m_noteText);
    }
    const int noteHeight = std::max(s.y(40), m_noteLabel->heightForWidth(s.x(476)));
    m_noteLabel->setGeometry(0, s.y(24), s.x(476), noteHeight);
    place(m_toggleSwitch, 32, 100, 250, 64);
    if (noteTop + noteHeight > m_toggleSwitch->y())
        m_toggleSwitch->move(m_toggleSwitch->x(), std::min(lowestSwitch, noteTop + noteHeight));
    placeTitle(m_brightnessTitle, 32, 16);

    m_maxBrightnessButton->setFont(pagePixelFont(buttonFont));
    const int cardWidth = m_brightnessCard->width();
    const int buttonWidth = s.x(24) + m_maxBrightnessButton->sizeHint().width();
    const int buttonRight = cardWidth - s.x(32);
    const int buttonTop = s.y(16);
    const int buttonHeight = s.y(44) - buttonTop + 1;
    m_maxBrightnessButton->setGeometry(buttonRight - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    // Style sheets drop a corner radius above half the height and draw square corners instead.
    const QString buttonStyle = maxBrightnessButtonStyle(std::min(8, buttonHeight / 2));
    if (m_maxBrightnessButton->styleSheet() != buttonStyle)
        m_maxBrightnessButton->setStyleSheet(buttonStyle);

    const int hintX = s.x(32);
    const int hintWidth = std::max(0, m_maxBrightnessButton->x() - s.x(8) - hintX);
    m_brightnessHint->setFont(pagePixelFont(note));
    // The hint keeps to the room above the slider; what does not fit there is
    // elided, the full text being the tooltip.
    // Two lines at the least: where a language's lines are taller (Chinese)
    // the slider moves down into the room under it.
    const QFontMetrics hintMetrics(m_brightnessHint->font());
    const int roomAbove = std::max(s.y(40), s.y(95) - s.y(40) - 2);
    const int hintLines = std::max(2, roomAbove / hintMetrics.lineSpacing());
    const int hintHeight = std::max(roomAbove, hintLines * hintMetrics.lineSpacing());
    m_brightnessHint->setGeometry(hintX, s.y(40), hintWidth, hintHeight);
    textfit::setElidedText(m_brightnessHint, m_brightnessHintText, hintMetrics, hintWidth, hintLines);

    const int content = s.x(32);
    const int reach = s.x(22);
    m_brightnessSlider->setGeometry(content - reach, s.y(95) + (hintHeight - roomAbove),
                                    cardWidth - 2 * content + 2 * reach, s.y(28));
    m_brightnessSlider->setScale(s.sx(), s.sy());
    place(m_colorPicker, 0, 0, 570, 371);
}

void LightWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateScaledLayout();
}
