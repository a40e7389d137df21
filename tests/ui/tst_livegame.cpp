// A game that keeps writing: a second process appends system records to a
// galaxy file, some in one write and some in several pieces, while the main
// window dumps it, the monitor ticks on it and the merge window merges from
// it. Between its batches the writer stands still with a record half written,
// so that each of them also meets a file that ends inside a record.
//
// The writer is this test program started again with --append-records, long
// before it would make a Qt application.
#include "MainWindowDriver.h"
#include "UiFixture.h"
#include "support/GalaxyBuilder.h"
#include "support/GameWriter.h"
#include "support/PlanetLines.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmMerge.h"
#include "windows/frmQuarrimax.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <functional>

using namespace uitest;

namespace {

constexpr int kRecordSize = 492;
constexpr int kBatches = 5;
constexpr int kPerBatch = 50;
constexpr int kRecords = kBatches * kPerBatch;
// Where the writer stands still after each batch but the last: how many bytes
// of the next record it has written.
constexpr int kStopInside[kBatches - 1] = {1, 100, 300, kRecordSize - 1};

// Record k: system k with k % 7 planets (none to six), each of Hab 50 and Met 25.
QByteArray LiveRecord(int k)
{
    const Planet planet{0.5F, 0.25F};
    return testsupport::RecordBytes(Record(static_cast<std::int16_t>(k), static_cast<std::int16_t>(k % 7),
                                           {planet, planet, planet, planet, planet, planet}));
}

bool WriteAll(int fd, const char* bytes, qsizetype size)
{
    return testsupport::WriteAllTo(fd, bytes, static_cast<std::size_t>(size));
}

// The writer: for each "g" read from its input it appends a batch of records,
// record k in k % 3 + 1 pieces with short pauses, then writes the first bytes
// of the next record and answers "p" (or "e" after the last batch).
int AppendRecords(const char* path)
{
    const int galaxy = testsupport::OpenGalaxyToAppend(path);
    if (galaxy < 0) {
        return 2;
    }
    int k = 1;
    for (int batch = 0; batch < kBatches; ++batch) {
        if (testsupport::ReadByteFrom(0) != 'g') {
            return 3;
        }
        if (batch > 0) {
            const QByteArray rest = LiveRecord(k).mid(kStopInside[batch - 1]);
            if (!WriteAll(galaxy, rest.constData(), rest.size())) {
                return 4;
            }
            ++k;
        }
        for (; k <= (batch + 1) * kPerBatch; ++k) {
            const QByteArray record = LiveRecord(k);
            const int pieces = k % 3 + 1;
            for (int piece = 0; piece < pieces; ++piece) {
                const qsizetype from = record.size() * piece / pieces;
                const qsizetype to = record.size() * (piece + 1) / pieces;
                if (!WriteAll(galaxy, record.constData() + from, to - from)) {
                    return 4;
                }
                testsupport::Pause(300);
            }
        }
        const bool last = batch == kBatches - 1;
        if (!last && !WriteAll(galaxy, LiveRecord(k).constData(), kStopInside[batch])) {
            return 4;
        }
        if (!WriteAll(1, last ? "e" : "p", 1)) {
            return 5;
        }
    }
    testsupport::CloseFile(galaxy);
    return 0;
}

qint64 WholeRecords(const QString& path)
{
    return static_cast<qint64>(galaxy::WholeRecordCount(static_cast<std::uint64_t>(QFileInfo(path).size())));
}

// The planet lines of records 1 to n, without their line ends.
QStringList LinesUpTo(qint64 n)
{
    QStringList lines;
    for (int k = 1; k <= n; ++k) {
        for (int j = 1; j <= k % 7; ++j) {
            const QString planet = QString::number(k) + QStringLiteral(".") + QChar(u'A' + j - 1);
            lines.append(testsupport::PlanetLine(planet, QStringLiteral("50"), QStringLiteral("25")));
        }
    }
    return lines;
}

QByteArray ReportUpTo(qint64 n)
{
    return testsupport::Report(LinesUpTo(n));
}

QByteArray RecordsUpTo(qint64 n)
{
    QByteArray records;
    for (int k = 1; k <= n; ++k) {
        records += LiveRecord(k);
    }
    return records;
}

// Whether what a command made is what records 1 to n make, for some n from
// the whole records before the command to those after it.
bool MadeOfWholeRecords(const std::function<bool(qint64)>& matches, qint64 before, qint64 after)
{
    for (qint64 n = before; n <= after; ++n) {
        if (matches(n)) {
            return true;
        }
    }
    return false;
}

// The writer process, driven batch by batch.
class LiveWriter {
public:
    explicit LiveWriter(const QString& path)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--append-records"), path});
    }
    ~LiveWriter()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(60000);
        }
    }
    LiveWriter(const LiveWriter&) = delete;
    LiveWriter& operator=(const LiveWriter&) = delete;

    bool started() { return m_process.waitForStarted(60000); }
    bool go() { return m_process.write("g", 1) == 1 && m_process.waitForBytesWritten(60000); }

    // The writer's mark once it stands still ('p' inside a record, 'e' at the
    // end), or 0 while it is still writing. Does not wait.
    char mark()
    {
        if (m_process.bytesAvailable() == 0) {
            m_process.waitForReadyRead(0);
        }
        char mark = 0;
        return m_process.getChar(&mark) ? mark : 0;
    }

    bool ended()
    {
        return m_process.waitForFinished(60000) && m_process.exitStatus() == QProcess::NormalExit
               && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
};

} // namespace

