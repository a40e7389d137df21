// The planet report written from galaxy files, byte for byte.
#include "galaxy/GalaxyFile.h"
#include "galaxy/PlanetReport.h"
#include "support/FileSizeCap.h"
#include "support/GalaxyBuilder.h"
#include "support/PlanetLines.h"
#include "support/Unprivileged.h"

#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using testsupport::GalaxyBuilder;
using testsupport::ReadAll;

namespace {

const QByteArray& kHeader = testsupport::kReportHeader;
const QByteArray& kHeaderRating = testsupport::kReportHeaderWithRating;

} // namespace

class PlanetReportTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void report_data();
    void report();
    void thresholdsAndSlots_data();
    void thresholdsAndSlots();
    void shortFilesHoldNoRecords_data();
    void shortFilesHoldNoRecords();
    void partialLastRecordIsNotARecord();
    void valuesThatAreNotNumbers();
    void overflowFailsKeepingEarlierLines_data();
    void overflowFailsKeepingEarlierLines();
    void noOpenGalaxyWritesHeaderThenFails();
    void reportThatCannotBeCreated_data();
    void reportThatCannotBeCreated();
    void repeatedReportsAreIdentical();
    void growthIsSeenByTheNextReport();
    void largeGalaxyCrossesBlocks();
    void failedWriteKeepsWholeLines_data();
    void failedWriteKeepsWholeLines();
    void refusedByPermissions_data();
    void refusedByPermissions();

private:
    QString galaxyPath() const { return m_dir->filePath(QStringLiteral("galaxy.gxy")); }
    QString reportPath() const { return m_dir->filePath(QStringLiteral("dump.txt")); }
    galaxy::GalaxyResult dump(const GalaxyBuilder& galaxy, int minHab, int minMet, bool rating, char separator = '.');
    galaxy::GalaxyResult dumpAgain(int minHab, int minMet, bool rating, char separator = '.');

    std::unique_ptr<QTemporaryDir> m_dir;
};

void PlanetReportTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

galaxy::GalaxyResult PlanetReportTest::dump(const GalaxyBuilder& builder, int minHab, int minMet, bool rating,
                                            char separator)
{
    if (!builder.writeTo(galaxyPath())) {
        return galaxy::GalaxyResult::Failure(-1, "cannot write the test galaxy");
    }
    return dumpAgain(minHab, minMet, rating, separator);
}

galaxy::GalaxyResult PlanetReportTest::dumpAgain(int minHab, int minMet, bool rating, char separator)
{
    // The report is made anew, as the dump makes it after deleting the old one.
    QFile::remove(reportPath());
    galaxy::GalaxyFile file;
    galaxy::GalaxyResult opened = file.open(galaxyPath().toStdString(), galaxy::GalaxyFile::Mode::ReadShared);
    if (!opened.ok()) {
        return opened;
    }
    return galaxy::WritePlanetReport(&file, reportPath().toStdString(), static_cast<std::int16_t>(minHab),
                                     static_cast<std::int16_t>(minMet), rating, separator);
}

void PlanetReportTest::report_data()
{
    QTest::addColumn<bool>("rating");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray lines = "12.A" + QByteArray(10, ' ') + "50" + QByteArray(11, ' ') + "30";
    const QByteArray second = "1234.C" + QByteArray(8, ' ') + "37.5" + QByteArray(9, ' ') + "8";
    QTest::newRow("without rating") << false << '.' << kHeader + lines + "\r\n" + second + "\r\n";
    QTest::newRow("with rating") << true << '.'
                                 << kHeaderRating + lines + QByteArray(11, ' ') + "280\r\n" + second
                                        + QByteArray(12, ' ') + "195.5\r\n";
    QByteArray commaSecond = second;
    commaSecond.replace("37.5", "37,5");
    QTest::newRow("comma separator") << true << ','
                                     << kHeaderRating + lines + QByteArray(11, ' ') + "280\r\n" + commaSecond
                                            + QByteArray(12, ' ') + "195,5\r\n";
}

