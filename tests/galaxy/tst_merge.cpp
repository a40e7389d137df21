// Merging galaxy files, checked byte for byte on the files.
#include "galaxy/GalaxyMerge.h"
#include "support/FileSizeCap.h"
#include "support/GalaxyBuilder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

using testsupport::FileSizeCap;
using testsupport::GalaxyBuilder;
using testsupport::MakeRecord;
using testsupport::ReadAll;
using testsupport::RecordBytes;

namespace {

const QByteArray kZeroHeader(4, '\0');

const std::string kTargetChangedText =
    "The file to merge in changed during the merge (the game wrote to it at the same time), and its records may "
    "be damaged: check the galaxy file (a dump to file shows its systems). The systems appended before stay.";
const std::string kSourceShrankText =
    "The file to merge from got shorter during the merge; the systems read from it before were appended, the rest "
    "were not.";

// Writes bytes into a file at an offset, or at its end when offset is -1.
bool WriteInto(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(offset < 0 ? QIODevice::Append : QIODevice::ReadWrite)) {
        return false;
    }
    return (offset < 0 || file.seek(offset)) && file.write(bytes) == bytes.size();
}

QByteArray Record(int system, unsigned char fill = 0x11)
{
    return RecordBytes(MakeRecord(static_cast<galaxy::SystemNumber>(system), 1, {{0.5F, 0.5F}}, fill));
}

} // namespace

class MergeTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void merge_data();
    void merge();
    void systemNumberOutOfRange_data();
    void systemNumberOutOfRange();
    void recordCountOverflow_data();
    void recordCountOverflow();
    void incompleteTargetIsLeftAlone_data();
    void incompleteTargetIsLeftAlone();
    void targetStopsAt32767Records_data();
    void targetStopsAt32767Records();
    void sameFileAddsNothing();
    void openFailures();
    void relativePathsFollowTheWorkingFolder();
    void failedWriteLeavesOnlyWholeRecords_data();
    void failedWriteLeavesOnlyWholeRecords();
    void largeMergeKeepsSourceOrder();
    void changedTargetIsNeverASuccess_data();
    void changedTargetIsNeverASuccess();
    void sourceCutShortFails_data();
    void sourceCutShortFails();

private:
    QString path(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    std::filesystem::path fsPath(const char* name) const { return path(name).toStdString(); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void MergeTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void MergeTest::merge_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray header("HDR1");
    const QByteArray sourceHeader("SRC9");
    QTest::newRow("missing target gets a zero header and every record")
        << false << QByteArray() << sourceHeader + Record(5) + Record(6) + Record(5, 0x22)
        << kZeroHeader + Record(5) + Record(6) + Record(5, 0x22);
    QTest::newRow("empty target") << true << QByteArray() << sourceHeader + Record(5) << kZeroHeader + Record(5);
    QTest::newRow("target of exactly four bytes")
        << true << header << sourceHeader + Record(1) + Record(2) << kZeroHeader + Record(1) + Record(2);
    QTest::newRow("source with only its header") << true << header + Record(1) << sourceHeader << header + Record(1);
    QTest::newRow("known systems are never copied, even when they differ")
        << true << header + Record(1) + Record(3) << sourceHeader + Record(3, 0x77) + Record(2) + Record(1, 0x55)
        << header + Record(1) + Record(3) + Record(2);
    QTest::newRow("two new records of one number are both appended")
        << true << header + Record(1) << sourceHeader + Record(9) + Record(9, 0x33)
        << header + Record(1) + Record(9) + Record(9, 0x33);
    QTest::newRow("system numbers 0 and 4096 are accepted")
        << true << header + Record(0) << sourceHeader + Record(4096) << header + Record(0) + Record(4096);
    QTest::newRow("incomplete last source record is not copied")
        << true << header + Record(1) << sourceHeader + Record(2) + Record(3).left(400)
        << header + Record(1) + Record(2);
    QTest::newRow("incomplete short source tail is not copied")
        << true << header + Record(1) << sourceHeader + Record(2) + Record(3).left(100)
        << header + Record(1) + Record(2);
}

void MergeTest::merge()
{
    QFETCH(bool, targetExists);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, expected);
    if (targetExists) {
        QVERIFY(GalaxyBuilder(target).writeTo(path("target.gxy")));
    }
    QVERIFY(GalaxyBuilder(source).writeTo(path("source.gxy")));
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"));
    QVERIFY2(result.ok(), result.description().c_str());
    QCOMPARE(ReadAll(path("target.gxy")), expected);
    QCOMPARE(ReadAll(path("source.gxy")), source);
}

