#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QWidget>

#include <future>

class GestureSelection;
class KnobDialWidget;
class KnobEditor;
class QLabel;
class QRect;
class QSequentialAnimationGroup;

// The picture of the knob with its turning dial, the labels of the five
// physical keys with their clear icons, and the bubble that lists every
// virtual key of the selected one. It follows the editor's model and reports
// presses; what a press does is up to the window. The bubble reaches beyond the
// knob, so it lies on the window, above the knob.
class KnobArea : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobArea)

public:
    // The bubble becomes a child of `window`.
    KnobArea(QWidget *window, const KnobEditor *editor, const GestureSelection *selection);

    QWidget *bubbleContainer() const { return m_bubbleContainer; }
    // The five gestures for Tab, each followed by its clear icon.
    QList<QWidget *> focusOrder() const;

    // The flag the selection styles and the bubble follow.
    void setConnectedLook(bool connected) { m_connectedLook = connected; }
    // Shows or hides the labels and the icons for the two looks.
    void applyConnectionLook(bool connected);

    // Places itself on `knobArea` of the window and re-renders everything for that size.
    void relayout(const QRect &knobArea);
    void updateSelection();
    // The selected key's label and its bubble.
    void updateKeysDisplay();
    void updateSingleKeyDisplay(int knobKey);
    void updateKeysLayout();
    void clearKeyTexts();
    void hideBubble();

    void playDialAnimation(int knobKey);
    void stopDialAnimation();
    bool isDialAnimating() const { return !m_dialAnimation.isNull(); }

Q_SIGNALS:
    void knobKeyClicked(int knobKey);
    void clearClicked(int knobKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updatePicture();
    void updateAccessibleName(int knobKey);
    void updateDialLayout();
    void updateIconSizes();

    QWidget *m_window = nullptr;
    const KnobEditor *m_editor = nullptr;
    const GestureSelection *m_selection = nullptr;
    bool m_connectedLook = false;
    QLabel *m_knobLabel = nullptr;
    KnobDialWidget *m_dial = nullptr;
    // Side and pixel ratio the two knob pictures were last scaled to: decoding
    // them again for the same scale would change nothing.
    QPair<int, qreal> m_pictureScale{-1, 0.0};
    QPair<int, qreal> m_dialScale{-1, 0.0};
    std::future<QImage> m_baseDecode;
    std::future<QImage> m_dialDecode;
    QPair<int, qreal> m_baseDecodeScale;
    QPair<int, qreal> m_dialDecodeScale;
    QLabel *m_keyLabels[5] = {};
    QLabel *m_cleanIcons[5] = {};
    QWidget *m_bubbleContainer = nullptr;
    QLabel *m_bubbleLabel = nullptr;
    QPointer<QSequentialAnimationGroup> m_dialAnimation;
};