void PlanetReportTest::report()
{
    QFETCH(bool, rating);
    QFETCH(char, separator);
    QFETCH(QByteArray, expected);
    GalaxyBuilder galaxy;
    // Slots 1 and 2 of system 1234 stay below the thresholds of 1 percent.
    galaxy.add(12, 1, {{0.5F, 0.3F}}).add(1234, 3, {{0.0F, 0.0F}, {0.005F, 0.005F}, {0.375F, 0.08F}});
    const galaxy::GalaxyResult result = dump(galaxy, 1, 1, rating, separator);
    QVERIFY2(result.ok(), result.description().c_str());
    QCOMPARE(ReadAll(reportPath()), expected);
}

void PlanetReportTest::thresholdsAndSlots_data()
{
    QTest::addColumn<int>("minHab");
    QTest::addColumn<int>("minMet");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("0 and 0 lists every counted slot") << 0 << 0 << QStringList{"1.A", "1.B", "2.A", "3.A", "3.F"};
    QTest::newRow("hab exactly at the threshold") << 50 << 0 << QStringList{"1.A", "3.F"};
    QTest::newRow("0.53 reaches 52") << 52 << 0 << QStringList{"3.F"};
    QTest::newRow("0.53 does not reach 53") << 53 << 0 << QStringList{};
    QTest::newRow("0.3 reaches 30") << 0 << 30 << QStringList{"1.A", "3.A", "3.F"};
    QTest::newRow("nothing qualifies") << 99 << 99 << QStringList{};
    QTest::newRow("negative threshold lists negative values")
        << -10 << -10 << QStringList{"1.A", "1.B", "2.A", "3.A", "3.B", "3.C", "3.D", "3.E", "3.F"};
}

void PlanetReportTest::thresholdsAndSlots()
{
    QFETCH(int, minHab);
    QFETCH(int, minMet);
    QFETCH(QStringList, listed);
    GalaxyBuilder galaxy;
    galaxy
        .add(1, 2, {{0.5F, 0.3F}, {0.4999999F, 0.1F}, {0.9F, 0.9F}}) // slot 3 is not counted
        .add(2, 1, {{0.2F, 0.2F}})
        .add(3, 7, {{0.1F, 0.3F}, {-0.1F, 0.1F}, {-0.1F, 0.1F}, {-0.1F, 0.1F}, {-0.05F, -0.05F}, {0.53F, 0.53F}})
        .add(4, 0, {{0.9F, 0.9F}})
        .add(5, -1, {{0.9F, 0.9F}});
    const galaxy::GalaxyResult result = dump(galaxy, minHab, minMet, false);
    QVERIFY2(result.ok(), result.description().c_str());
    const QByteArray report = ReadAll(reportPath());
    QVERIFY(report.startsWith(kHeader));
    QStringList designations;
    for (const QByteArray& line : report.mid(kHeader.size()).split('\n')) {
        if (!line.isEmpty()) {
            QVERIFY(line.endsWith('\r'));
            designations << QString::fromLatin1(line.left(line.indexOf(' ')));
        }
    }
    QCOMPARE(designations, listed);
}

void PlanetReportTest::shortFilesHoldNoRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("three bytes") << QByteArray("abc");
    QTest::newRow("header only") << QByteArray("GXY1");
    QTest::newRow("header and 491 bytes") << QByteArray("GXY1") + QByteArray(491, '\x01');
}

void PlanetReportTest::shortFilesHoldNoRecords()
{
    QFETCH(QByteArray, bytes);
    const galaxy::GalaxyResult result = dump(GalaxyBuilder(bytes), 0, 0, true);
    QVERIFY(result.ok());
    QCOMPARE(ReadAll(reportPath()), kHeaderRating);
}

void PlanetReportTest::partialLastRecordIsNotARecord()
{
    GalaxyBuilder galaxy;
    galaxy.add(7, 1, {{0.5F, 0.5F}});
    // The game has written the first half of a record whose planet would qualify.
    galaxy.addRaw(testsupport::RecordBytes(testsupport::MakeRecord(8, 1, {{0.9F, 0.9F}})).left(300));
    QVERIFY(dump(galaxy, 0, 0, false).ok());
    const QByteArray report = ReadAll(reportPath());
    QVERIFY(report.contains("7.A"));
    QVERIFY(!report.contains("8.A"));
}

