// What the program does with its arguments before any window exists.
#include "app/commandline.h"

#include <QRegularExpression>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("exitNow");
        QTest::addColumn<QString>("outputStart");
        const QString version = versionText() + QLatin1Char('\n');
        QTest::newRow("none") << QStringList{} << false << QString();
        QTest::newRow("--version") << QStringList{"--version"} << true << version;
        QTest::newRow("-v") << QStringList{"-v"} << true << version;
        QTest::newRow("--help") << QStringList{"--help"} << true << "Usage: veltranix";
        QTest::newRow("-h") << QStringList{"-h"} << true << "Usage: veltranix";
        QTest::newRow("first one wins") << QStringList{"--help", "--version"} << true << "Usage: veltranix";
        QTest::newRow("after Qt's own options")
            << QStringList{"-platform", "offscreen", "--version"} << true << version;
        QTest::newRow("Qt options pass through")
            << QStringList{"-platform", "offscreen"} << false << QString();
        QTest::newRow("unknown options pass through") << QStringList{"--verbose"} << false << QString();
        QTest::newRow("not a prefix match") << QStringList{"--versions"} << false << QString();
        QTest::newRow("after --") << QStringList{"--", "--version"} << false << QString();
    }
    void actions()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, exitNow);
        QFETCH(QString, outputStart);
        const CommandLineAction a = commandLineAction(args);
        QCOMPARE(a.exitNow, exitNow);
        QCOMPARE(a.exitCode, 0);
        QVERIFY2(a.output.startsWith(outputStart), qPrintable(a.output));
        QCOMPARE(a.output.isEmpty(), !exitNow);
    }

    void versionIsTheProjectVersion()
    {
        // "veltranix 1.2" or "veltranix 1.2.3": a configure step that lost the
        // version would leave "@PROJECT_VERSION@" or an empty one.
        const QString v = versionText();
        QVERIFY2(QRegularExpression(QStringLiteral("^veltranix \\d+(\\.\\d+)+$")).match(v).hasMatch(),
                 qPrintable(v));
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
