// galaxy_bench seen from outside: its synthetic galaxies, its exit codes and
// what it prints.
#include "galaxy/GalaxyFormat.h"
#include "support/GalaxyBuilder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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
    void anyValuesGalaxy();
    void dumpAndMerge();
    void holdKeepsTheFileOpen();
    void appendAddsWholeRecordsInPieces();
    void numbersFollowTheCLibraryModel();
    void numbersAreTheSameInACommaLocale();
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
    for (const galaxy::SystemRecord& record : testsupport::RecordsOf(bytes)) {
        QVERIFY(record.systemNumber() >= 0 && record.systemNumber() <= 4096);
        QVERIFY(record.planetCount() >= 0 && record.planetCount() <= 6);
        for (int j = 1; j <= 6; ++j) {
            QVERIFY(record.slot(j).hab().fraction >= 0.0F && record.slot(j).hab().fraction < 1.0F);
            QVERIFY(record.slot(j).met().fraction >= 0.0F && record.slot(j).met().fraction < 1.0F);
        }
    }
}

// Galaxies whose Hab and Met are singles of every kind: the report must be
// the yardstick writer's (stdio and %.7G), with and without the rating.
void GalaxyBenchTest::anyValuesGalaxy()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("any.gxy");
    QCOMPARE(Bench({"generate", path, "2000", "--seed", "8", "--any-values"}).exitCode, 0);
    const QByteArray bytes = testsupport::ReadAll(path);
    QCOMPARE(bytes.size(), 4 + 492 * 2000);
    int nan = 0, infinite = 0, negative = 0, huge = 0, subnormal = 0;
    for (const galaxy::SystemRecord& record : testsupport::RecordsOf(bytes)) {
        QVERIFY(record.systemNumber() >= 0 && record.systemNumber() <= 4096);
        for (int j = 1; j <= 6; ++j) {
            for (const float value : {record.slot(j).hab().fraction, record.slot(j).met().fraction}) {
                nan += std::isnan(value) ? 1 : 0;
                infinite += std::isinf(value) ? 1 : 0;
                negative += value < 0.0F ? 1 : 0;
                huge += std::isfinite(value) && std::fabs(value) > 1e6F ? 1 : 0;
                subnormal += std::fpclassify(value) == FP_SUBNORMAL ? 1 : 0;
                // Its percent value times 6 stays a finite single.
                QVERIFY(!std::isfinite(value) || std::isfinite(value * 100.0F * 6.0F));
            }
        }
    }
    QVERIFY(nan > 100 && infinite > 100 && negative > 1000 && huge > 1000 && subnormal > 100);
    for (const QStringList& options : {QStringList{"-32768", "-32768", "--rating"}, QStringList{"0", "5"},
                                       QStringList{"-7", "0", "--rating", "--separator", ","}}) {
        const QString ours = dir.filePath("ours.txt");
        const QString baseline = dir.filePath("baseline.txt");
        QCOMPARE(Bench(QStringList{"dump", path, ours} + options).exitCode, 0);
        QCOMPARE(Bench(QStringList{"baseline-dump", path, baseline} + options).exitCode, 0);
        QVERIFY(testsupport::ReadAll(ours).count('\n') > 500);
        QCOMPARE(testsupport::ReadAll(ours), testsupport::ReadAll(baseline));
    }
    QCOMPARE(testsupport::ReadAll(path), [&] {
        Bench({"generate", dir.filePath("again.gxy"), "2000", "--any-values", "--seed", "8"});
        return testsupport::ReadAll(dir.filePath("again.gxy"));
    }());
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

void GalaxyBenchTest::appendAddsWholeRecordsInPieces()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("t.gxy");
    const QString source = dir.filePath("s.gxy");
    testsupport::GalaxyBuilder before;
    before.add(1, 1, {{0.5F, 0.5F}});
    QVERIFY(before.writeTo(target));
    testsupport::GalaxyBuilder more;
    more.add(2, 2).add(3, 3).add(4, 4);
    QVERIFY(more.writeTo(source));
    // A record the source has not finished is not appended.
    QVERIFY(testsupport::AppendTo(source, QByteArray(100, '\x33')));
    QCOMPARE(Bench({"append", target, source, "--piece", "100", "--pause", "1"}).exitCode, 0);
    QCOMPARE(testsupport::ReadAll(target), before.bytes() + more.bytes().mid(4));
    QCOMPARE(Bench({"append", target, dir.filePath("missing.gxy")}).exitCode, 1);
}

