#pragma once

#include <QHash>
#include <QWidget>

class QLabel;
class SimKeyButton;

// The mouse page: buttons, wheel steps with and without a modifier, swipes.
class MouseWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MouseWidget)

public:
    explicit MouseWidget(QWidget *parent = nullptr);

    void clearSelection();
    SimKeyButton *button(const QString &name) const { return m_buttons.value(name); }
    SimKeyButton *selectedButton() const { return m_selectedButton; }

Q_SIGNALS:
    void mouseClicked(const QString &mouseKey);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void setupButtons();
    void addMouseButton(int x, int y, int w, int h, const QString &name);
    void updateButtonLayout();

    QLabel *m_background = nullptr;
    SimKeyButton *m_selectedButton = nullptr;
    QHash<QString, SimKeyButton *> m_buttons;
};
