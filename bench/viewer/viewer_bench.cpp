// viewer_bench: for each report, the time from the viewer's Show until its
// text is painted on screen scrolled to its last line, and the longest time
// the event loop was kept waiting meanwhile; beside the same for a bare
// QPlainTextEdit given the report's text with setPlainText, in the same run.
//
//   viewer_bench [REPORT...] [--runs N]
//
// The first report is always the largest a player can have, which it writes
// itself; the REPORTs follow. Run it on the offscreen platform
// (QT_QPA_PLATFORM=offscreen).
#include "galaxy/GalaxyFile.h"
#include "galaxy/GalaxyFormat.h"
#include "galaxy/PlanetReport.h"
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "state/Declare.h"
#include "windows/frmOpenText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The viewer that is open, or nullptr.
frmOpenText* OpenViewer()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* viewer = qobject_cast<frmOpenText*>(window)) {
            return viewer;
        }
    }
    return nullptr;
}

// The program folder is a scratch folder holding the report as dump.txt;
// the viewer asks nothing, so every box is a fault of the measurement.
class BenchPlatform final : public platform::Platform, public platform::SystemServices {
public:
    QString folder;
    platform::MessageAnswer messageBox(QWidget*, platform::MessageIcon, platform::MessageButtons, const QString& title,
                                       const QString& text) override
    {
        std::fprintf(stderr, "unexpected message: %s: %s\n", qPrintable(title), qPrintable(text));
        return platform::MessageAnswer::No;
    }
    std::optional<QString> inputBox(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> openFileDialog(QWidget*, const QString&, const QString&) override { return {}; }
    QString programFolder() const override { return folder; }
    bool externalEditorExists() const override { return false; }
    bool startExternalEditor(const QString&) override { return false; }
};

struct Figures {
    double shownSeconds = 0;   // loading started until painted at the last line
    double blockedSeconds = 0; // longest wait of the event loop meanwhile
    bool lastLineShown = false;
};

// Runs load() from the event loop while a heartbeat timer notes every turn of
// the loop; load() returns once its window is painted scrolled to the end.
// The loop then runs a little longer to catch work left for later.
Figures Measure(const std::function<bool()>& load)
{
    QElapsedTimer clock;
    clock.start();
    qint64 lastBeat = -1;
    qint64 longest = 0;
    bool watching = false;
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (watching && lastBeat >= 0) {
            longest = std::max(longest, now - lastBeat);
        }
        lastBeat = now;
    });
    heartbeat.start();

    Figures figures;
    QEventLoop loop;
    QTimer::singleShot(20, [&] {
        watching = true;
        lastBeat = clock.nsecsElapsed();
        const qint64 start = lastBeat;
        figures.lastLineShown = load();
        figures.shownSeconds = static_cast<double>(clock.nsecsElapsed() - start) / 1e9;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
    });
    loop.exec();
    figures.blockedSeconds = static_cast<double>(longest) / 1e9;
    return figures;
}

// Scrolls a shown text box to its end and paints it; whether the last line
// is in sight.
bool ShowLastLine(QPlainTextEdit* box)
{
    box->moveCursor(QTextCursor::End);
    box->ensureCursorVisible();
    box->viewport()->repaint();
    return box->viewport()->rect().contains(box->cursorRect());
}

bool LoadViewer(platform::Platform& desktop)
{
    frmOpenText* viewer = frmOpenText::Show(desktop);
    return viewer != nullptr && ShowLastLine(viewer->txtReport);
}

void CloseViewer()
{
    delete OpenViewer();
    QCoreApplication::processEvents();
}

QPlainTextEdit* g_plain = nullptr;

// The baseline: the report's text straight into a text box of the viewer's
// size and font.
bool LoadPlainTextEdit(const QString& path, const QFont& font)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.read(file.size());
    g_plain = new QPlainTextEdit;
    g_plain->setReadOnly(true);
    g_plain->setFont(font);
    g_plain->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    g_plain->resize(452, 233);
    g_plain->setPlainText(QString::fromLatin1(bytes));
    g_plain->show();
    return ShowLastLine(g_plain);
}

void ClosePlainTextEdit()
{
    delete g_plain;
    g_plain = nullptr;
    QCoreApplication::processEvents();
}

