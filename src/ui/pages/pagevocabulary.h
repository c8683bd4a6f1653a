#pragma once

// What the tab pages offer, as plain data without any widget, so the protocol
// side can check that it understands every value a page can emit.

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>

// One key of the pictured keyboard. Sizes are in units of the 1552 x 496
// page canvas.
struct KeyboardKeyDef
{
    QString id;                 // key of the page's button hash
    unsigned short code = 0;    // usage the button is created with
    unsigned short winCode = 0; // usage a click emits in the Windows layout
    unsigned short macCode = 0; // usage a click emits in the Mac layout
    int width = 59;             // Windows layout
    int height = 59;
    int macWidth = 59;
    bool winVisible = true; // the fn key exists only on the Mac layout
};

// A clickable rectangle of the keyboard picture, in picture coordinates.
struct KeyHotspot
{
    QRectF rect;
    uint16_t keyCode = 0;
    QString label;
};

// Strings the shortcut page emits, row by row (left group, then right group).
const QStringList &combinationPageStrings();
// Action names the media page emits (Chinese source strings), row by row.
const QStringList &multimediaPageNames();
// Action names the mouse page emits, row by row.
const QStringList &mousePageNames();
// Action names the Procreate page emits, in grid order.
const QStringList &procreatePageNames();

// All 105 keys of the keyboard page in creation order.
const QList<KeyboardKeyDef> &keyboardKeyDefs();
// The definition of `id`, or nullptr.
const KeyboardKeyDef *keyboardKeyDef(const QString &id);
// Every usage a visible key of the keyboard page can emit in a layout, in key
// creation order (no duplicates).
QList<unsigned short> keyboardPageKeyCodes(bool macLayout);
// The 79 clickable rectangles of the keyboard picture.
const QList<KeyHotspot> &keyboardHotspots();