void PlanetReportTest::valuesThatAreNotNumbers()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    GalaxyBuilder galaxy;
    galaxy.add(1, 6, {{nan, 0.5F}, {0.5F, nan}, {inf, 0.5F}, {0.5F, -inf}, {1e-40F, 0.5F}, {0.5F, 0.5F}});
    const galaxy::GalaxyResult result = dump(galaxy, 0, 0, true);
    QVERIFY2(result.ok(), result.description().c_str());
    const QByteArray report = ReadAll(reportPath());
    // Slot E holds a subnormal fraction: a tiny but real value, whose
    // product by 100 keeps only the precision a subnormal has.
    QCOMPARE(report, kHeaderRating + "1.E" + QByteArray(11, ' ') + "9.999946E-39" + QByteArray(1, ' ') + "50"
                         + QByteArray(11, ' ') + "50\r\n" + "1.F" + QByteArray(11, ' ') + "50" + QByteArray(11, ' ')
                         + "50" + QByteArray(11, ' ') + "300\r\n");
}

void PlanetReportTest::overflowFailsKeepingEarlierLines_data()
{
    QTest::addColumn<float>("hab");
    QTest::addColumn<float>("met");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("rating");
    QTest::newRow("hab times 100") << 1e37F << 0.5F << 1 << false;
    QTest::newRow("met times 100") << 0.5F << -1e37F << 1 << false;
    QTest::newRow("in a slot that is not a planet") << 1e37F << 0.5F << 0 << false;
    QTest::newRow("rating") << 1e36F << 0.5F << 1 << true;
}

void PlanetReportTest::overflowFailsKeepingEarlierLines()
{
    QFETCH(float, hab);
    QFETCH(float, met);
    QFETCH(int, count);
    QFETCH(bool, rating);
    GalaxyBuilder galaxy;
    galaxy.add(1, 1, {{0.5F, 0.5F}})
        .add(2, static_cast<galaxy::PlanetCount>(count), {{hab, met}})
        .add(3, 1, {{0.5F, 0.5F}});
    const galaxy::GalaxyResult result = dump(galaxy, -100, -100, rating);
    QVERIFY(!result.ok());
    const QByteArray report = ReadAll(reportPath());
    QVERIFY(report.contains("1.A"));
    QVERIFY(!report.contains("2.A"));
    QVERIFY(!report.contains("3.A"));
    QVERIFY(report.endsWith("\r\n"));
}

void PlanetReportTest::noOpenGalaxyWritesHeaderThenFails()
{
    const galaxy::GalaxyResult result =
        galaxy::WritePlanetReport(nullptr, reportPath().toStdString(), 0, 0, false, '.');
    QVERIFY(!result.ok());
    QCOMPARE(ReadAll(reportPath()), kHeader);
    QVERIFY(QFile::remove(reportPath()));
    galaxy::GalaxyFile closed;
    QVERIFY(!galaxy::WritePlanetReport(&closed, reportPath().toStdString(), 0, 0, true, '.').ok());
    QCOMPARE(ReadAll(reportPath()), kHeaderRating);
}

void PlanetReportTest::reportThatCannotBeCreated_data()
{
    QTest::addColumn<QString>("standing"); // what stands at the report's name
    QTest::newRow("a folder") << QStringLiteral("folder");
    QTest::newRow("a file") << QStringLiteral("file");
#ifndef Q_OS_WIN
    QTest::newRow("a link to a file") << QStringLiteral("link");
    QTest::newRow("a link to nothing") << QStringLiteral("dangling link");
#endif
}