// Each single in the number form must be the C library's %.7G of it, and each
// text's value strtod's, in the "C" locale this test runs in.
void GalaxyBenchTest::numbersFollowTheCLibraryModel()
{
    const Run run = Bench({"numbers", "3000", "--seed", "9"});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 6001);
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 3000; ++i) {
        const QByteArray& line = lines[i];
        const int blank = static_cast<int>(line.indexOf(' '));
        bool ok = false;
        const auto bits = static_cast<quint32>(line.left(blank).toULong(&ok, 16));
        QVERIFY2(ok && blank == 8, line.constData());
        const float value = std::bit_cast<float>(bits);
        char expected[64] = "0";
        if (value != 0.0F) {
            std::snprintf(expected, sizeof expected, "%.7G", static_cast<double>(value));
        }
        QCOMPARE(line.mid(blank + 1), QByteArray(expected));
    }
    for (int i = 3000; i < 6000; ++i) {
        const QByteArray& line = lines[i];
        QVERIFY2(line.size() >= 19 && line[16] == ' ' && line[17] == '[' && line.endsWith(']'), line.constData());
        const QByteArray text = line.mid(18, line.size() - 19);
        char* end = nullptr;
        double expected = std::strtod(text.constData(), &end);
        if (end == text.constData()) {
            // No number at all is 0, as the C standard has it; the C library
            // of mingw-w64 gives -0 for a lone sign.
            expected = 0.0;
        }
        QCOMPARE(line.left(16), QByteArray::number(std::bit_cast<quint64>(expected), 16).rightJustified(16, '0'));
    }
    QCOMPARE(Bench({"numbers", "3000", "--seed", "9"}).out, run.out);
    QVERIFY(Bench({"numbers", "3000", "--seed", "10"}).out != run.out);
}

void GalaxyBenchTest::numbersAreTheSameInACommaLocale()
{
    const Run plain = Bench({"numbers", "2000", "--seed", "4"});
    QCOMPARE(plain.exitCode, 0);
    const Run none = Bench({"numbers", "10", "--locale", "xx_NO.SUCH-locale"});
    QCOMPARE(none.exitCode, 1);
    QVERIFY(none.out.isEmpty());
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        const Run comma = Bench({"numbers", "2000", "--seed", "4", "--locale", name});
        if (comma.exitCode != 0) {
            continue;
        }
        QVERIFY2(comma.err.contains(": ,"), comma.err.constData()); // the locale is in force
        QCOMPARE(comma.out, plain.out);
        return;
    }
    QSKIP("no C library locale with a decimal comma is installed (for example: localedef -i de_DE -f UTF-8 "
          "de_DE.UTF-8, or LOCPATH naming a folder that holds one)");
}

void GalaxyBenchTest::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no arguments") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frobnicate"};
    QTest::newRow("generate without a count") << QStringList{"generate", "x.gxy"};
    QTest::newRow("count not a number") << QStringList{"generate", "x.gxy", "many"};
    QTest::newRow("seed without a value") << QStringList{"generate", "x.gxy", "3", "--seed"};
    QTest::newRow("unknown generate option") << QStringList{"generate", "x.gxy", "3", "--any"};
    QTest::newRow("threshold out of range") << QStringList{"dump", "g", "r", "40000", "0"};
    QTest::newRow("unknown dump option") << QStringList{"dump", "g", "r", "0", "0", "--colour"};
    QTest::newRow("long separator") << QStringList{"dump", "g", "r", "0", "0", "--separator", "::"};
    QTest::newRow("merge with one file") << QStringList{"merge", "t"};
    QTest::newRow("merge with no records per write") << QStringList{"merge", "t", "s", "--records-per-write", "0"};
    QTest::newRow("merge with an unknown option") << QStringList{"merge", "t", "s", "--fast", "1"};
    QTest::newRow("hold without seconds") << QStringList{"hold", "g.gxy"};
    QTest::newRow("hold for an hour and more") << QStringList{"hold", "g.gxy", "3601"};
    QTest::newRow("append with one file") << QStringList{"append", "t"};
    QTest::newRow("append in pieces of nothing") << QStringList{"append", "t", "s", "--piece", "0"};
    QTest::newRow("append with a pause of nothing") << QStringList{"append", "t", "s", "--pause"};
    QTest::newRow("numbers without a count") << QStringList{"numbers"};
    QTest::newRow("numbers with an unknown option") << QStringList{"numbers", "5", "--colour", "red"};
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
