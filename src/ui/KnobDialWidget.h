#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QSequentialAnimationGroup;

// The knob's turning dial, painted over the knob base with a soft round shadow.
class KnobDialWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobDialWidget)
    Q_PROPERTY(double dialRotation READ dialRotation WRITE setDialRotation)
    Q_PROPERTY(double dialScale READ dialScale WRITE setDialScale)

public:
    explicit KnobDialWidget(QWidget *parent = nullptr);

    double dialRotation() const { return m_dialRotation; }
    void setDialRotation(double degrees);
    double dialScale() const { return m_dialScale; }
    void setDialScale(double factor);

    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }
    void setShadow(double radius, double verticalOffset, const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_dialRotation = 0.0;
    double m_dialScale = 1.0;
    QPixmap m_picture;
    double m_shadowRadius = 0.0;
    double m_shadowOffset = 0.0;
    QColor m_shadowColor = QColor(0, 0, 0, 40);
};

// The looping gesture animation of physical key 1..5 (nullptr for others):
// turns for the turning gestures, a press for the pressing ones, then a pause.
QSequentialAnimationGroup *createKnobDialAnimation(KnobDialWidget *dial, int knobKey, QObject *parent);