// The report is a new file: whatever stands at its name fails it, and nothing
// is written into it or through it.
void PlanetReportTest::reportThatCannotBeCreated()
{
    QFETCH(QString, standing);
    const QString other = m_dir->filePath(QStringLiteral("galaxy-of-another.gxy"));
    if (standing == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("dump.txt")));
    } else if (standing == "file") {
        QVERIFY(testsupport::WriteFile(reportPath(), "old report"));
    } else {
        QVERIFY(standing == "dangling link" || testsupport::WriteFile(other, "GXY1"));
        QVERIFY(QFile::link(other, reportPath()));
    }
    GalaxyBuilder galaxy;
    galaxy.add(1, 1, {{0.5F, 0.5F}});
    QVERIFY(galaxy.writeTo(galaxyPath()));
    galaxy::GalaxyFile file;
    QVERIFY(file.open(galaxyPath().toStdString(), galaxy::GalaxyFile::Mode::ReadShared).ok());
    QVERIFY(!galaxy::WritePlanetReport(&file, reportPath().toStdString(), 0, 0, false, '.').ok());
    if (standing == "file") {
        QCOMPARE(ReadAll(reportPath()), QByteArray("old report"));
    }
    QCOMPARE(QFileInfo::exists(other) ? ReadAll(other) : QByteArray("<none>"),
             QByteArray(standing == "link" ? "GXY1" : "<none>"));
}

void PlanetReportTest::repeatedReportsAreIdentical()
{
    GalaxyBuilder galaxy;
    for (int i = 0; i < 300; ++i) {
        const auto f = static_cast<float>(i);
        galaxy.add(static_cast<galaxy::SystemNumber>(i), 6,
                   {{f / 300.0F, 0.3F}, {0.9F, f / 7.0F}, {0.1F, 0.2F}, {0.4F, 0.4F}, {0.77F, 0.01F}, {1.0F, 1.0F}});
    }
    QVERIFY(dump(galaxy, 10, 10, true).ok());
    const QByteArray first = ReadAll(reportPath());
    QVERIFY(dump(galaxy, 10, 10, true).ok());
    QCOMPARE(ReadAll(reportPath()), first);
    QVERIFY(dump(galaxy, 10, 10, true).ok());
    QCOMPARE(ReadAll(reportPath()), first);
}

void PlanetReportTest::growthIsSeenByTheNextReport()
{
    GalaxyBuilder galaxy;
    galaxy.add(1, 1, {{0.5F, 0.5F}});
    QVERIFY(galaxy.writeTo(galaxyPath()));
    galaxy::GalaxyFile file;
    QVERIFY(file.open(galaxyPath().toStdString(), galaxy::GalaxyFile::Mode::ReadShared).ok());
    QVERIFY(galaxy::WritePlanetReport(&file, reportPath().toStdString(), 0, 0, false, '.').ok());
    QVERIFY(!ReadAll(reportPath()).contains("2.A"));
    QVERIFY(
        testsupport::AppendTo(galaxyPath(), testsupport::RecordBytes(testsupport::MakeRecord(2, 1, {{0.6F, 0.6F}}))));
    QVERIFY(QFile::remove(reportPath()));
    QVERIFY(galaxy::WritePlanetReport(&file, reportPath().toStdString(), 0, 0, false, '.').ok());
    QVERIFY(ReadAll(reportPath()).contains("2.A"));
}

void PlanetReportTest::largeGalaxyCrossesBlocks()
{
    // Far more records than one read block and far more text than one write
    // block: every record must be seen exactly once, in file order.
    GalaxyBuilder galaxy;
    const int records = 5000;
    for (int i = 0; i < records; ++i) {
        galaxy.add(static_cast<galaxy::SystemNumber>(i % 4097), 1, {{0.5F, 0.5F}});
    }
    QVERIFY(dump(galaxy, 0, 0, true).ok());
    const QList<QByteArray> lines = ReadAll(reportPath()).split('\n');
    QCOMPARE(lines.size(), records + 3); // header, empty line, records, and nothing after the last CR LF
    for (int i = 0; i < records; ++i) {
        QVERIFY(lines[i + 2].startsWith(QByteArray::number(i % 4097) + ".A "));
    }
}

void PlanetReportTest::failedWriteKeepsWholeLines_data()
{
    QTest::addColumn<int>("cap");
    QTest::newRow("no room for the header") << 10;
    QTest::newRow("stops after the header line") << 51;
    QTest::newRow("room for the header only") << 53;
    QTest::newRow("stops inside a line") << 1000;
    QTest::newRow("stops inside a later block") << 70000;
}

