#pragma once

#include "protocol/KnobModel.h"
#include "ui/pages/pagerules.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class PagePanel;
class QPushButton;

// The delay page: shows and edits the delays of a knob model (18 slots for
// each of the five physical keys), the slots of the selected key on screen.
// The window drives it by direct calls; it reports the delays the user edits
// (already in the model) and clicks on an action's name. Until a model is set
// it edits one of its own.
class DelayWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DelayWidget)

public:
    explicit DelayWidget(QWidget *parent = nullptr);

    // The model whose delays the page shows and edits; it must outlive the page.
    void setModel(KnobModel *model);
    // Shows the model's delays of k again after someone else changed them.
    void refreshDelays(int k);

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
    // The model already holds the new delay of slot; `before` was the old one.
    void delayEdited(int k, int slot, int before);
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
    std::array<int, kMaxVirtualKeys> &delaysOf(int k) { return m_model->key(k).delays; }
    int delayOf(int k, int slot) const { return m_model->key(k).delays[slot]; }

    std::unique_ptr<KnobModel> m_ownModel;
    KnobModel *m_model = nullptr;
    int m_virtualKeyCounts[5] = {0, 0, 0, 0, 0};
    std::array<std::array<QString, kDelaySlots>, 5> m_virtualKeyTexts;
};
