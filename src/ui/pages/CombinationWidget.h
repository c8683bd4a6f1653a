#pragma once

#include "ui/pages/ButtonGridPage.h"

// Design width of a shortcut-page button.
int combinationButtonDesignWidth(const QString &combination);

// The shortcut page: modifier prefixes, shifted symbols and F13-F24.
class CombinationWidget : public ButtonGridPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CombinationWidget)

public:
    explicit CombinationWidget(QWidget *parent = nullptr);

    using ButtonGridPage::button;

Q_SIGNALS:
    void combinationClicked(const QString &combination);

protected:
    void emitClicked(const QString &combination) override { Q_EMIT combinationClicked(combination); }
    void updateButtonLayout() override;

private:
    void setupUI();
    void setupButtons();
    void addCombinationButton(int x, int y, int w, int h, const QString &combination);
    int buttonWidthForCombination(const QString &combination) const;
};