class LiveGameTest : public QObject {
    Q_OBJECT

private:
    // Runs the writer batch by batch; while it writes, act runs again and
    // again, and check gets the whole records there were before and after
    // each run. Once the writer stands still act runs once more, and check
    // gets the exact count.
    void whileTheGameWrites(const QString& path, const std::function<void()>& act,
                            const std::function<void(qint64, qint64)>& check)
    {
        LiveWriter writer(path);
        QVERIFY(writer.started());
        int whileWriting = 0;
        for (int batch = 0; batch < kBatches; ++batch) {
            QVERIFY(writer.go());
            char mark = 0;
            do {
                const qint64 before = WholeRecords(path);
                mark = writer.mark();
                act();
                const qint64 after = WholeRecords(path);
                check(before, after);
                if (QTest::currentTestFailed()) {
                    return;
                }
                ++whileWriting;
            } while (mark == 0);
            const bool last = batch == kBatches - 1;
            QCOMPARE(mark, last ? 'e' : 'p');
            const qint64 whole = WholeRecords(path);
            QCOMPARE(QFileInfo(path).size(), 4 + kRecordSize * whole + (last ? 0 : kStopInside[batch]));
            act();
            check(whole, whole);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        QVERIFY(writer.ended());
        QCOMPARE(WholeRecords(path), qint64(kRecords));
        QVERIFY(whileWriting >= kBatches);
        qInfo("%d runs while the game wrote, %d while it stood inside a record", whileWriting, kBatches - 1);
    }

    QPointer<frmQuarrimax> startOnLiveGalaxy(Workspace& workspace)
    {
        if (!WriteFile(workspace.file(QStringLiteral("live.gxy")), "GXY1")) {
            return nullptr;
        }
        StoreGalaxy(1, QStringLiteral("Live"), QStringLiteral("live.gxy"));
        return Start();
    }

private slots:
    void dumpsListExactlyTheWholeRecords()
    {
        Workspace workspace;
        QPointer<frmQuarrimax> window = startOnLiveGalaxy(workspace);
        QVERIFY(window && Declare::openGalaxyFile.isOpen());
        auto* dump = Find<QPushButton>(window, "cmdRetrive");
        whileTheGameWrites(
            workspace.file(QStringLiteral("live.gxy")), [&] { QTest::mouseClick(dump, Qt::LeftButton); },
            [&](qint64 before, qint64 after) {
                const QByteArray report = ReadAll(workspace.report());
                QVERIFY2(MadeOfWholeRecords([&](qint64 n) { return report == ReportUpTo(n); }, before, after),
                         qPrintable(QStringLiteral("a report of %1 lines, with %2 to %3 whole records")
                                        .arg(report.count('\n'))
                                        .arg(before)
                                        .arg(after)));
            });
        QVERIFY(workspace.platform().boxes.isEmpty());
        Stop(window);
    }

    void monitorAnnouncesEverySystemOnce()
    {
        Workspace workspace;
        QPointer<frmQuarrimax> window = startOnLiveGalaxy(workspace);
        QVERIFY(window);
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), window->thresholdSource());
        const auto announced = [&] {
            QStringList texts;
            for (const auto& box : workspace.platform().boxes) {
                texts.append(box.text);
            }
            return texts;
        };
        whileTheGameWrites(
            workspace.file(QStringLiteral("live.gxy")), [&] { monitor->tmrChecking_Timer(); },
            [&](qint64 before, qint64 after) {
                const QStringList texts = announced();
                QVERIFY2(MadeOfWholeRecords([&](qint64 n) { return texts == LinesUpTo(n); }, before, after),
                         qPrintable(QStringLiteral("%1 announcements, with %2 to %3 whole records")
                                        .arg(texts.size())
                                        .arg(before)
                                        .arg(after)));
            });
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), LinesUpTo(kRecords));
        Stop(window);
    }

    void mergeCopiesOnlyWholeRecords()
    {
        Workspace workspace;
        const QString source = workspace.file(QStringLiteral("live.gxy"));
        const QString target = workspace.file(QStringLiteral("target.gxy"));
        QVERIFY(WriteFile(source, "GXY1"));
        frmMerge* merge = frmMerge::Show(Desktop());
        merge->txtMergeIn->setText(target);
        merge->txtMergeFrom->setText(source);
        int merges = 0;
        whileTheGameWrites(
            source,
            [&] {
                QFile::remove(target);
                QTest::mouseClick(merge->cmdStart, Qt::LeftButton);
                ++merges;
            },
            [&](qint64 before, qint64 after) {
                QCOMPARE(workspace.platform().boxes.size(), merges);
                QCOMPARE(workspace.platform().boxes.last().text, QStringLiteral("Merge completed Successfully"));
                const QByteArray merged = ReadAll(target);
                QVERIFY2(MadeOfWholeRecords([&](qint64 n) { return merged == QByteArray(4, '\0') + RecordsUpTo(n); },
                                            before, after),
                         qPrintable(QStringLiteral("a target of %1 bytes, with %2 to %3 whole records")
                                        .arg(merged.size())
                                        .arg(before)
                                        .arg(after)));
            });
        delete merge;
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--append-records") == 0) {
        testsupport::BinaryStandardStreams();
        return AppendRecords(argv[2]);
    }
    QApplication application(argc, argv);
    LiveGameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_livegame.moc"