void MergeTest::systemNumberOutOfRange_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray header("HDR1");
    const QByteArray sourceHeader("SRC9");
    QTest::newRow("4097 in the source keeps earlier appends")
        << header + Record(1) << sourceHeader + Record(2) + Record(4097) + Record(3) << header + Record(1) + Record(2);
    QTest::newRow("-1 in the source") << header + Record(1) << sourceHeader + Record(-1) + Record(3)
                                      << header + Record(1);
    QTest::newRow("-32768 in the source") << header + Record(1) << sourceHeader + Record(-32768) << header + Record(1);
    QTest::newRow("32767 in the target") << header + Record(32767) << sourceHeader + Record(3)
                                         << header + Record(32767);
    QTest::newRow("4097 in the target") << header + Record(1) + Record(4097) << sourceHeader + Record(3)
                                        << header + Record(1) + Record(4097);
}

void MergeTest::systemNumberOutOfRange()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, expected);
    QVERIFY(GalaxyBuilder(target).writeTo(path("target.gxy")));
    QVERIFY(GalaxyBuilder(source).writeTo(path("source.gxy")));
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"));
    QCOMPARE(result.number(), galaxy::kErrorSubscriptOutOfRange);
    QVERIFY(!result.description().empty());
    QCOMPARE(ReadAll(path("target.gxy")), expected);
}

void MergeTest::recordCountOverflow_data()
{
    QTest::addColumn<bool>("hugeTarget");
    QTest::newRow("target too long") << true;
    QTest::newRow("source too long") << false;
}

void MergeTest::recordCountOverflow()
{
    QFETCH(bool, hugeTarget);
    const QByteArray small = QByteArray("HDR1") + Record(1);
    QVERIFY(GalaxyBuilder(small).writeTo(path("small.gxy")));
    QFile huge(path("huge.gxy"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(16121612)); // sparse: 32767.5 records round to 32768
    huge.close();
    const char* target = hugeTarget ? "huge.gxy" : "small.gxy";
    const char* source = hugeTarget ? "small.gxy" : "huge.gxy";
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath(target), fsPath(source));
    QCOMPARE(result.number(), galaxy::kErrorOverflow);
    QCOMPARE(ReadAll(path("small.gxy")), small);
    QCOMPARE(QFileInfo(path("huge.gxy")).size(), qint64(16121612));
}

void MergeTest::incompleteTargetIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("source");
    // Cut from a galaxy of a header and three records at many lengths: the
    // game writes a file from its start, so what it has not finished is the tail.
    const QByteArray galaxy = QByteArray("HDR1") + Record(1) + Record(2) + Record(3);
    const QByteArray source = QByteArray("SRC9") + Record(500) + Record(501);
    const int lengths[] = {1, 2, 3, 5, 100, 4 + 491, 4 + 492 + 1, 4 + 492 + 300, 4 + 492 * 2 + 100, 4 + 492 * 3 - 1};
    for (const int length : lengths) {
        QTest::addRow("%d bytes", length) << galaxy.left(length) << source;
    }
    // The refusal comes before anything is read of either file.
    QTest::newRow("with a bad source record") << galaxy.left(700) << QByteArray("SRC9") + Record(4097);
    QTest::newRow("with an empty source") << galaxy.left(2) << QByteArray();
}

void MergeTest::incompleteTargetIsLeftAlone()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, source);
    QVERIFY(GalaxyBuilder(target).writeTo(path("target.gxy")));
    QVERIFY(GalaxyBuilder(source).writeTo(path("source.gxy")));
    // Twice: the second merge finds the target as the first left it.
    for (int run = 1; run <= 2; ++run) {
        const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"));
        QCOMPARE(result.number(), galaxy::kErrorIncompleteTarget);
        QVERIFY2(QByteArray::fromStdString(result.description()).contains("incomplete record"),
                 result.description().c_str());
        QCOMPARE(ReadAll(path("target.gxy")), target);
        QCOMPARE(ReadAll(path("source.gxy")), source);
    }
}

