#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QRect>
#include <QStringList>
#include <QWidget>

class GestureSelection;
class KnobEditor;
class PagePanel;
class PaintedButton;
struct FontRange;

// What the list pages share: the design canvas, a picture behind the buttons,
// buttons placed at design rectangles and found by name, and one selected
// button at a time whose click is reported by name.
class ButtonGridPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ButtonGridPage)

public:
    // Marks the buttons named in `names` (what the selected gesture holds) and no others.
    void setMarkedNames(const QStringList &names);
    // Keeps the marks on what the selected gesture of the editor's model holds.
    void follow(const KnobEditor *editor, const GestureSelection *selection);

protected:
    explicit ButtonGridPage(QWidget *parent);

    // Initial size, minimum size and size policy of every page.
    void setupCanvas();
    // The painted panel below the buttons.
    void setupBackground();

    // A button of the page at `designRect`, found by `name`; a click logs
    // `clickLog` with the name and reports the name.
    PaintedButton *addGridButton(const QString &name, const QString &text, const QRect &designRect,
                                const char *clickLog);
    PaintedButton *button(const QString &name) const { return m_buttons.value(name); }
    // Places the grid buttons at their design rectangles scaled to the page.
    void layoutGrid(const FontRange &font);

    // Naming and click handling alone, for pages that create and place their buttons themselves.
    void makeSelectable(PaintedButton *button, const QString &name, const char *clickLog);
    virtual void emitClicked(const QString &name) = 0;

    virtual void updateButtonLayout() = 0;
    void resizeEvent(QResizeEvent *event) override;

    PagePanel *m_background = nullptr;

private:
    QHash<QString, PaintedButton *> m_buttons;
    QList<QPair<QString, QRect>> m_design; // creation order
};
