#pragma once

#include "ui/pages/ButtonGridPage.h"

// The media page: 21 consumer-control and launch actions in a 3 x 7 grid.
class MultimediaWidget : public ButtonGridPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultimediaWidget)

public:
    explicit MultimediaWidget(QWidget *parent = nullptr);

    using ButtonGridPage::button;

Q_SIGNALS:
    void multimediaClicked(const QString &mediaKey);

protected:
    void emitClicked(const QString &name) override { Q_EMIT multimediaClicked(name); }
    void updateButtonLayout() override;

private:
    void setupUI();
    void setupButtons();
    void addMultimediaButton(int x, int y, int w, int h, const QString &name);
};
