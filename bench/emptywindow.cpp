// The yardstick for the start-up figures: an empty top-level QWidget of a
// given size (1920 x 1080 unless "WIDTHxHEIGHT" is passed), shown at once.
// It links Qt Widgets alone, so it measures what any window of this toolkit
// costs on the machine before any of the program's own work.
//
// With "label" it also shows one line of the program's text in the program's
// font: the least any window that shows text pays, since the first text
// measured loads the font configuration, the font database and the faces
// (for Chinese text, also a fallback face).

#include "app/platformprofile.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QSize size(1920, 1080);
    bool label = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(arg);
        if (m.hasMatch())
            size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        label = label || arg == QLatin1String("label");
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("empty"));
    window.setFixedSize(size);
    if (label) {
        const UIPlatformConfig profile = currentUIPlatformConfig();
        QApplication::setFont(QFont(profile.fontFamily, profile.fontPointSize));
        // The status the program shows first, with no knob.
        (new QLabel(QStringLiteral("未连接"), &window))->move(40, 40);
    }
    window.show();
    return QApplication::exec();
}
