// Reading and merging a galaxy file while another process keeps appending
// records to it, some in one write and some in several pieces, as the game
// does while it runs.
#include "galaxy/GalaxyFile.h"
#include "galaxy/GalaxyMerge.h"
#include "galaxy/PlanetReport.h"
#include "support/GalaxyBuilder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::GalaxyBuilder;
using testsupport::MakeRecord;
using testsupport::ReadAll;
using testsupport::RecordBytes;

namespace {

constexpr int kRecords = 600;

// Record k carries system k and one planet that every report lists.
QByteArray NumberedRecord(int k)
{
    return RecordBytes(MakeRecord(static_cast<galaxy::SystemNumber>(k), 1, {{0.5F, 0.25F}},
                                  static_cast<unsigned char>(k)));
}

// Appends records 1 to kRecords, every third in three pieces with pauses in
// between, the others whole, with a short pause after each.
[[noreturn]] void AppendRecords(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND);
    if (fd < 0) {
        _exit(2);
    }
    for (int k = 1; k <= kRecords; ++k) {
        const QByteArray record = NumberedRecord(k);
        const int pieces = k % 3 == 0 ? 3 : 1;
        const int size = static_cast<int>(record.size());
        for (int piece = 0; piece < pieces; ++piece) {
            const int from = size * piece / pieces;
            const int to = size * (piece + 1) / pieces;
            if (::write(fd, record.constData() + from, static_cast<std::size_t>(to - from)) != to - from) {
                _exit(3);
            }
            ::usleep(150);
        }
        ::usleep(100);
    }
    ::close(fd);
    _exit(0);
}

qint64 WholeRecords(const QString& path)
{
    return static_cast<qint64>(galaxy::WholeRecordCount(static_cast<std::uint64_t>(QFileInfo(path).size())));
}

bool WriterDone(pid_t writer, int& status)
{
    return ::waitpid(writer, &status, WNOHANG) == writer;
}

} // namespace

class LiveGalaxyTest : public QObject {
    Q_OBJECT

private slots:
    void reportListsExactlyTheWholeRecords();
    void mergeCopiesOnlyWholeRecords();
};

void LiveGalaxyTest::reportListsExactlyTheWholeRecords()
{
    QTemporaryDir dir;
    const QString galaxyPath = dir.filePath(QStringLiteral("live.gxy"));
    const QString reportPath = dir.filePath(QStringLiteral("dump.txt"));
    QVERIFY(GalaxyBuilder().writeTo(galaxyPath));
    galaxy::GalaxyFile file;
    QVERIFY(file.open(galaxyPath.toStdString(), galaxy::GalaxyFile::Mode::ReadShared).ok());

    const pid_t writer = ::fork();
    QVERIFY(writer >= 0);
    if (writer == 0) {
        AppendRecords(QFile::encodeName(galaxyPath));
    }
    int dumps = 0;
    int status = 0;
    bool done = false;
    while (!done) {
        done = WriterDone(writer, status); // a last dump after the writer has finished
        const qint64 before = WholeRecords(galaxyPath);
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
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(WholeRecords(galaxyPath), qint64(kRecords));
    QCOMPARE(ReadAll(reportPath).count('\n'), kRecords + 2);
    QVERIFY(dumps > 1);
}

void LiveGalaxyTest::mergeCopiesOnlyWholeRecords()
{
    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(QStringLiteral("live.gxy"));
    QVERIFY(GalaxyBuilder().writeTo(sourcePath));

    const pid_t writer = ::fork();
    QVERIFY(writer >= 0);
    if (writer == 0) {
        AppendRecords(QFile::encodeName(sourcePath));
    }
    int merges = 0;
    int status = 0;
    bool done = false;
    while (!done) {
        done = WriterDone(writer, status);
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
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY(merges > 1);
}

QTEST_APPLESS_MAIN(LiveGalaxyTest)
#include "tst_livegalaxy.moc"
