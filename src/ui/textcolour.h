#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

// The colour a label draws its text in, through its palette: the same pixels
// a "color:" style sheet gives, without the style-sheet style.
inline void setTextColour(QWidget *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}
