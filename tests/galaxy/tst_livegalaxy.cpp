// Reading and merging a galaxy file while another process keeps appending
// records to it, some in one write and some in several pieces, as the game
// does while it runs: the game appending to the file read by the dump, to the
// source of a merge, and to the target that the merge appends to, also the
// way plain programs append (taking the end, then writing there), and the
// game cutting the source of a merge short.
//
// The other process is this test program started again, with
// --append-records or --game, before it would run a test.
#include "galaxy/GalaxyFile.h"
#include "galaxy/GalaxyMerge.h"
#include "galaxy/PlanetReport.h"
#include "support/GalaxyBuilder.h"
#include "support/GameWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

using testsupport::GalaxyBuilder;
using testsupport::MakeRecord;
using testsupport::ReadAll;
using testsupport::ReadByteFrom;
using testsupport::RecordBytes;
using testsupport::WriteAllTo;

namespace {

constexpr int kRecords = 600;
constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;

// Record k carries system k and one planet that every report lists.
QByteArray NumberedRecord(int k)
{
    return RecordBytes(
        MakeRecord(static_cast<galaxy::SystemNumber>(k), 1, {{0.5F, 0.25F}}, static_cast<unsigned char>(k)));
}

// The writer (--append-records PATH): appends records 1 to kRecords, every
// third in three pieces with pauses in between, the others whole, with a
// short pause after each.
int AppendRecords(const char* path)
{
    const int fd = testsupport::OpenGalaxyToAppend(path);
    if (fd < 0) {
        return 2;
    }
    for (int k = 1; k <= kRecords; ++k) {
        const QByteArray record = NumberedRecord(k);
        const int pieces = k % 3 == 0 ? 3 : 1;
        const int size = static_cast<int>(record.size());
        for (int piece = 0; piece < pieces; ++piece) {
            const int from = size * piece / pieces;
            const int to = size * (piece + 1) / pieces;
            if (!WriteAllTo(fd, record.constData() + from, static_cast<std::size_t>(to - from))) {
                return 3;
            }
            testsupport::Pause(150);
        }
        testsupport::Pause(100);
    }
    testsupport::CloseFile(fd);
    return 0;
}

// Starts the writer on the file.
class Appender {
public:
    explicit Appender(const QString& path)
    {
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--append-records"), path});
    }
    ~Appender()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(60000);
        }
    }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;

    bool started() { return m_process.waitForStarted(60000); }
    // Whether it has ended; does not wait.
    bool done() { return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(0); }
    bool succeeded() const { return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0; }

private:
    QProcess m_process;
};

qint64 WholeRecords(const QString& path)
{
    return static_cast<qint64>(galaxy::WholeRecordCount(static_cast<std::uint64_t>(QFileInfo(path).size())));
}

// The game's records in a merge target: system 4096, which the merge's
// source never holds, and the game's own sequence number in bytes the merge
// does not interpret.
QByteArray GameRecord(quint32 sequence)
{
    galaxy::SystemRecord record = MakeRecord(4096, 1, {{0.25F, 0.75F}}, static_cast<unsigned char>(0x80 + sequence));
    std::memcpy(record.bytes.data() + 2, &sequence, sizeof sequence);
    return RecordBytes(record);
}

// Source record k (from 0): a system the target lacks, k in the same bytes.
QByteArray SourceRecord(quint32 k)
{
    galaxy::SystemRecord record =
        MakeRecord(static_cast<galaxy::SystemNumber>(100 + k % 3900), 1, {{0.5F, 0.5F}}, static_cast<unsigned char>(k));
    std::memcpy(record.bytes.data() + 2, &k, sizeof k);
    return RecordBytes(record);
}

// How the game writes: through a handle that only appends, where the system
// puts every write at the end of the file as it is then, or as plain
// programs append, taking the end of the file first and writing there later.
enum class Writes { Appending, AtTheEndTaken };