void MergeTest::targetStopsAt32767Records_data()
{
    QTest::addColumn<int>("targetRecords");
    QTest::addColumn<QList<int>>("source"); // system numbers; 0 is in the target
    QTest::addColumn<int>("appended");      // leading new source records appended
    QTest::addColumn<int>("error");
    using Numbers = QList<int>;
    QTest::newRow("room for 7 of 10") << 32760 << Numbers{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << 7 << galaxy::kErrorOverflow;
    QTest::newRow("exactly full") << 32760 << Numbers{1, 0, 2, 3, 4, 5, 6, 7} << 7 << 0;
    QTest::newRow("known systems need no room") << 32767 << Numbers{0, 0, 0} << 0 << 0;
    QTest::newRow("full target, one new system") << 32767 << Numbers{0, 9} << 0 << galaxy::kErrorOverflow;
    QTest::newRow("a repeated new number takes room twice") << 32766 << Numbers{5, 5} << 1 << galaxy::kErrorOverflow;
}

void MergeTest::targetStopsAt32767Records()
{
    QFETCH(int, targetRecords);
    QFETCH(QList<int>, source);
    QFETCH(int, appended);
    QFETCH(int, error);
    // A sparse target: zero bytes are records of system 0.
    const qint64 targetLength = 4 + qint64(492) * targetRecords;
    QFile file(path("target.gxy"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("HDR1") == 4 && file.resize(targetLength));
    file.close();
    GalaxyBuilder sourceFile(QByteArray("SRC9"));
    QByteArray expectedTail;
    for (const int n : source) {
        sourceFile.addRaw(Record(n, 0x60));
    }
    int kept = 0;
    for (const int n : source) {
        if (n != 0 && kept < appended) {
            expectedTail += Record(n, 0x60);
            ++kept;
        }
    }
    QVERIFY(sourceFile.writeTo(path("source.gxy")));

    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"));
    QCOMPARE(result.number(), error);
    QVERIFY(QFileInfo(path("target.gxy")).size() <= 4 + qint64(492) * galaxy::kMaxMergeRecordCount);
    QCOMPARE(QFileInfo(path("target.gxy")).size(), targetLength + expectedTail.size());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(4), QByteArray("HDR1"));
    QVERIFY(file.seek(targetLength));
    QCOMPARE(file.readAll(), expectedTail);
    file.close();
    // A full target stays mergeable: a source with nothing new merges.
    if (error != 0) {
        QVERIFY(GalaxyBuilder(QByteArray("SRC9") + Record(0)).writeTo(path("nothing-new.gxy")));
        QVERIFY(galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("nothing-new.gxy")).ok());
    }
}

void MergeTest::sameFileAddsNothing()
{
    const QByteArray bytes = QByteArray("HDR1") + Record(1) + Record(2) + Record(1, 0x44);
    QVERIFY(GalaxyBuilder(bytes).writeTo(path("one.gxy")));
    QVERIFY(galaxy::MergeGalaxyFiles(fsPath("one.gxy"), fsPath("one.gxy")).ok());
    QCOMPARE(ReadAll(path("one.gxy")), bytes);
}

namespace {

// The failure of a merge by the C error number; on Windows the system's own
// error: a folder opened as a file is refused access there.
galaxy::GalaxyResult OpenFailure(int error)
{
#ifdef _WIN32
    const unsigned long code = error == EISDIR   ? 5UL /* ERROR_ACCESS_DENIED */
                               : error == ENOENT ? 2UL /* ERROR_FILE_NOT_FOUND */
                                                 : static_cast<unsigned long>(error);
    return galaxy::GalaxyResult::FromSystemError(code);
#else
    return galaxy::GalaxyResult::Failure(error, std::strerror(error));
#endif
}

} // namespace

void MergeTest::openFailures()
{
    QVERIFY(GalaxyBuilder(QByteArray("SRC9") + Record(1)).writeTo(path("source.gxy")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.gxy")));

    galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("folder.gxy"), fsPath("source.gxy"));
    QCOMPARE(result.number(), OpenFailure(EISDIR).number());
    QCOMPARE(QString::fromStdString(result.description()),
             QString::fromLocal8Bit(OpenFailure(EISDIR).description().c_str()));

    result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("missing.gxy"));
    QCOMPARE(result.number(), OpenFailure(ENOENT).number());

    result = galaxy::MergeGalaxyFiles(fsPath("target2.gxy"), fsPath("folder.gxy"));
    QCOMPARE(result.number(), OpenFailure(EISDIR).number());
    QCOMPARE(ReadAll(path("source.gxy")), QByteArray("SRC9") + Record(1));
}

