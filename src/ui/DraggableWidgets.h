#pragma once

#include <QLabel>
#include <QStackedWidget>

// The page stack, with its corners clipped to a radius.
class DraggableStackedWidget : public QStackedWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DraggableStackedWidget)

public:
    explicit DraggableStackedWidget(const QString &name, QWidget *parent = nullptr);

    QString name() const { return m_name; }
    int cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(int radius);
    void updateMask();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QString m_name;
    int m_cornerRadius = 0;
};

// A named label of the main window ("Status", "Logo", "Knob", "TabBar", "SystemSwitch").
class DraggableLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DraggableLabel)

public:
    explicit DraggableLabel(const QString &name, QWidget *parent = nullptr);
    QString name() const { return m_name; }

private:
    QString m_name;
};