// The largest report a player can have: every system number from 0 to 4096
// with six planets, every planet listed, with the rating column, and values
// of seven significant digits, the longest the report writes.
bool WriteLargestPlayerReport(const QString& folder, const QString& report)
{
    const QString galaxyPath = folder + QStringLiteral("/largest.gxy");
    QByteArray bytes(static_cast<qsizetype>(galaxy::kHeaderSize), '\0');
    galaxy::SystemRecord record;
    for (int system = 0; system <= 4096; ++system) {
        record.setSystemNumber(static_cast<galaxy::SystemNumber>(system));
        record.setPlanetCount(galaxy::kPlanetSlots);
        for (int j = 1; j <= galaxy::kPlanetSlots; ++j) {
            const qint64 k = system * galaxy::kPlanetSlots + j;
            const auto hab = static_cast<float>(1000000 + k * 7919 % 8999999) / 1e7F;
            const auto met = static_cast<float>(1000000 + k * 104729 % 8999999) / 1e7F;
            record.setPlanet(j, galaxy::Hab{hab}, galaxy::Met{met});
        }
        bytes.append(reinterpret_cast<const char*>(record.bytes.data()), static_cast<qsizetype>(record.bytes.size()));
    }
    QFile file(galaxyPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        return false;
    }
    file.close();
    galaxy::GalaxyFile galaxyFile;
    QFile::remove(report);
    return galaxyFile.open(Declare::FsPath(galaxyPath), galaxy::GalaxyFile::Mode::ReadShared).ok()
           && galaxy::WritePlanetReport(&galaxyFile, Declare::FsPath(report), 0, 0, true, '.').ok();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* what, const std::vector<Figures>& runs)
{
    std::vector<double> shown;
    std::vector<double> blocked;
    bool allShown = true;
    for (const Figures& run : runs) {
        shown.push_back(run.shownSeconds);
        blocked.push_back(run.blockedSeconds);
        allShown = allShown && run.lastLineShown;
    }
    std::printf("  %-28s on screen at the last line: %7.3f s   longest event-loop block: %7.3f s%s\n", what,
                Median(shown), *std::max_element(blocked.begin(), blocked.end()),
                allShown ? "" : "   (last line NOT shown)");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList reports;
    int runs = 5;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--runs") && i + 1 < arguments.size()) {
            runs = std::max(1, arguments[++i].toInt());
        } else {
            reports.append(arguments[i]);
        }
    }

    QTemporaryDir scratch;
    const QString largest = scratch.filePath(QStringLiteral("largest-player-report.txt"));
    if (!WriteLargestPlayerReport(scratch.path(), largest)) {
        std::fputs("cannot write the largest player's report\n", stderr);
        return 1;
    }
    reports.prepend(largest);
    BenchPlatform services;
    services.folder = scratch.path();
    const platform::ScopedSystemServices systemInstalled(services);
    const QString dump = scratch.filePath(QStringLiteral("dump.txt"));

    std::printf("platform %s, median of %d runs (block: the longest of them)\n",
                qPrintable(QGuiApplication::platformName()), runs);
    for (const QString& report : reports) {
        QFile::remove(dump);
        if (!QFile::copy(report, dump)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(report));
            return 1;
        }
        // Both read the report from the file cache.
        QFile warm(dump);
        if (warm.open(QIODevice::ReadOnly)) {
            (void)warm.readAll();
        }
        std::printf("%s: %.1f MB\n", qPrintable(QFileInfo(report).fileName()),
                    static_cast<double>(QFileInfo(dump).size()) / 1e6);

        std::vector<Figures> viewer;
        std::vector<Figures> plain;
        QFont font;
        for (int run = 0; run < runs; ++run) {
            viewer.push_back(Measure([&] {
                const bool shown = LoadViewer(services);
                if (OpenViewer() != nullptr) {
                    font = OpenViewer()->txtReport->font();
                }
                return shown;
            }));
            CloseViewer();
            plain.push_back(Measure([&] { return LoadPlainTextEdit(dump, font); }));
            ClosePlainTextEdit();
        }
        Report("report viewer", viewer);
        Report("QPlainTextEdit::setPlainText", plain);
    }
    return 0;
}