void MergeTest::relativePathsFollowTheWorkingFolder()
{
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QVERIFY(GalaxyBuilder(QByteArray("SRC9") + Record(8)).writeTo(QStringLiteral("source.gxy")));
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles("target.gxy", "source.gxy");
    QDir::setCurrent(before);
    QVERIFY(result.ok());
    QCOMPARE(ReadAll(path("target.gxy")), kZeroHeader + Record(8));
}

void MergeTest::failedWriteLeavesOnlyWholeRecords_data()
{
    QTest::addColumn<int>("cap");
    QTest::addColumn<int>("wholeRecordsKept");
    // The target starts with its header and one record: 496 bytes.
    QTest::newRow("room for nothing") << 496 << 0;
    QTest::newRow("room for part of one record") << 496 + 100 << 0;
    QTest::newRow("room for two and a half records") << 496 + 492 * 2 + 246 << 2;
    QTest::newRow("room for exactly three records") << 496 + 492 * 3 << 3;
}

void MergeTest::failedWriteLeavesOnlyWholeRecords()
{
    QFETCH(int, cap);
    QFETCH(int, wholeRecordsKept);
    const QByteArray target = QByteArray("HDR1") + Record(1);
    QByteArray source = "SRC9";
    QByteArray appended;
    for (int n = 100; n < 110; ++n) {
        source += Record(n);
        appended += Record(n);
    }
    QVERIFY(GalaxyBuilder(target).writeTo(path("target.gxy")));
    QVERIFY(GalaxyBuilder(source).writeTo(path("source.gxy")));
    QUARRIMAX_NEEDS_FILE_SIZE_CAP();
    galaxy::GalaxyResult result;
    {
        FileSizeCap cap_(cap);
        QVERIFY(cap_.ok());
        result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"));
    }
    QCOMPARE(result.number(), EFBIG);
    QCOMPARE(ReadAll(path("target.gxy")), target + appended.left(492 * wholeRecordsKept));
}