void PlanetReportTest::failedWriteKeepsWholeLines()
{
    QFETCH(int, cap);
    QUARRIMAX_NEEDS_FILE_SIZE_CAP();
    GalaxyBuilder galaxy;
    for (int i = 0; i < 2000; ++i) {
        galaxy.add(static_cast<galaxy::SystemNumber>(i), 2, {{0.5F, 0.25F}, {0.75F, 0.125F}});
    }
    QVERIFY(dump(galaxy, 0, 0, true).ok());
    const QByteArray complete = ReadAll(reportPath());

    galaxy::GalaxyResult result;
    {
        testsupport::FileSizeCap capped(cap);
        QVERIFY(capped.ok());
        result = dumpAgain(0, 0, true);
    }
    QCOMPARE(result.number(), EFBIG);
    const QByteArray partial = ReadAll(reportPath());
    QVERIFY(partial.size() <= cap);
    QVERIFY(complete.startsWith(partial));
    QVERIFY(partial.isEmpty() || partial.endsWith("\r\n"));

    // The report was closed: the next one replaces it whole.
    QVERIFY(dump(galaxy, 0, 0, true).ok());
    QCOMPARE(ReadAll(reportPath()), complete);
}

void PlanetReportTest::refusedByPermissions_data()
{
    QTest::addColumn<QString>("refused");
    QTest::newRow("galaxy file that cannot be read") << QStringLiteral("galaxy");
    QTest::newRow("read-only report") << QStringLiteral("report");
    QTest::newRow("read-only folder") << QStringLiteral("folder");
}

void PlanetReportTest::refusedByPermissions()
{
    QFETCH(QString, refused);
#ifdef _WIN32
    // The read-only attribute, Windows' counterpart of the write bits, keeps
    // a file from being written; it cannot keep one from being read, and
    // folders ignore it.
    if (refused != "report") {
        QSKIP("on Windows the read-only attribute neither forbids reading a file nor writing in a folder");
    }
    QUARRIMAX_NEEDS_READ_ONLY_KEPT();
#endif
    const QString folder = m_dir->filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(folder));
    const QString galaxyFile = folder + QStringLiteral("/galaxy.gxy");
    const QString report = folder + QStringLiteral("/dump.txt");
    GalaxyBuilder galaxy;
    galaxy.add(1, 1, {{0.5F, 0.5F}});
    QVERIFY(galaxy.writeTo(galaxyFile));
    QVERIFY(GalaxyBuilder(QByteArray("old report")).writeTo(report));
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::ReadOther | QFileDevice::ReadGroup;
    const auto writable = QFileDevice::WriteOwner | QFileDevice::WriteOther | QFileDevice::WriteGroup;
    const auto enter = QFileDevice::ExeOwner | QFileDevice::ExeOther | QFileDevice::ExeGroup;
    QVERIFY(QFile::setPermissions(m_dir->path(), everyone | enter));
    QVERIFY(QFile::setPermissions(folder,
                                  everyone | enter | (refused == "folder" ? QFileDevice::Permissions() : writable)));
    QVERIFY(QFile::setPermissions(galaxyFile, refused == "galaxy" ? QFileDevice::Permissions() : everyone));
    QVERIFY(QFile::setPermissions(report, refused == "report" ? everyone : everyone | writable));
    if (refused == "folder") {
        QVERIFY(QFile::remove(report) || !QFile::exists(report));
    }

    // 1: the galaxy file did not open; 2: the report failed; 0: all went through.
    const std::string galaxyName = galaxyFile.toStdString();
    const std::string reportName = report.toStdString();
    const int outcome = testsupport::RunUnprivileged([&] {
        galaxy::GalaxyFile file;
        if (!file.open(galaxyName, galaxy::GalaxyFile::Mode::ReadShared).ok()) {
            return 1;
        }
        return galaxy::WritePlanetReport(&file, reportName, 0, 0, false, '.').ok() ? 0 : 2;
    });
    QVERIFY2(outcome >= 0, "could not run the check as an ordinary user");
    QCOMPARE(outcome, refused == "galaxy" ? 1 : 2);
    if (refused == "report") {
        QCOMPARE(ReadAll(report), QByteArray("old report"));
    }
    QVERIFY(QFile::setPermissions(folder, everyone | enter | writable | QFileDevice::WriteOwner));
}

QTEST_APPLESS_MAIN(PlanetReportTest)
#include "tst_planetreport.moc"
