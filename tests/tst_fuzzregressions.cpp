// Replays every kept fuzz input (the seeds and each input that once crashed)
// through the same target bodies the fuzzers run, so a fixed crash stays fixed
// in the ordinary build, with or without sanitizers.

#include "fuzz/fuzztarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTest>

#include <cstring>

namespace {

QStringList inputsOf(const QString &target, const QString &kind)
{
    QDir dir(QStringLiteral(VX_FUZZ_DATA_DIR "/%1/%2").arg(kind, target));
    QStringList out;
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &f : files)
        out << dir.filePath(f);
    return out;
}

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    void replay_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("file");
        QVERIFY(!fuzzTargets().empty());
        for (int i = 0; i < int(fuzzTargets().size()); ++i) {
            const FuzzTarget &t = fuzzTargets()[std::size_t(i)];
            const QString name = QLatin1String(t.name);
            // A target without seeds fuzzes from nothing and replays nothing here.
            QVERIFY2(!inputsOf(name, QStringLiteral("corpus")).isEmpty(), t.name);
            for (const QString &kind : {QStringLiteral("regressions"), QStringLiteral("corpus")}) {
                for (const QString &file : inputsOf(name, kind))
                    QTest::addRow("%s/%s/%s", t.name, qPrintable(kind),
                                  qPrintable(QFileInfo(file).fileName()))
                        << i << file;
            }
        }
    }
    void replay()
    {
        QFETCH(int, target);
        QFETCH(QString, file);
        const FuzzEntry entry = fuzzTargets()[std::size_t(target)].entry;
        QFile f(file);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
        const QByteArray bytes = f.readAll();
        // A private copy of exactly the input's size, as the fuzzer hands it
        // over, so a read past the end is caught under AddressSanitizer.
        std::vector<std::uint8_t> input(std::size_t(bytes.size()));
        if (!input.empty())
            std::memcpy(input.data(), bytes.constData(), input.size());
        entry(input.data(), input.size());
    }
};

QTEST_APPLESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
