#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// Hue bar plus saturation/value square.
class ColorPickerWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColorPickerWidget)

public:
    explicit ColorPickerWidget(QWidget *parent = nullptr);

    QColor currentColor() const;
    void setColor(const QColor &color);
    double hue() const { return m_hue; }
    double saturation() const { return m_saturation; }
    double value() const { return m_value; }
    int dragMode() const { return m_dragMode; }

Q_SIGNALS:
    void colorChanged(const QColor &color);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuildSvImage();
    void updateColorFromSv(const QPoint &p);
    void updateHueFromPos(const QPoint &p);
    void emitColor();

    double m_hue = 0.0;
    double m_saturation = 1.0;
    double m_value = 1.0;
    QImage m_svImage;
    bool m_imageStale = true;
    int m_dragMode = 0; // 0 none, 1 square, 2 hue bar
};
