// The yardstick for the start-up figures: an empty top-level QWidget of a
// given size (1920 x 1080 unless "WIDTHxHEIGHT" is passed), shown at once.
// It links Qt Widgets alone, so it measures what any window of this toolkit
// costs on the machine before any of the program's own work.

#include <QApplication>
#include <QRegularExpression>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QSize size(1920, 1080);
    if (argc > 1) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(QString::fromLocal8Bit(argv[1]));
        if (m.hasMatch())
            size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("empty"));
    window.setFixedSize(size);
    window.show();
    return QApplication::exec();
}
