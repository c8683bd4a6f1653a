#pragma once

#include "ui/pages/ButtonGridPage.h"

// The mouse page: buttons, wheel steps with and without a modifier, swipes.
class MouseWidget : public ButtonGridPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MouseWidget)

public:
    explicit MouseWidget(QWidget *parent = nullptr);

    using ButtonGridPage::button;

Q_SIGNALS:
    void mouseClicked(const QString &mouseKey);

protected:
    void emitClicked(const QString &name) override { Q_EMIT mouseClicked(name); }
    void updateButtonLayout() override;

private:
    void setupUI();
    void setupButtons();
    void addMouseButton(int x, int y, int w, int h, const QString &name);
};
