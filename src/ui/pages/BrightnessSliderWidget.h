#pragma once

#include <QWidget>

// Horizontal 0-100 % slider whose handle carries the value.
class BrightnessSliderWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrightnessSliderWidget)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)

public:
    explicit BrightnessSliderWidget(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);
    void setScale(double sx, double sy);
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    void updateValueFromPos(int x);

Q_SIGNALS:
    void valueChanged(int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_value = 50;
    bool m_dragging = false;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
};
