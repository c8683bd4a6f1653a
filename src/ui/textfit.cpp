#include "ui/textfit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace textfit {

namespace {

bool breaksAfter(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('+') || c == QLatin1Char('/');
}

} // namespace

QString elide(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots(QChar(0x2026));
    for (qsizetype i = text.size() - 1; i > 0; --i) {
        if (!breaksAfter(text.at(i - 1)))
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
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString longer = line.isEmpty() ? words.at(i) : line + QLatin1Char(' ') + words.at(i);
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        if (done.size() + 1 >= lines) {
            // The last line takes the rest and ends in "…".
            done << elide(line + QLatin1Char(' ') + words.mid(i).join(QLatin1Char(' ')), metrics, width);
            return done.join(QLatin1Char('\n'));
        }
        done << line;
        line = words.at(i);
    }
    done << elide(line, metrics, width);
    return done.size() == 1 ? done.first() : done.join(QLatin1Char('\n'));
}

QString wrapInTwoLines(const QString &text, const QFontMetrics &metrics, int width)
{
    QString best;
    int bestWidest = INT_MAX;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!breaksAfter(text.at(i - 1)))
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
