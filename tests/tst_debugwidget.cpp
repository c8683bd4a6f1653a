// The debug console page (what a typed line sends, the coloured log, the
// layout at full and half size) and the Escape unlock of the keyboard page.
#include "protocol/uitext.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/pages/pagerules.h"

#include "support/packetbytes.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <functional>

Q_DECLARE_METATYPE(Packet)

namespace {

// The page shows its texts through the interface text table.
QString ui(const char *source)
{
    return uiText(QString::fromUtf8(source));
}

struct LogLine
{
    QString text;
    QColor color;
};

// The newest line of the log, without its time stamp, and its colour.
LogLine lastLine(const DebugWidget &w)
{
    const QTextBlock block = w.logView()->document()->lastBlock();
    QString text = block.text();
    const int stamp = text.indexOf(QStringLiteral("] "));
    if (text.startsWith(QLatin1Char('[')) && stamp > 0)
        text = text.mid(stamp + 2);
    QTextCursor c(block);
    c.movePosition(QTextCursor::EndOfBlock);
    return {text, c.charFormat().foreground().color()};
}

QStringList times(int n, const QString &id)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << id;
    return out;
}

int lineCount(const DebugWidget &w)
{
    return w.logView()->document()->isEmpty() ? 0 : w.logView()->document()->blockCount();
}

} // namespace

class TestDebugWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void send_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byReturn");
        QTest::addColumn<Packet>("sent"); // empty: nothing may be sent
        QTest::addColumn<QString>("lastText");
        QTest::addColumn<QString>("lastColor");

        QTest::newRow("spaced, button") << "03 FA 19 00 01" << false << bytes("03 FA 19 00 01")
                                        << ui("发送: %1").arg("03 FA 19 00 01") << debuglog::kEcho;
        QTest::newRow("continuous, Return") << "03FA190001" << true << bytes("03 FA 19 00 01")
                                            << ui("发送: %1").arg("03FA190001") << debuglog::kEcho;
        QTest::newRow("one digit") << "  3 " << false << bytes("03") << ui("发送: %1").arg("3")
                                   << debuglog::kEcho;
        QTest::newRow("bad pair") << "03 FG" << false << Packet() << ui("发送失败：十六进制格式错误")
                                  << debuglog::kError;
        QTest::newRow("blank, Return")
            << "   " << true << Packet() << ui("错误: 输入为空") << debuglog::kError;
    }

    void send()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byReturn);
        QFETCH(Packet, sent);
        QFETCH(QString, lastText);
        QFETCH(QString, lastColor);

        DebugWidget w;
        w.show();
        QSignalSpy spy(&w, &DebugWidget::sendRequested);
        w.inputLine()->setText(typed);
        if (byReturn)
            QTest::keyClick(w.inputLine(), Qt::Key_Return);
        else
            QTest::mouseClick(w.sendButton(), Qt::LeftButton);

        if (sent.empty()) {
            QCOMPARE(spy.count(), 0);
        } else {
            QCOMPARE(spy.count(), 1);
            Packet expected = sent;
            expected.resize(kReportSize, 0);
            QCOMPARE(spy.at(0).at(0).value<Packet>(), expected);
        }
        const LogLine line = lastLine(w);
        QCOMPARE(line.text, lastText);
        QCOMPARE(line.color, QColor(lastColor));
    }

    void reports_data()
    {
        QTest::addColumn<std::function<void(DebugWidget &)>>("show");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("color");

        using F = std::function<void(DebugWidget &)>;
        QTest::newRow("written") << F([](DebugWidget &w) { w.showWriteResult(65); })
                                 << ui("发送成功，写入 %1 字节").arg(65) << debuglog::kWritten;
        QTest::newRow("write failed") << F([](DebugWidget &w) { w.showWriteResult(-1); })
                                      << ui("发送失败：错误码 %1").arg(-1) << debuglog::kError;
        QTest::newRow("nothing written") << F([](DebugWidget &w) { w.showWriteResult(0); })
                                         << ui("发送失败：写入0字节") << debuglog::kError;
        QTest::newRow("response") << F([](DebugWidget &w) {
            w.showResponseReport(2, bytes("03 FD FE FF", 0));
        }) << ui("响应包 #%1 (%2 字节): %3").arg(2).arg(4).arg("03 FD FE FF")
                                  << debuglog::kResponse;
        QTest::newRow("read error") << F([](DebugWidget &w) {
            w.showReadError(QStringLiteral("No such device"));
        }) << ui("读取响应包失败：%1").arg("No such device")
                                    << debuglog::kError;
        // Text from the device or the user is shown, never interpreted.
        QTest::newRow("markup stays text") << F([](DebugWidget &w) {
            w.appendLog(QStringLiteral("<b>x</b> & y"), QStringLiteral("#4ECDC4"));
        }) << "<b>x</b> & y" << debuglog::kEcho;
    }

    void reports()
    {
        QFETCH(std::function<void(DebugWidget &)>, show);
        QFETCH(QString, text);
        QFETCH(QString, color);

        DebugWidget w;
        // A red line first: its colour must not carry over into the next one.
        w.showNotConnected();
        show(w);
        QCOMPARE(lineCount(w), 2);
        QCOMPARE(lastLine(w).text, text);
        QCOMPARE(lastLine(w).color, QColor(color));
    }

    void escapeUnlock_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("unlocks");

        const QStringList nine = times(9, QStringLiteral("esc"));
        const QStringList ten = times(10, QStringLiteral("esc"));
        QTest::newRow("nine") << nine << 9 << 0;
        QTest::newRow("nine, another key, one") << nine + QStringList{"a", "esc"} << 1 << 0;
        QTest::newRow("ten") << ten << 0 << 1;
        QTest::newRow("ten, another key") << ten + QStringList{"f1"} << 0 << 1;
        QTest::newRow("five, another key, ten")
            << times(5, QStringLiteral("esc")) + QStringList{"1"} + ten << 0 << 1;
    }

    void escapeUnlock()
    {
        QFETCH(QStringList, keys);
        QFETCH(int, count);
        QFETCH(int, unlocks);

        KeyboardWidget page;
        QSignalSpy unlocked(&page, &KeyboardWidget::debugUnlockRequested);
        QSignalSpy clicked(&page, &KeyboardWidget::keyClicked);
        for (const QString &id : std::as_const(keys)) {
            SimKeyButton *b = page.keyButton(id);
            QVERIFY2(b, qPrintable(id));
            b->click();
        }
        QCOMPARE(page.escapeClickCount(), count);
        QCOMPARE(unlocked.count(), unlocks);
        // Escape is still an ordinary key for the selected physical key.
        QCOMPARE(clicked.count(), keys.size());
    }
};

QTEST_MAIN(TestDebugWidget)
#include "tst_debugwidget.moc"