// The game (--game PATH PIECES cue|free append|take-end CUTTO), writing its
// records to a galaxy file through its own handle, driven over its standard
// input and output. Free-running, it writes whole records with a short pause
// after each until its input ends (2,000 at most), and it says "r" once its
// first record is out. On cue, it writes the next piece of its current
// record (the whole record when it writes in one piece) for each "p" it
// reads and answers "w" when the piece is in the file; a game that writes
// AtTheEndTaken takes the end of the file for each "e" and writes its pieces
// from there on, one after the other; and it cuts the file to CUTTO bytes
// for each "c". It answers "e" and "c" when done. Either way it tells at the
// end how many records it began, in four bytes.
int RunGame(const char* path, int pieces, bool onCue, Writes writes, long long cutTo)
{
    const int fd =
        writes == Writes::Appending ? testsupport::OpenGalaxyToAppend(path) : testsupport::OpenGalaxyToWrite(path);
    if (fd < 0 || pieces < 1) {
        return 2;
    }
    quint32 begun = 0;
    if (onCue) {
        int piece = 0;
        QByteArray record;
        for (char command; (command = ReadByteFrom(kStandardInput)) != '\0';) {
            if (command == 'e' || command == 'c') {
                const bool done = command == 'e' ? testsupport::SeekToEnd(fd) : testsupport::CutFile(fd, cutTo);
                if (!done || !WriteAllTo(kStandardOutput, &command, 1)) {
                    return 3;
                }
                continue;
            }
            if (command != 'p') {
                break;
            }
            if (piece == 0) {
                record = GameRecord(++begun);
            }
            const int size = static_cast<int>(record.size());
            const int from = size * piece / pieces;
            const int to = size * (piece + 1) / pieces;
            if (!WriteAllTo(fd, record.constData() + from, static_cast<std::size_t>(to - from))
                || !WriteAllTo(kStandardOutput, "w", 1)) {
                return 3;
            }
            piece = (piece + 1) % pieces;
        }
    } else {
        // Stops when its input ends, and after 2,000 records waits for
        // that: the merges then complete.
        std::atomic<bool> told{false};
        std::thread listener([&told] {
            while (ReadByteFrom(kStandardInput) != '\0') {}
            told = true;
        });
        while (!told && begun < 2000) {
            const QByteArray record = GameRecord(++begun);
            if (!WriteAllTo(fd, record.constData(), static_cast<std::size_t>(record.size()))) {
                std::_Exit(3);
            }
            if (begun == 1 && !WriteAllTo(kStandardOutput, "r", 1)) {
                std::_Exit(3);
            }
            testsupport::Pause(200);
        }
        listener.join();
    }
    testsupport::CloseFile(fd);
    if (!WriteAllTo(kStandardOutput, reinterpret_cast<const char*>(&begun), sizeof begun)) {
        return 3;
    }
    return 0;
}

// The game in its own process, as RunGame describes it.
class Game {
public:
    Game(const QString& path, int pieces, bool onCue, Writes writes = Writes::Appending, qint64 cutTo = 0)
        : m_pieces(pieces)
    {
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--game"), path, QString::number(pieces),
                         onCue ? QStringLiteral("cue") : QStringLiteral("free"),
                         writes == Writes::Appending ? QStringLiteral("append") : QStringLiteral("take-end"),
                         QString::number(cutTo)});
        m_started = m_process.waitForStarted(60000);
    }
    ~Game() { (void)stop(); }

    bool started() const { return m_started; }
    // Free-running: waits until the first record is in the file.
    bool running() { return reply() == 'r'; }
    // On cue: the next piece, back once it is in the file.
    bool writePiece() { return command('p') == 'w'; }
    // On cue: takes the end of the file (lseek), for the pieces to come.
    bool takeEnd() { return command('e') == 'e'; }
    // On cue: cuts the file to the length given at the start.
    bool cut() { return command('c') == 'c'; }
    // Pieces still to come of the record under way.
    int piecesLeft() const { return (m_pieces - m_cues % m_pieces) % m_pieces; }
    bool cue()
    {
        ++m_cues;
        return writePiece();
    }

    // Stops the game; the number of records it began, -1 when it failed.
    int stop()
    {
        if (!m_started) {
            return -1;
        }
        m_started = false;
        m_process.closeWriteChannel();
        const bool exited = m_process.waitForFinished(5 * 60 * 1000) && m_process.exitStatus() == QProcess::NormalExit
                            && m_process.exitCode() == 0;
        const QByteArray told = m_process.readAllStandardOutput();
        quint32 records = 0;
        if (!exited || told.size() != sizeof records) {
            return -1;
        }
        std::memcpy(&records, told.constData(), sizeof records);
        return static_cast<int>(records);
    }

private:
    char command(char c)
    {
        return m_process.write(&c, 1) == 1 && m_process.waitForBytesWritten(60000) ? reply() : '\0';
    }

    char reply()
    {
        while (m_process.bytesAvailable() == 0) {
            if (!m_process.waitForReadyRead(60000)) {
                return '\0';
            }
        }
        char c = 0;
        return m_process.getChar(&c) ? c : '\0';
    }

    QProcess m_process;
    int m_pieces;
    int m_cues = 0;
    bool m_started = false;
};

