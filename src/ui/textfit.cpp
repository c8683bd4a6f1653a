#include "ui/textfit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace textfit {

namespace {

// Chinese and Japanese run without spaces: a line may break beside any of
// their characters, but not before closing punctuation.
bool isWide(QChar c)
{
    const char16_t u = c.unicode();
    return c.script() == QChar::Script_Han || (u >= 0x3000 && u <= 0x30FF) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool opensNoLine(QChar c)
{
    return QStringView(u"，。、；：？！）》」』】,.;:?!)").contains(c);
}

bool breaksBetween(QChar before, QChar after)
{
    return before == QLatin1Char(' ') || before == QLatin1Char('+') || before == QLatin1Char('/') ||
           ((isWide(before) || isWide(after)) && !opensNoLine(after));
}

struct Word
{
    QString text;
    bool spaceBefore = false;
};

// Words as a line may break between them: at spaces, and beside wide characters.
QList<Word> words(const QString &text)
{
    QList<Word> out;
    bool space = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(' ')) {
            space = true;
            continue;
        }
        const QChar before = i > 0 ? text.at(i - 1) : QChar();
        if (out.isEmpty() || space || ((isWide(before) || isWide(c)) && !opensNoLine(c)))
            out.append({QString(c), space && !out.isEmpty()});
        else
            out.last().text += c;
        space = false;
    }
    return out;
}

QString joined(const QString &line, const Word &word)
{
    return line.isEmpty() ? word.text
                          : line + (word.spaceBefore ? QStringLiteral(" ") : QString()) + word.text;
}

} // namespace

QString elide(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots(QChar(0x2026));
    for (qsizetype i = text.size() - 1; i > 0; --i) {
        if (!breaksBetween(text.at(i - 1), text.at(i)))
            continue;
        const QString head = text.left(i).trimmed();
        if (!head.isEmpty() && metrics.horizontalAdvance(head + dots) <= width)
            return head + dots;
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

QString elideLines(const QString &text, const QFontMetrics &metrics, int width, int lines)
{
    QStringList done;
    QString line;
    const QList<Word> all = words(text);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString longer = joined(line, all.at(i));
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        if (done.size() + 1 >= lines) {
            // The last line takes the rest and ends in "…".
            for (qsizetype j = i; j < all.size(); ++j)
                line = joined(line, all.at(j));
            done << elide(line, metrics, width);
            return done.join(QLatin1Char('\n'));
        }
        done << line;
        line = all.at(i).text;
    }
    done << elide(line, metrics, width);
    return done.size() == 1 ? done.first() : done.join(QLatin1Char('\n'));
}

QString wrapInTwoLines(const QString &text, const QFontMetrics &metrics, int width)
{
    QString best;
    int bestWidest = INT_MAX;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!breaksBetween(text.at(i - 1), text.at(i)))
            continue;
        const QString first = text.left(i).trimmed();
        const QString second = text.mid(i).trimmed();
        if (first.isEmpty() || second.isEmpty())
            continue;
        const int widest = std::max(metrics.horizontalAdvance(first), metrics.horizontalAdvance(second));
        if (widest <= width && widest < bestWidest) {
            best = first + QLatin1Char('\n') + second;
            bestWidest = widest;
        }
    }
    return best;
}

void setElidedText(QLabel *label, const QString &text, const QFontMetrics &metrics, int width, int lines)
{
    const QString shown = lines > 1 ? elideLines(text, metrics, width, lines) : elide(text, metrics, width);
    label->setText(shown);
    label->setToolTip(shown.contains(QChar(0x2026)) ? text : QString());
}

} // namespace textfit
