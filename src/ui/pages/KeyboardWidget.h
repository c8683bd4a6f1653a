#pragma once

#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"

#include <QHash>
#include <QLabel>
#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QWidget>

#include <cstdint>

class GestureSelection;
class KnobEditor;
class PaintedButton;
struct KnobAction;

// Where every key of the keyboard page goes for a picture size, in key-layer
// coordinates. The fn key is absent on the Windows layout.
struct KeyboardLayout
{
    QRect layer;
    QHash<QString, QRect> keys;
    FontRange fontRange;
};
KeyboardLayout keyboardLayout(const QSize &pictureSize, bool macLayout);
// Design size of a key in a layout.
QSize keyboardDesignSize(const QString &id, bool macLayout);
// Text a key shows in a layout.
QString keyboardKeyText(const QString &id, bool macLayout);
// Usage a key emits when clicked in a layout.
unsigned short keyboardClickCode(const QString &id, unsigned short createdCode, bool macLayout);
// Icon of a function key on the Mac layout; empty for other keys.
QString keyboardMacIcon(const QString &id);
// The usages a gesture presses on the keyboard: its keys and its modifiers;
// media, mouse and Procreate actions press none.
QList<unsigned short> keyboardUsagesOf(const QList<KnobAction> &gesture);

// The keyboard's panel; maps clicks on it to keys through hotspots given in
// design coordinates.
class KeyboardLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardLabel)

public:
    explicit KeyboardLabel(QWidget *parent = nullptr);

    void setHotspots(const QList<KeyHotspot> &hotspots);
    const QList<KeyHotspot> &hotspots() const { return m_hotspots; }
    QPointF mapToSvgCoordinates(const QPoint &p) const;
    QSizeF pictureSize() const { return m_svgSize; }

Q_SIGNALS:
    void keyClicked(uint16_t keyCode);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QList<KeyHotspot> m_hotspots;
    QPointF m_pressPos;
    QSizeF m_svgSize{kPageDesignWidth, kPageDesignHeight};
};

// The keyboard page: the picture with a layer of key buttons on top.
class KeyboardWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardWidget)

public:
    explicit KeyboardWidget(QWidget *parent = nullptr);

    void setMacLayout(bool mac);
    bool isMacLayout() const { return m_isMacLayout; }
    // Lights the keys that emit one of `usages` in the current layout, and no others.
    void setLitUsages(const QList<unsigned short> &usages);
    // Keeps the lit keys on what the selected gesture of the editor's model holds.
    void follow(const KnobEditor *editor, const GestureSelection *selection);

    // Consecutive Escape clicks toward the debug console; any other key
    // starts the count again.
    static constexpr uint16_t kEscapeUsage = 0x29;
    static constexpr int kEscapeClicksToUnlock = 10;
    int escapeClickCount() const { return m_escClickCount; }
    void resetEscapeClickCount();

    // For the main window's tests and the page shots.
    PaintedButton *keyButton(const QString &id) const { return m_keyButtons.value(id); }
    KeyboardLabel *picture() const { return m_svgLabel; }
    QWidget *keyLayer() const { return m_keyLayer; }

Q_SIGNALS:
    void keyClicked(uint16_t keyCode);
    // The tenth Escape click in a row; the count then starts again from 0.
    void debugUnlockRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupHotspots();
    void setupKeyLayer();
    void addKeyButton(const QString &id, int x, int y, unsigned short keyCode);
    QSize keySizeById(const QString &id) const;
    QString keyTextById(const QString &id) const;
    void refreshSystemDependentKeyTexts();
    void applyMacFunctionKeyIcons();
    void updateKeyLayerLayout();
    void countEscapeClick(uint16_t keyCode);
    void applyLitUsages();

    KeyboardLabel *m_svgLabel = nullptr;
    QWidget *m_keyLayer = nullptr;
    QList<unsigned short> m_litUsages;
    bool m_isMacLayout = false;
    int m_escClickCount = 0;
    QHash<QString, PaintedButton *> m_keyButtons;
};