// The records of a merge target after the old ones: the game's in the order
// written, the merge's in source order, each exactly as written and once.
// False with a reason when a record is torn, lost, repeated or off the record
// grid, or when the game's records are not gameRecords (unless that is -1).
bool CheckTarget(const QByteArray& target, const QByteArray& old, int gameRecords, QString& why)
{
    if (!target.startsWith(old)) {
        why = QStringLiteral("the old records changed");
        return false;
    }
    if ((target.size() - 4) % 492 != 0) {
        why = QStringLiteral("the target is off the record grid: %1 bytes").arg(target.size());
        return false;
    }
    quint32 nextGame = 1;
    quint32 nextSource = 0;
    for (qsizetype at = old.size(); at < target.size(); at += 492) {
        const QByteArray record = target.mid(at, 492);
        const bool fromGame = galaxy::LoadInt16(reinterpret_cast<const unsigned char*>(record.constData())) == 4096;
        const quint32 expected = fromGame ? nextGame++ : nextSource++;
        if (record != (fromGame ? GameRecord(expected) : SourceRecord(expected))) {
            why = QStringLiteral("the record at offset %1 is not the %2 record %3 whole")
                      .arg(at)
                      .arg(fromGame ? QStringLiteral("game's") : QStringLiteral("source's"))
                      .arg(expected);
            return false;
        }
    }
    if (gameRecords >= 0 && static_cast<int>(nextGame) - 1 != gameRecords) {
        why = QStringLiteral("%1 of the game's %2 records are in the target").arg(nextGame - 1).arg(gameRecords);
        return false;
    }
    return true;
}

// The two files of a merge against the game, in a folder of their own: a
// source of systems the target lacks (SourceRecord 0 onwards) and a target
// of two systems; appended is the source's records as a merge appends them.
struct MergeFiles {
    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("source.gxy"));
    QString target = dir.filePath(QStringLiteral("target.gxy"));
    QByteArray old = QByteArray("HDR1") + NumberedRecord(1) + NumberedRecord(2);
    QByteArray appended;

    bool write(quint32 sourceRecords)
    {
        GalaxyBuilder galaxy(QByteArray("SRC9"));
        for (quint32 k = 0; k < sourceRecords; ++k) {
            galaxy.addRaw(SourceRecord(k));
            appended += SourceRecord(k);
        }
        return galaxy.writeTo(source) && GalaxyBuilder(old).writeTo(target);
    }
};

} // namespace

class LiveGalaxyTest : public QObject {
    Q_OBJECT

private slots:
    void reportListsExactlyTheWholeRecords();
    void mergeCopiesOnlyWholeRecords();
    void mergeNeverWritesOverTheGame_data();
    void mergeNeverWritesOverTheGame();
    void mergeNeverCallsDamageASuccess_data();
    void mergeNeverCallsDamageASuccess();
    void mergeOfASourceCutShortFails_data();
    void mergeOfASourceCutShortFails();
};

void LiveGalaxyTest::reportListsExactlyTheWholeRecords()
{
    QTemporaryDir dir;
    const QString galaxyPath = dir.filePath(QStringLiteral("live.gxy"));
    const QString reportPath = dir.filePath(QStringLiteral("dump.txt"));
    QVERIFY(GalaxyBuilder().writeTo(galaxyPath));
    galaxy::GalaxyFile file;
    QVERIFY(file.open(galaxyPath.toStdString(), galaxy::GalaxyFile::Mode::ReadShared).ok());

    Appender writer(galaxyPath);
    QVERIFY(writer.started());
    int dumps = 0;
    bool done = false;
    while (!done) {
        done = writer.done(); // a last dump after the writer has finished
        const qint64 before = WholeRecords(galaxyPath);
        QFile::remove(reportPath);
        QVERIFY(galaxy::WritePlanetReport(&file, reportPath.toStdString(), 0, 0, false, '.').ok());
        const qint64 after = WholeRecords(galaxyPath);
        ++dumps;
        const QList<QByteArray> lines = ReadAll(reportPath).split('\n');
        // Header, empty line, one line per record, and nothing after the last CR LF.
        const qint64 listed = lines.size() - 3;
        QVERIFY2(listed >= before && listed <= after,
                 qPrintable(QStringLiteral("%1 listed, %2 to %3 whole records").arg(listed).arg(before).arg(after)));
        for (qint64 k = 1; k <= listed; ++k) {
            QVERIFY(lines[static_cast<int>(k + 1)].startsWith(QByteArray::number(k) + ".A "));
        }
    }
    QVERIFY(writer.succeeded());
    QCOMPARE(WholeRecords(galaxyPath), qint64(kRecords));
    QCOMPARE(ReadAll(reportPath).count('\n'), kRecords + 2);
    QVERIFY(dumps > 1);
}