void MergeTest::largeMergeKeepsSourceOrder()
{
    // More records than one write block, with known systems scattered among them.
    GalaxyBuilder target(QByteArray("HDR1"));
    GalaxyBuilder source(QByteArray("SRC9"));
    QByteArray expected = "HDR1";
    for (int n = 0; n <= 4096; n += 3) {
        target.addRaw(Record(n));
        expected += Record(n);
    }
    QByteArray appended;
    for (int n = 4096; n >= 0; --n) {
        source.addRaw(Record(n, static_cast<unsigned char>(n)));
        if (n % 3 != 0) {
            appended += Record(n, static_cast<unsigned char>(n));
        }
    }
    QVERIFY(target.writeTo(path("target.gxy")));
    QVERIFY(source.writeTo(path("source.gxy")));
    QVERIFY(galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy")).ok());
    QCOMPARE(ReadAll(path("target.gxy")), expected + appended);
}

// Another program writes into the target during the merge, at a moment made
// certain by the merge's hooks (here this process, between two blocks of one
// record): over a record the merge wrote, a single byte of the last block,
// over the zero header it wrote, a record after its last block, a record
// right before a block. The merge never reports success, tells that records
// may be damaged, and cuts nothing.
void MergeTest::changedTargetIsNeverASuccess_data()
{
    QTest::addColumn<bool>("emptyTarget"); // else a header and one record, 496 bytes
    QTest::addColumn<bool>("beforeWrite"); // else after the write
    QTest::addColumn<int>("atBlock");      // records appended when the other program writes
    QTest::addColumn<qint64>("offset");    // where it writes; -1: at the end
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("blocksWritten");
    QTest::newRow("a record written over one of the merge's")
        << false << false << 3 << qint64(496 + 492) << Record(900) << 6;
    QTest::newRow("one byte of the last block changed")
        << false << false << 6 << qint64(496 + 492 * 5 + 300) << QByteArray(1, '\x7F') << 6;
    QTest::newRow("a record appended after the last block") << false << false << 6 << qint64(-1) << Record(900) << 6;
    QTest::newRow("half a record appended after the last block")
        << false << false << 6 << qint64(-1) << Record(900).left(246) << 6;
    QTest::newRow("the zero header written over") << true << false << 2 << qint64(0) << QByteArray("GAME") << 6;
    QTest::newRow("a record appended right before a block") << false << true << 2 << qint64(-1) << Record(900) << 3;
}

void MergeTest::changedTargetIsNeverASuccess()
{
    QFETCH(bool, emptyTarget);
    QFETCH(bool, beforeWrite);
    QFETCH(int, atBlock);
    QFETCH(qint64, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(int, blocksWritten);
    const QByteArray target = emptyTarget ? QByteArray() : QByteArray("HDR1") + Record(1);
    QByteArray source = "SRC9";
    QByteArray appended;
    for (int n = 100; n < 106; ++n) {
        source += Record(n);
        appended += Record(n);
    }
    QVERIFY(GalaxyBuilder(target).writeTo(path("target.gxy")));
    QVERIFY(GalaxyBuilder(source).writeTo(path("source.gxy")));
    galaxy::MergeTuning tuning;
    tuning.recordsPerWrite = 1;
    bool wrote = false;
    auto write = [&](std::size_t records) {
        if (static_cast<int>(records) == atBlock && !wrote) {
            wrote = WriteInto(path("target.gxy"), offset, bytes);
        }
    };
    (beforeWrite ? tuning.beforeWrite : tuning.afterWrite) = write;
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"), tuning);
    QVERIFY(wrote);
    QCOMPARE(result.number(), galaxy::kErrorTargetChanged);
    QCOMPARE(result.description(), kTargetChangedText);
    QByteArray expected = (emptyTarget ? kZeroHeader : target) + appended.left(492 * atBlock);
    if (offset < 0) {
        expected += bytes;
    }
    expected += appended.mid(492 * atBlock, 492 * (blocksWritten - atBlock));
    if (offset >= 0) {
        expected.replace(offset, bytes.size(), bytes);
    }
    QCOMPARE(ReadAll(path("target.gxy")), expected);
}

// The source gets shorter while it is read (the merge reads it in blocks of
// 256 records, and it is cut right before the merge's first write): the
// records that are still there are appended, and the merge fails with its own
// number, also when the source is short by part of its last record. One that
// grows meanwhile does not fail.
void MergeTest::sourceCutShortFails_data()
{
    QTest::addColumn<int>("cutTo");
    QTest::addColumn<int>("recordsAppended");
    QTest::addColumn<int>("error");
    QTest::newRow("cut to 300 records") << 4 + 492 * 300 << 300 << galaxy::kErrorSourceShrank;
    QTest::newRow("cut inside record 301") << 4 + 492 * 300 + 100 << 300 << galaxy::kErrorSourceShrank;
    QTest::newRow("cut inside its last record") << 4 + 492 * 599 + 400 << 599 << galaxy::kErrorSourceShrank;
    QTest::newRow("grown by part of a record") << 4 + 492 * 600 + 100 << 600 << 0;
}

void MergeTest::sourceCutShortFails()
{
    QFETCH(int, cutTo);
    QFETCH(int, recordsAppended);
    QFETCH(int, error);
    const QByteArray target = QByteArray("HDR1") + Record(1);
    QByteArray source = "SRC9";
    for (int n = 100; n < 700; ++n) {
        source += Record(n, static_cast<unsigned char>(n));
    }
    QVERIFY(GalaxyBuilder(target).writeTo(path("target.gxy")));
    QVERIFY(GalaxyBuilder(source).writeTo(path("source.gxy")));
    galaxy::MergeTuning tuning;
    tuning.recordsPerWrite = 1;
    bool cut = false;
    tuning.beforeWrite = [&](std::size_t appended) {
        if (appended == 0) {
            QFile file(path("source.gxy"));
            cut = file.resize(cutTo);
        }
    };
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(fsPath("target.gxy"), fsPath("source.gxy"), tuning);
    QVERIFY(cut);
    QCOMPARE(result.number(), error);
    if (error != 0) {
        QCOMPARE(result.description(), kSourceShrankText);
    }
    QCOMPARE(ReadAll(path("target.gxy")), target + source.mid(4, 492 * recordsAppended));
}

QTEST_APPLESS_MAIN(MergeTest)
#include "tst_merge.moc"
