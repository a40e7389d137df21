// viewer_bench: for each report, the time from the start of loading until the
// text is painted on screen scrolled to its last line, and the longest time
// the event loop was kept waiting meanwhile, for the report viewer and for
// QPlainTextEdit::setPlainText of the same text, in the same run; then how
// long what a screen reader asks of each at the caret takes to answer.
//
//   viewer_bench REPORT [REPORT...] [--runs N]
//
// Run it on the offscreen platform (QT_QPA_PLATFORM=offscreen). To measure
// with the accessibility bridge on, run it on a display with the desktop's D-Bus and
// QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1: it waits for the bridge before measuring.
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "widgets/ReportTextView.h"
#include "windows/frmOpenText.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

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
    double firstQuerySeconds = -1; // the screen reader's first questions; -1: no text offered
    double querySeconds = -1;      // the same questions once more, on average
};

// What a screen reader asks at the caret: the length, the caret, its line,
// the text around it and where the caret is drawn. The first round may build
// what the later ones use.
void MeasureQueries(QObject* textBox, Figures& figures)
{
    constexpr int kRounds = 200;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(textBox);
    QAccessibleTextInterface* text = accessible != nullptr ? accessible->textInterface() : nullptr;
    if (text == nullptr) {
        return;
    }
    qint64 answers = 0;
    const auto ask = [&] {
        const int caret = text->cursorPosition();
        const int count = text->characterCount();
        int start = 0;
        int end = 0;
        answers += count;
        answers += text->textAtOffset(caret, QAccessible::LineBoundary, &start, &end).size();
        answers += text->text(std::max(0, caret - 200), std::min(count, caret + 200)).size();
        answers += text->characterRect(caret).x();
    };
    QElapsedTimer clock;
    clock.start();
    ask();
    figures.firstQuerySeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    for (int round = 0; round < kRounds; ++round) {
        ask();
    }
    figures.querySeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9 / kRounds;
    if (answers == 0) {
        figures.querySeconds = -1;
    }
}

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

bool LoadViewer(platform::Platform& desktop)
{
    frmOpenText* viewer = frmOpenText::Show(desktop);
    if (viewer == nullptr) {
        return false;
    }
    ReportTextView* view = viewer->txtReport;
    view->setFocus();
    view->setCursorPosition(view->textSize());
    view->viewport()->repaint();
    return view->firstVisibleRow() + view->visibleRows() >= view->rowCount();
}

void CloseViewer()
{
    delete frmOpenText::Find();
    QCoreApplication::processEvents();
}

QPlainTextEdit* g_plain = nullptr;

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
    g_plain->moveCursor(QTextCursor::End);
    g_plain->ensureCursorVisible();
    g_plain->viewport()->repaint();
    return g_plain->viewport()->rect().contains(g_plain->cursorRect());
}

void ClosePlainTextEdit()
{
    delete g_plain;
    g_plain = nullptr;
    QCoreApplication::processEvents();
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
    std::vector<double> firstQuery;
    std::vector<double> query;
    bool allShown = true;
    for (const Figures& run : runs) {
        shown.push_back(run.shownSeconds);
        blocked.push_back(run.blockedSeconds);
        firstQuery.push_back(run.firstQuerySeconds);
        query.push_back(run.querySeconds);
        allShown = allShown && run.lastLineShown;
    }
    std::printf("  %-28s on screen at the last line: %7.3f s   longest event-loop block: %7.3f s%s\n", what,
                Median(shown), *std::max_element(blocked.begin(), blocked.end()),
                allShown ? "" : "   (last line NOT shown)");
    if (Median(query) < 0) {
        std::printf("  %-28s screen reader: no text offered\n", "");
    } else {
        std::printf("  %-28s screen reader at the caret: first round %8.3f ms, then %8.1f us a round\n", "",
                    Median(firstQuery) * 1e3, Median(query) * 1e6);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList reports;
    int runs = 3;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--runs") && i + 1 < arguments.size()) {
            runs = std::max(1, arguments[++i].toInt());
        } else {
            reports.append(arguments[i]);
        }
    }
    if (reports.isEmpty()) {
        std::fputs("usage: viewer_bench REPORT [REPORT...] [--runs N]\n", stderr);
        return 2;
    }

    QTemporaryDir scratch;
    BenchPlatform services;
    services.folder = scratch.path();
    const platform::ScopedSystemServices systemInstalled(services);
    const QString dump = scratch.filePath(QStringLiteral("dump.txt"));

    // The accessibility bridge connects in the background; measure only once
    // it is on, when it was asked for.
    if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
        QElapsedTimer waited;
        waited.start();
        while (!QAccessible::isActive() && waited.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    std::printf("platform %s, accessibility %s, median of %d runs (block: the longest of them)\n",
                qPrintable(QGuiApplication::platformName()), QAccessible::isActive() ? "on" : "off", runs);
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
                if (frmOpenText::Find() != nullptr) {
                    font = frmOpenText::Find()->txtReport->font();
                }
                return shown;
            }));
            if (frmOpenText::Find() != nullptr) {
                MeasureQueries(frmOpenText::Find()->txtReport, viewer.back());
            }
            CloseViewer();
            plain.push_back(Measure([&] { return LoadPlainTextEdit(dump, font); }));
            if (g_plain != nullptr) {
                MeasureQueries(g_plain, plain.back());
            }
            ClosePlainTextEdit();
        }
        Report("report viewer", viewer);
        Report("QPlainTextEdit::setPlainText", plain);
    }
    return 0;
}