void LiveGalaxyTest::mergeCopiesOnlyWholeRecords()
{
    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(QStringLiteral("live.gxy"));
    QVERIFY(GalaxyBuilder().writeTo(sourcePath));

    Appender writer(sourcePath);
    QVERIFY(writer.started());
    int merges = 0;
    bool done = false;
    while (!done) {
        done = writer.done();
        const QString targetPath = dir.filePath(QStringLiteral("target%1.gxy").arg(merges++));
        const galaxy::GalaxyResult result =
            galaxy::MergeGalaxyFiles(targetPath.toStdString(), sourcePath.toStdString());
        QVERIFY2(result.ok(), result.description().c_str());
        const QByteArray target = ReadAll(targetPath);
        QCOMPARE((target.size() - 4) % 492, 0);
        // Every record copied whole and in order: records 1 to n of the writer.
        for (int k = 1; 4 + 492 * k <= target.size(); ++k) {
            QVERIFY(target.mid(4 + 492 * (k - 1), 492) == NumberedRecord(k));
        }
    }
    QVERIFY(writer.succeeded());
    QVERIFY(merges > 1);
}

// The game appends to the target while merges run. The race is made certain:
// the merge writes one record per block, so merging 3,900 records makes
// thousands of writes, each checked before and after; the game is under way
// before the first merge starts, free-running with a pause of 0.2 ms after
// each record (and the first merge waits after its 100th block until the
// game has written), or cued by the merge itself after its fifth block. The
// merge is run again until it completes, as a player would.
// A game that writes its records in pieces runs only on cue: no check can
// cover the moment between the merge's last look at the length and its
// write, and a piece begun in exactly that moment would still get the block
// in its middle.
void LiveGalaxyTest::mergeNeverWritesOverTheGame_data()
{
    QTest::addColumn<int>("pieces");
    QTest::addColumn<bool>("onCue");
    QTest::addColumn<int>("recordsPerWrite");
    QTest::newRow("whole records, free-running, blocks of one record") << 1 << false << 1;
    QTest::newRow("whole records, on cue") << 1 << true << 1;
    QTest::newRow("records in two pieces, on cue") << 2 << true << 1;
    QTest::newRow("records in three pieces, on cue") << 3 << true << 1;
}

void LiveGalaxyTest::mergeNeverWritesOverTheGame()
{
    QFETCH(int, pieces);
    QFETCH(bool, onCue);
    QFETCH(int, recordsPerWrite);
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!onCue && ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
        QSKIP("Wine appends in two steps (it takes the file's length, then writes there), so under Wine two "
              "programs appending at once write over each other; Windows itself appends in one step. The race "
              "runs on Linux, and the staged rows run here");
    }
