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

FuzzEntry entryNamed(const QString &name)
{
    for (const FuzzTarget &t : fuzzTargets()) {
        if (name == QLatin1String(t.name))
            return t.entry;
    }
    return nullptr;
}

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

    // A target without seeds fuzzes from nothing and replays nothing here.
    void everyTargetHasSeeds()
    {
        QVERIFY(!fuzzTargets().empty());
        for (const FuzzTarget &t : fuzzTargets())
            QVERIFY2(!inputsOf(QLatin1String(t.name), QStringLiteral("corpus")).isEmpty(), t.name);
    }

    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        for (const FuzzTarget &t : fuzzTargets()) {
            const QString name = QLatin1String(t.name);
            for (const QString &kind : {QStringLiteral("regressions"), QStringLiteral("corpus")}) {
                for (const QString &file : inputsOf(name, kind))
                    QTest::addRow("%s/%s/%s", t.name, qPrintable(kind),
                                  qPrintable(QFileInfo(file).fileName()))
                        << name << file;
            }
        }
    }
    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, file);
        const FuzzEntry entry = entryNamed(target);
        QVERIFY(entry);
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
