#pragma once

#include "ui/pages/pagerules.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <array>

class KnobEditor;
class QLabel;
class QLineEdit;
class PagePanel;
class QPushButton;

// The delay page: shows and edits the delays of the editor's model (18 slots
// for each of the five gestures), the slots of the selected gesture on screen.
// It follows the editor's signals and hands every delay the user sets to the
// editor; it reports clicks on an action's name. Until an editor is set it
// edits one of its own.
class DelayWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DelayWidget)

public:
    explicit DelayWidget(QWidget *parent = nullptr);

    // The editor whose model the page shows and edits; it must outlive the page.
    void setEditor(KnobEditor *editor);
    // Shows the actions and delays of gesture k as the document has them.
    void showGesture(int k);

    void setSelectedKnobKey(int k);
    int selectedKnobKey() const { return m_selectedKnobKey; }
    void setVirtualKeyCount(int k, int n);
    void setVirtualKeyTexts(int k, const QList<QString> &texts);
    void setDelayForVirtualKey(int k, int slot, int ms);
    int delayForVirtualKey(int k, int slot) const;

    void applyDelayInput(int slot);
    void updateSlotUi(int slot);

    // For tests and the page shots.
    QLineEdit *delayField(int slot) const;
    QPushButton *minusButton(int slot) const;
    QPushButton *plusButton(int slot) const;
    QLabel *nameLabel(int slot) const;

Q_SIGNALS:
    void actionClicked(int k, int slot);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Slot
    {
        QLabel *tag = nullptr;
        QLabel *valueRow = nullptr;
        QLineEdit *field = nullptr;
        QLabel *unit = nullptr;
        QLabel *name = nullptr;
        QPushButton *minus = nullptr;
        QPushButton *plus = nullptr;
    };

    void setupUI();
    void setupDelayTags();
    void updateScaledLayout();
    void refreshAllSlots();
    bool validKey(int k) const { return k >= 1 && k <= 5; }
    void stepDelay(int slot, bool up);

    PagePanel *m_background = nullptr;
    std::array<Slot, kDelaySlots> m_slots;
    int m_selectedKnobKey = 0;
    int delayOf(int k, int slot) const;
    void showAllGestures();

    KnobEditor *m_editor = nullptr;
    int m_virtualKeyCounts[5] = {0, 0, 0, 0, 0};
    std::array<std::array<QString, kDelaySlots>, 5> m_virtualKeyTexts;
};
