#pragma once

#include <QColor>
#include <QWidget>

class QLabel;
class QPushButton;
class PagePanel;
class BrightnessSliderWidget;
class ColorPickerWidget;
class ToggleSwitchWidget;

// The lighting page. The values live in its three controls; every user change
// emits the complete state.
class LightWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LightWidget)

public:
    explicit LightWidget(QWidget *parent = nullptr);

    // Shows a stored state without emitting anything.
    void setLightSettings(const QColor &color, int brightness, bool on);
    void updateScaledLayout();

    ColorPickerWidget *colorPicker() const { return m_colorPicker; }
    ToggleSwitchWidget *toggleSwitch() const { return m_toggleSwitch; }
    BrightnessSliderWidget *brightnessSlider() const { return m_brightnessSlider; }
    QPushButton *maxBrightnessButton() const { return m_maxBrightnessButton; }

Q_SIGNALS:
    void lightSettingsChanged(const QColor &color, int brightness, bool isOn);

public Q_SLOTS:
    void emitSettings();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void setControlsEnabled(bool on);

    PagePanel *m_background = nullptr;
    QWidget *m_panel = nullptr;
    QWidget *m_switchCard = nullptr;
    QWidget *m_brightnessCard = nullptr;
    QWidget *m_colorCard = nullptr;
    QWidget *m_switchHeader = nullptr;
    QLabel *m_switchTitle = nullptr;
    QLabel *m_noteLabel = nullptr;
    QLabel *m_brightnessTitle = nullptr;
    QLabel *m_brightnessHint = nullptr;
    QString m_brightnessHintText;
    QString m_noteText;
    ColorPickerWidget *m_colorPicker = nullptr;
    ToggleSwitchWidget *m_toggleSwitch = nullptr;
    BrightnessSliderWidget *m_brightnessSlider = nullptr;
    QPushButton *m_maxBrightnessButton = nullptr;
};
