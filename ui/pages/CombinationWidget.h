#pragma once

#include <QHash>
#include <QWidget>

class QLabel;
class SimKeyButton;

// Design width of a shortcut-page button.
int combinationButtonDesignWidth(const QString &combination);

// The shortcut page: modifier prefixes, shifted symbols and F13-F24.
class CombinationWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CombinationWidget)

public:
    explicit CombinationWidget(QWidget *parent = nullptr);

    void clearSelection();
    SimKeyButton *button(const QString &combination) const { return m_buttons.value(combination); }
    SimKeyButton *selectedButton() const { return m_selectedButton; }

Q_SIGNALS:
    void combinationClicked(const QString &combination);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void setupButtons();
    void addCombinationButton(int x, int y, int w, int h, const QString &combination);
    int buttonWidthForCombination(const QString &combination) const;
    void updateButtonLayout();

    QLabel *m_background = nullptr;
    SimKeyButton *m_selectedButton = nullptr;
    QHash<QString, SimKeyButton *> m_buttons;
};