#endif
    constexpr quint32 kSourceRecords = 3900; // each a system the target lacks
    MergeFiles files;
    QVERIFY(files.write(kSourceRecords));

    Game game(files.target, pieces, onCue);
    QVERIFY(game.started());
    galaxy::MergeTuning tuning;
    tuning.recordsPerWrite = static_cast<std::size_t>(recordsPerWrite);
    bool cued = true;
    if (onCue) {
        tuning.afterWrite = [&](std::size_t appended) {
            if (appended == 5) {
                cued = game.cue();
            }
        };
    } else {
        QVERIFY(game.running());
        // In the first merge the game surely writes: after its 100th block
        // the merge waits until the game has written once more.
        tuning.afterWrite = [&](std::size_t appended) {
            const qint64 mine = files.old.size() + qint64(492) * qint64(appended);
            QElapsedTimer waiting;
            waiting.start();
            while (appended == 100 && QFileInfo(files.target).size() == mine && waiting.elapsed() < 10000) {
                testsupport::Pause(100);
            }
        };
    }
    int merges = 0;
    int stopped = 0;
    galaxy::GalaxyResult result = galaxy::GalaxyResult::Failure(galaxy::kErrorTargetChanged, {});
    // A merge that starts while a write of the game is under way finds the
    // target ending in part of a record (the kernel may grow the file in two
    // steps when a record spans two pages): it refuses, and is run again too.
    const auto gameWrote = [](const galaxy::GalaxyResult& r) {
        return r.number() == galaxy::kErrorTargetChanged || r.number() == galaxy::kErrorIncompleteTarget;
    };
    while (gameWrote(result) && merges < 5000) {
        result = galaxy::MergeGalaxyFiles(files.target.toStdString(), files.source.toStdString(), tuning);
        ++merges;
        if (gameWrote(result)) {
            ++stopped;
            const QByteArray target = ReadAll(files.target);
            // Whatever the game has not finished yet is its own last record.
            const qsizetype whole = target.size() - (target.size() - 4) % 492;
            QString why;
            QVERIFY2(CheckTarget(target.left(whole), files.old, -1, why), qPrintable(why));
        }
        if (!onCue) {
            tuning.afterWrite = nullptr;
        }
        if (onCue && merges == 1) {
            QVERIFY(cued);
            QCOMPARE(result.number(), galaxy::kErrorTargetChanged);
            // Five blocks, then what the game wrote, and nothing after it.
            QCOMPARE(ReadAll(files.target).size(), files.old.size() + 492 * 5 + 492 / pieces);
            // The game finishes its record, and the next merge runs alone.
            while (game.piecesLeft() > 0) {
                QVERIFY(game.cue());
            }
            tuning.afterWrite = nullptr;
        }
    }
    const int written = game.stop();
    QVERIFY2(result.ok(), result.description().c_str());
    QVERIFY(written > 0);
    QVERIFY(stopped >= 1);
    QString why;
    const QByteArray target = ReadAll(files.target);
    QVERIFY2(CheckTarget(target, files.old, written, why), qPrintable(why));
    QCOMPARE(target.size(), files.old.size() + 492 * (written + qsizetype(kSourceRecords)));
    qInfo("%d merges, %d stopped because the game wrote; the game wrote %d records, none lost", merges, stopped,
          written);
}

// The game writes into what the merge has written, or in front of a block of
// it, at moments made certain with the merge's hooks (one record per block):
// a game that takes the end of the file and writes there later, after the
// merge has written past that end (in front of its first block, into a block
// in the middle, into the last one), the record whole or in pieces, one piece
// after each of the following blocks; and a game that appends with O_APPEND
// in pieces, its first piece right before a block, in the one moment that
// the check before a write cannot see. Every merge ends in the
// target-changed failure, never in success, and the target holds every byte
// the game wrote where the game wrote it: nothing of it is cut.
void LiveGalaxyTest::mergeNeverCallsDamageASuccess_data()
{
    QTest::addColumn<bool>("takesTheEnd"); // else appends with O_APPEND
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("takeEndAfter"); // blocks written when the game takes the end
    QTest::addColumn<int>("firstPieceAt"); // blocks written when the first piece goes
    constexpr int kLast = 20;
    QTest::newRow("end taken, a whole record into a block written before") << true << 1 << 5 << 6;
    QTest::newRow("end taken, three pieces into blocks written before") << true << 3 << 5 << 6;
    QTest::newRow("end taken before the merge began, written after its first block") << true << 1 << 0 << 1;
    QTest::newRow("end taken, two pieces after the blocks that followed it") << true << 2 << 7 << 12;
    QTest::newRow("end taken before the last block, written after it") << true << 1 << kLast - 1 << kLast;
    QTest::newRow("O_APPEND, a whole record right before a block") << false << 1 << -1 << 5;
    QTest::newRow("O_APPEND, the first of two pieces right before a block") << false << 2 << -1 << 5;
    QTest::newRow("O_APPEND, the first of three pieces right before the last block") << false << 3 << -1 << kLast - 1;
}

