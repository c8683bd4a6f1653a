#pragma once

#include <QWidget>

class QPropertyAnimation;

// Animated on/off switch; the knob follows the flag in 200 ms.
class ToggleSwitchWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToggleSwitchWidget)
    Q_PROPERTY(double sliderPos READ sliderPos WRITE setSliderPos)

public:
    explicit ToggleSwitchWidget(QWidget *parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on);
    double sliderPos() const { return m_sliderPos; }
    void setSliderPos(double pos);

Q_SIGNALS:
    void toggled(bool on);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void animateTo(bool on);

    bool m_on = false;
    double m_sliderPos = 0.0;
    QPropertyAnimation *m_animation = nullptr;
};
