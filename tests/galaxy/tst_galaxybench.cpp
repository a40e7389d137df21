// galaxy_bench seen from outside: its synthetic galaxies, its exit codes and
// what it prints.
#include "galaxy/GalaxyFormat.h"
#include "support/GalaxyBuilder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Bench(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(GALAXY_BENCH), arguments);
    process.waitForFinished(60000);
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
               process.readAllStandardError()};
}

} // namespace

class GalaxyBenchTest : public QObject {
    Q_OBJECT

private slots:
    void generateIsRepeatableAndWellFormed();
    void dumpAndMerge();
    void holdKeepsTheFileOpen();
    void badArguments_data();
    void badArguments();
};

void GalaxyBenchTest::generateIsRepeatableAndWellFormed()
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.gxy");
    const QString b = dir.filePath("b.gxy");
    const QString c = dir.filePath("c.gxy");
    QCOMPARE(Bench({"generate", a, "300", "--seed", "5"}).exitCode, 0);
    QCOMPARE(Bench({"generate", b, "300", "--seed", "5"}).exitCode, 0);
    QCOMPARE(Bench({"generate", c, "300", "--seed", "6"}).exitCode, 0);
    const QByteArray bytes = testsupport::ReadAll(a);
    QCOMPARE(bytes.size(), 4 + 492 * 300);
    QCOMPARE(testsupport::ReadAll(b), bytes);
    QVERIFY(testsupport::ReadAll(c) != bytes);
    for (int k = 0; k < 300; ++k) {
        galaxy::SystemRecord record;
        std::memcpy(record.bytes.data(), bytes.constData() + 4 + 492 * k, 492);
        QVERIFY(record.systemNumber() >= 0 && record.systemNumber() <= 4096);
        QVERIFY(record.planetCount() >= 0 && record.planetCount() <= 6);
        for (int j = 1; j <= 6; ++j) {
            QVERIFY(record.slot(j).hab().fraction >= 0.0F && record.slot(j).hab().fraction < 1.0F);
            QVERIFY(record.slot(j).met().fraction >= 0.0F && record.slot(j).met().fraction < 1.0F);
        }
    }
}

void GalaxyBenchTest::dumpAndMerge()
{
    QTemporaryDir dir;
    const QString galaxyPath = dir.filePath("g.gxy");
    const QString report = dir.filePath("dump.txt");
    testsupport::GalaxyBuilder galaxy;
    galaxy.add(12, 1, {{0.5F, 0.3F}});
    QVERIFY(galaxy.writeTo(galaxyPath));
    // The thresholds are texts read by the typed-number rule.
    QCOMPARE(Bench({"dump", galaxyPath, report, " 49.6abc", "", "--rating", "--separator", ","}).exitCode, 0);
    QCOMPARE(testsupport::ReadAll(report), QByteArray("Planet.Sys    Hab          Met      Murl's Rating\r\n\r\n12.A"
                                                      "          50           30           280\r\n"));
    QCOMPARE(Bench({"dump", galaxyPath, report, "50.5", "0"}).exitCode, 0); // 50.5 rounds to 50
    QVERIFY(testsupport::ReadAll(report).contains("12.A"));

    const Run failed = Bench({"dump", dir.filePath("missing.gxy"), report, "0", "0"});
    QCOMPARE(failed.exitCode, 1);
    QCOMPARE(failed.out.count('\n'), 1);

    testsupport::GalaxyBuilder bad;
    bad.add(4097, 1);
    QVERIFY(bad.writeTo(dir.filePath("bad.gxy")));
    const Run merge = Bench({"merge", dir.filePath("t.gxy"), dir.filePath("bad.gxy")});
    QCOMPARE(merge.exitCode, 1);
    QVERIFY(merge.out.startsWith("error 9: "));
    QCOMPARE(Bench({"merge", dir.filePath("t.gxy"), galaxyPath}).exitCode, 0);
    QCOMPARE(testsupport::ReadAll(dir.filePath("t.gxy")).mid(4), galaxy.bytes().mid(4));
    QCOMPARE(Bench({"merge", dir.filePath("t1.gxy"), galaxyPath, "--records-per-write", "1"}).exitCode, 0);
    QCOMPARE(testsupport::ReadAll(dir.filePath("t1.gxy")), testsupport::ReadAll(dir.filePath("t.gxy")));
}

// hold keeps the galaxy open as the selection does: it sees the records that
// another program appends meanwhile, and a missing file is refused.
void GalaxyBenchTest::holdKeepsTheFileOpen()
{
    QTemporaryDir dir;
    const QString galaxyPath = dir.filePath("g.gxy");
    testsupport::GalaxyBuilder galaxy;
    galaxy.add(1, 1);
    QVERIFY(galaxy.writeTo(galaxyPath));
    QProcess hold;
    hold.start(QStringLiteral(GALAXY_BENCH), {"hold", galaxyPath, "1"});
    QVERIFY(hold.waitForReadyRead(30000));
    QCOMPARE(hold.readLine(), QByteArray("open\n"));
    QVERIFY(testsupport::AppendTo(galaxyPath, testsupport::RecordBytes(testsupport::MakeRecord(2, 1))));
    QVERIFY(hold.waitForFinished(30000));
    QCOMPARE(hold.exitCode(), 0);
    QCOMPARE(hold.readAll(), QByteArray("length ") + QByteArray::number(4 + 492 * 2) + "\n");

    const Run missing = Bench({"hold", dir.filePath("missing.gxy"), "0"});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.out.startsWith("open failed: error "));
}

void GalaxyBenchTest::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no arguments") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frobnicate"};
    QTest::newRow("generate without a count") << QStringList{"generate", "x.gxy"};
    QTest::newRow("count not a number") << QStringList{"generate", "x.gxy", "many"};
    QTest::newRow("seed without a value") << QStringList{"generate", "x.gxy", "3", "--seed"};
    QTest::newRow("threshold out of range") << QStringList{"dump", "g", "r", "40000", "0"};
    QTest::newRow("unknown dump option") << QStringList{"dump", "g", "r", "0", "0", "--colour"};
    QTest::newRow("long separator") << QStringList{"dump", "g", "r", "0", "0", "--separator", "::"};
    QTest::newRow("merge with one file") << QStringList{"merge", "t"};
    QTest::newRow("merge with no records per write") << QStringList{"merge", "t", "s", "--records-per-write", "0"};
    QTest::newRow("merge with an unknown option") << QStringList{"merge", "t", "s", "--fast", "1"};
    QTest::newRow("hold without seconds") << QStringList{"hold", "g.gxy"};
    QTest::newRow("hold for an hour and more") << QStringList{"hold", "g.gxy", "3601"};
}

void GalaxyBenchTest::badArguments()
{
    QFETCH(QStringList, arguments);
    const Run run = Bench(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY((run.out + run.err).contains("usage:"));
}

QTEST_APPLESS_MAIN(GalaxyBenchTest)
#include "tst_galaxybench.moc"