void LiveGalaxyTest::mergeNeverCallsDamageASuccess()
{
    QFETCH(bool, takesTheEnd);
    QFETCH(int, pieces);
    QFETCH(int, takeEndAfter);
    QFETCH(int, firstPieceAt);
    constexpr quint32 kSourceRecords = 20;
    MergeFiles files;
    QVERIFY(files.write(kSourceRecords));

    Game game(files.target, pieces, true, takesTheEnd ? Writes::AtTheEndTaken : Writes::Appending);
    QVERIFY(game.started());
    galaxy::MergeTuning tuning;
    tuning.recordsPerWrite = 1;
    bool cued = true;
    int piecesOut = 0;
    if (takesTheEnd) {
        if (takeEndAfter == 0) {
            QVERIFY(game.takeEnd());
        }
        tuning.afterWrite = [&](std::size_t appended) {
            const int blocks = static_cast<int>(appended);
            if (blocks == takeEndAfter) {
                cued = game.takeEnd() && cued;
            }
            if (piecesOut < pieces && blocks == firstPieceAt + piecesOut) {
                cued = game.cue() && cued;
                ++piecesOut;
            }
        };
    } else {
        tuning.beforeWrite = [&](std::size_t appended) {
            if (piecesOut == 0 && static_cast<int>(appended) == firstPieceAt) {
                cued = game.cue() && cued;
                ++piecesOut;
            }
        };
    }
    const galaxy::GalaxyResult result =
        galaxy::MergeGalaxyFiles(files.target.toStdString(), files.source.toStdString(), tuning);
    QVERIFY(cued);
    QCOMPARE(piecesOut, takesTheEnd ? pieces : 1);
    // The game finishes its record after the merge.
    while (game.piecesLeft() > 0) {
        QVERIFY(game.cue());
    }
    QCOMPARE(game.stop(), 1);

    QCOMPARE(result.number(), galaxy::kErrorTargetChanged);
    const QByteArray gameRecord = GameRecord(1);
    QByteArray expected;
    if (takesTheEnd) {
        // Every block written, the game's record over the records that
        // stood at the end it took.
        expected = files.old + files.appended;
        expected.replace(files.old.size() + 492 * takeEndAfter, 492, gameRecord);
    } else {
        // The blocks before the game's first piece, the piece, the block
        // the merge wrote behind it, where it stopped, and then the rest of
        // the game's record.
        const int firstPiece = 492 / pieces;
        expected = files.old + files.appended.left(492 * firstPieceAt) + gameRecord.left(firstPiece)
                   + files.appended.mid(492 * firstPieceAt, 492) + gameRecord.mid(firstPiece);
    }
    QCOMPARE(ReadAll(files.target), expected);
}

// The game cuts the source while the merge reads it (the merge has read its
// first 256 records by then): the records that are still there are appended,
// and the merge fails with its own number, also when only part of the last
// record went. The target is left with just those records.
void LiveGalaxyTest::mergeOfASourceCutShortFails_data()
{
    QTest::addColumn<qint64>("cutTo");
    QTest::addColumn<int>("recordsLeft");
    QTest::newRow("cut to 1,000 records") << qint64(4 + 492 * 1000) << 1000;
    QTest::newRow("cut inside record 1,001") << qint64(4 + 492 * 1000 + 300) << 1000;
    QTest::newRow("cut inside its last record") << qint64(4 + 492 * 3899 + 300) << 3899;
}

void LiveGalaxyTest::mergeOfASourceCutShortFails()
{
    QFETCH(qint64, cutTo);
    QFETCH(int, recordsLeft);
    constexpr quint32 kSourceRecords = 3900;
    MergeFiles files;
    QVERIFY(files.write(kSourceRecords));

    Game game(files.source, 1, true, Writes::AtTheEndTaken, cutTo);
    QVERIFY(game.started());
    galaxy::MergeTuning tuning;
    tuning.recordsPerWrite = 1;
    bool cut = true;
    tuning.afterWrite = [&](std::size_t appended) {
        if (appended == 1) {
            cut = game.cut();
        }
    };
    const galaxy::GalaxyResult result =
        galaxy::MergeGalaxyFiles(files.target.toStdString(), files.source.toStdString(), tuning);
    QVERIFY(cut);
    QCOMPARE(game.stop(), 0);
    QCOMPARE(result.number(), galaxy::kErrorSourceShrank);
    QCOMPARE(ReadAll(files.target), files.old + files.appended.left(492 * recordsLeft));
    QCOMPARE(QFileInfo(files.source).size(), cutTo);
}

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--append-records") == 0) {
        testsupport::BinaryStandardStreams();
        return AppendRecords(argv[2]);
    }
    if (argc == 7 && std::strcmp(argv[1], "--game") == 0) {
        testsupport::BinaryStandardStreams();
        return RunGame(argv[2], std::atoi(argv[3]), std::strcmp(argv[4], "cue") == 0,
                       std::strcmp(argv[5], "append") == 0 ? Writes::Appending : Writes::AtTheEndTaken,
                       std::atoll(argv[6]));
    }
    QCoreApplication application(argc, argv);
    LiveGalaxyTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_livegalaxy.moc"
