#pragma once

// Fitting a text into a width without cutting a word: short enough texts stay
// as they are, longer ones break into two lines or end after a whole word
// with "…". Words end at a space or after a '+' or '/', so "Ctrl+Alt+Shift+Win+"
// breaks between its keys; Chinese, written without spaces, breaks beside any
// of its characters but not before closing punctuation.

#include <QString>

class QFontMetrics;
class QLabel;

namespace textfit {

// `text` when it fits, else its longest run of whole words that fits with "…";
// a first word too long on its own is cut where it must be.
QString elide(const QString &text, const QFontMetrics &metrics, int width);

// `text` wrapped at its spaces into at most `lines` lines, the last one elided.
QString elideLines(const QString &text, const QFontMetrics &metrics, int width, int lines);

// The two lines (joined by '\n') whose longer one is the shortest, or an empty
// string when no break gives two lines that fit.
QString wrapInTwoLines(const QString &text, const QFontMetrics &metrics, int width);

// Shows `text` in `label` as elideLines() fits it; an elided text has the full
// one as the label's tooltip.
void setElidedText(QLabel *label, const QString &text, const QFontMetrics &metrics, int width, int lines = 1);

} // namespace textfit
