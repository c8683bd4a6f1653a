#include "device/blelineparser.h"
#include "device/blewire.h"

#include "support/packetbytes.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The scripted stand-in helper is what the session tests will drive; these
// rows pin down what it replays, including chunk boundaries, and that the
// line parser reassembles the chunks as they come out of a real pipe.
class TestFakeBleHelper : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeScript(const QByteArray &text)
    {
        const QString path = m_dir.filePath(QStringLiteral("script.txt"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(text);
        return path;
    }

    struct Run
    {
        QList<QByteArray> chunks;
        QByteArray all;
        int exitCode = -1;
        QProcess::ExitStatus status = QProcess::CrashExit;
    };

    Run run(const QString &script, const QStringList &args, const QString &argsOut)
    {
        Run r;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VX_FAKE_BLE_SCRIPT"), script);
        env.insert(QStringLiteral("VX_FAKE_BLE_ARGS_OUT"), argsOut);
        p.setProcessEnvironment(env);
        connect(&p, &QProcess::readyReadStandardOutput, this, [&] {
            const QByteArray chunk = p.readAllStandardOutput();
            r.chunks << chunk;
            r.all += chunk;
        });
        p.start(QStringLiteral(VX_FAKE_BLE_HELPER_PATH), args);
        if (!p.waitForFinished(30000))
            return r;
        r.all += p.readAllStandardOutput();
        r.exitCode = p.exitCode();
        r.status = p.exitStatus();
        return r;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void replay_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("exitCode");

        const QByteArray both =
            "[auto]\n"
            "out {\"type\":\"conn\n"
            "sleep 150\n"
            "out ected\",\"address\":\"AA\"}\\n{\"type\":\"write_ok\",\"query\":true}\\n\n"
            "exit 3\n"
            "[write]\n"
            "# comment\n"
            "err noise on stderr\\n\n"
            "line {\"type\":\"write_ok\"}\n";
        QTest::newRow("auto run, one object over two chunks, two in one")
            << both << bleAutoConnectArguments() << QStringList{"connected:AA", "write_ok:1"} << 3;
        QTest::newRow("write run from the same script")
            << both << bleBatchWriteArguments(QStringLiteral("AA"), {bytes("03 FD FE FF")})
            << QStringList{"write_ok:0"} << 0;
        QTest::newRow("no section for the kind")
            << QByteArray("[write]\nexit 9\n") << bleAutoConnectArguments() << QStringList{} << 0;
        QTest::newRow("any as fallback, hex escape")
            << QByteArray("[any]\nout {\"type\":\"error\",\"message\":\"\\x41\"}\\n\nexit 2\n")
            << QStringList{"scan"} << QStringList{"error:A"} << 2;
    }
    void replay()
    {
        QFETCH(QByteArray, script);
        QFETCH(QStringList, args);
        QFETCH(QStringList, messages);
        QFETCH(int, exitCode);
        const QString argsOut = m_dir.filePath(QStringLiteral("args-%1.txt").arg(QTest::currentDataTag()));
        QFile::remove(argsOut);
        const Run r = run(writeScript(script), args, argsOut);
        QCOMPARE(r.status, QProcess::NormalExit);
        QCOMPARE(r.exitCode, exitCode);

        BleLineParser parser;
        QStringList seen;
        for (const QByteArray &chunk : r.chunks) {
            for (const BleHelperMessage &m : parser.feed(chunk)) {
                if (m.type == BleHelperMessage::Type::Connected)
                    seen << "connected:" + m.address;
                else if (m.type == BleHelperMessage::Type::WriteOk)
                    seen << QStringLiteral("write_ok:%1").arg(int(m.query));
                else if (m.type == BleHelperMessage::Type::Error)
                    seen << "error:" + m.message;
            }
        }
        QCOMPARE(seen, messages);

        QFile recorded(argsOut);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = recorded.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QStringList recordedArgs;
        for (const QJsonValue &v : QJsonDocument::fromJson(lines.first()).array())
            recordedArgs << v.toString();
        QCOMPARE(recordedArgs, args);
    }

    // The nth run of a kind can behave differently: a first attempt that
    // fails and a second that succeeds.
    void numberedRuns()
    {
        const QString script = writeScript("[auto 2]\nline {\"type\":\"write_ok\",\"query\":true}\n"
                                           "[auto]\nline {\"type\":\"error\",\"message\":\"no\"}\nexit 1\n"
                                           "[write]\nline {\"type\":\"write_ok\"}\n");
        const QString argsOut = m_dir.filePath(QStringLiteral("numbered.txt"));
        QFile::remove(argsOut);
        const std::vector<Packet> batch{bytes("03 FD 02"), bytes("03 FD FE FF")};
        QCOMPARE(run(script, bleAutoConnectArguments(), argsOut).exitCode, 1);
        const Run write = run(script, bleBatchWriteArguments(QStringLiteral("AA"), batch), argsOut);
        QVERIFY(isBleBatchWriteAcknowledged(write.all, write.status == QProcess::NormalExit, write.exitCode));
        const Run second = run(script, bleAutoConnectArguments(), argsOut);
        QCOMPARE(second.exitCode, 0);
        QVERIFY(second.all.contains("\"query\":true"));
        QCOMPARE(run(script, bleAutoConnectArguments(), argsOut).exitCode, 1);

        QFile recorded(argsOut);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = recorded.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        const QJsonArray writeArgs = QJsonDocument::fromJson(lines.at(1)).array();
        QCOMPARE(writeArgs.size(), 2 + 2 * 2 + 2);
        QCOMPARE(writeArgs.at(5).toString(), packetToHexLine(normaliseBlePacket(bytes("03 FD FE FF"))));
    }

    void crashIsNotAnAcknowledgement()
    {
        const Run r = run(writeScript("[write]\nline {\"type\":\"write_ok\"}\ncrash\n"),
                          bleBatchWriteArguments(QStringLiteral("AA"), {bytes("03")}),
                          m_dir.filePath(QStringLiteral("crash.txt")));
        QVERIFY(r.all.contains("write_ok"));
        QVERIFY(!isBleBatchWriteAcknowledged(r.all, r.status == QProcess::NormalExit, r.exitCode));
    }
};

QTEST_GUILESS_MAIN(TestFakeBleHelper)
#include "tst_fakeblehelper.moc"
