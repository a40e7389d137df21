// The report viewer: caption, text, font, wrapping and size; the too-big path
// with its question, both answers and the missing editor, for a report too
// long to count and for memory that runs out; and the unreadable report.
#include "UiFixture.h"
#include "state/Declare.h"
#include "support/GalaxyBuilder.h"
#include "support/ScriptedPlatform.h"
#include "windows/frmOpenText.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <limits>
#include <memory>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define QUARRIMAX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUARRIMAX_ADDRESS_SANITIZER 1
#endif
#endif

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using testsupport::ScriptedPlatform;
using uitest::Desktop;

namespace {

const QString kCaption = QStringLiteral("Quarrimax 2.35 FINAL by Marrowen");

// Set in a case run again in a process whose address space is limited.
constexpr char kLittleMemoryVariable[] = "QUARRIMAX_TEST_LITTLE_MEMORY";

// A small report in the layout the dump writes.
QByteArray SmallReport()
{
    return QByteArrayLiteral("Planet.Sys    Hab          Met\r\n"
                             "\r\n"
                             "12.A          50           30\r\n"
                             "1234.C        37.5         8\r\n");
}

QByteArray ManyLines(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        text += "line " + QByteArray::number(i) + "\r\n";
    }
    return text;
}

// The text the viewer shows for a report: a character for every byte, CR LF
// ending the lines.
QString Shown(const QByteArray& report)
{
    return QString::fromLatin1(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A report of zero bytes that takes no room on the disk.
bool WriteSparse(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

// Where the character at a position of a text box is drawn.
QRect CharacterRect(QPlainTextEdit* box, int position)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(position);
    return box->cursorRect(cursor);
}

} // namespace

class TestFrmOpenText : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<uitest::Workspace> m_workspace;
    ScriptedPlatform* m_platform = nullptr;

    QString reportPath() const { return m_workspace->report(); }

    void writeReport(const QByteArray& bytes) { QVERIFY(testsupport::WriteFile(reportPath(), bytes)); }

    // Opens the viewer on a report and gives its text box the focus.
    QPlainTextEdit* openOn(const QByteArray& bytes)
    {
        writeReport(bytes);
        frmOpenText* viewer = frmOpenText::Show(Desktop());
        if (viewer == nullptr) {
            return nullptr;
        }
        viewer->txtReport->setFocus();
        return viewer->txtReport;
    }

    // Opens the viewer on a report too big for it, answering the question;
    // checks that no viewer is shown, the question, and the message of a
    // missing editor when one is expected.
    void openTooBig(MessageAnswer answer, bool editorMissingMessage)
    {
        m_platform->answers.enqueue(answer);
        QCOMPARE(frmOpenText::Show(Desktop()), nullptr);
        QCOMPARE(uitest::Opened<frmOpenText>(), nullptr);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            QVERIFY(qobject_cast<frmOpenText*>(window) == nullptr || !window->isVisible());
        }
        QCOMPARE(m_platform->boxes.size(), editorMissingMessage ? 2 : 1);
        const ScriptedPlatform::Box& question = m_platform->boxes.first();
        QCOMPARE(question.icon, MessageIcon::Question);
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.title, QStringLiteral("File Size too big"));
        QCOMPARE(question.text, QStringLiteral("The File is to big to be opened with the build  in text Viewer, would "
                                               "you like to try opening it with notepad?"));
        if (editorMissingMessage) {
            const ScriptedPlatform::Box& missing = m_platform->boxes.at(1);
            QCOMPARE(missing.icon, MessageIcon::Critical);
            QCOMPARE(missing.buttons, MessageButtons::Ok);
            QCOMPARE(missing.title, QStringLiteral("Error Opening notepad"));
            QCOMPARE(
                missing.text,
                QStringLiteral("Notepad.exe not Found in dir C:\\windows\\ please use the built in text displayer"));
        }
    }

    static void discardViewer() { delete uitest::Opened<frmOpenText>(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_workspace = std::make_unique<uitest::Workspace>();
        m_platform = &m_workspace->platform();
    }

    void cleanup()
    {
        discardViewer();
        m_platform = nullptr;
        m_workspace.reset();
    }

    void showsTheReport_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("a small report") << SmallReport();
        QTest::newRow("an empty report") << QByteArray();
        QTest::newRow("a byte for every character") << QByteArray("12.A  \xE9\xFF\x80 50\r\n");
    }

    void showsTheReport()
    {
        QFETCH(QByteArray, report);
        QPlainTextEdit* box = openOn(report);
        QVERIFY(box != nullptr);
        frmOpenText* viewer = uitest::Opened<frmOpenText>();
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), kCaption);
        QCOMPARE(box->toPlainText(), Shown(report));
        QCOMPARE(box->blockCount(), report.count("\r\n") + 1);
        QCOMPARE(box->textCursor().position(), 0);
        QVERIFY(m_platform->boxes.isEmpty());
        QVERIFY(m_platform->launches.isEmpty());
    }

    // Read-only, with a caret that moves with the keys for screen readers.
    void readOnlyWithACaret()
    {
        QPlainTextEdit* box = openOn(SmallReport());
        QVERIFY(box != nullptr);
        QTest::keyClicks(box, QStringLiteral("x\b"));
        QCOMPARE(box->toPlainText(), Shown(SmallReport()));
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->textCursor().blockNumber(), 1);
    }

    void usesFixedPitchCourier()
    {
        QPlainTextEdit* box = openOn(SmallReport());
        QVERIFY(box != nullptr);
        QCOMPARE(box->font().pointSizeF(), 9.75);
        QVERIFY(QFontInfo(box->font()).fixedPitch());
        QVERIFY(!box->font().bold() && !box->font().italic());
        // The Met column starts at the same place in every planet line.
        const int line2 = box->document()->findBlockByNumber(2).position();
        const int line3 = box->document()->findBlockByNumber(3).position();
        QCOMPARE(CharacterRect(box, line2 + 27).left(), CharacterRect(box, line3 + 27).left());
        QVERIFY(CharacterRect(box, line2 + 27).left() > CharacterRect(box, line2 + 26).left());
    }

    void unreadableReport_data()
    {
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::newRow("missing") << false;
        QTest::newRow("a folder named dump.txt") << true;
    }

    void unreadableReport()
    {
        QFETCH(bool, folderInItsPlace);
        if (folderInItsPlace) {
            QVERIFY(QDir(m_workspace->folder()).mkdir(QStringLiteral("dump.txt")));
        }
        frmOpenText* viewer = frmOpenText::Show(Desktop());
        QVERIFY(viewer != nullptr);
        QCOMPARE(m_platform->boxes.size(), 1);
        const ScriptedPlatform::Box& box = m_platform->boxes.first();
        QCOMPARE(box.icon, MessageIcon::Critical);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.title, QStringLiteral("Unknow Error"));
        QCOMPARE(box.text,
                 QStringLiteral("An unknow error occured. Please contact the producer if the problem persiste."));
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), kCaption);
        QCOMPARE(viewer->txtReport->toPlainText(), QString());
    }

    void tooBig_data()
    {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("editorPresent");
        QTest::addColumn<bool>("editorStarts");
        QTest::addColumn<bool>("launched");
        QTest::addColumn<bool>("editorMissingMessage");
        QTest::newRow("no") << MessageAnswer::No << true << true << false << false;
        QTest::newRow("yes, editor there") << MessageAnswer::Yes << true << true << true << false;
        QTest::newRow("yes, editor missing") << MessageAnswer::Yes << false << true << false << true;
        QTest::newRow("yes, editor fails to start") << MessageAnswer::Yes << true << false << true << false;
    }

    // A report of more characters than a text document counts.
    void tooBig()
    {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, editorPresent);
        QFETCH(bool, editorStarts);
        QFETCH(bool, launched);
        QFETCH(bool, editorMissingMessage);
        m_platform->editorPresent = editorPresent;
        m_platform->editorStarts = editorStarts;
        QVERIFY(WriteSparse(reportPath(), qint64(std::numeric_limits<int>::max()) + 1));
        openTooBig(answer, editorMissingMessage);
        QCOMPARE(m_platform->launches, launched ? QList<QString>{Declare::ReportPath()} : QList<QString>{});

        // The next opening loads afresh.
        QPlainTextEdit* box = openOn(ManyLines(200));
        QVERIFY(box != nullptr);
        QCOMPARE(box->blockCount(), 201);
    }

    void tooBigWhenMemoryRunsOut_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("its text fits, not the room to show it") << qint64(40) * 1024 * 1024;
        QTest::newRow("its bytes do not fit") << qint64(1024) * 1024 * 1024;
    }

    // Runs again in a process of its own that may take only 256 MB more
    // address space than it has taken when the viewer opens.
    void tooBigWhenMemoryRunsOut()
    {
#ifdef Q_OS_WIN
        QSKIP("the address space is limited with setrlimit, which Windows lacks");
#elif defined(QUARRIMAX_ADDRESS_SANITIZER)
        QSKIP("AddressSanitizer reserves more address space than any limit that leaves memory running out");
#else
        QFETCH(qint64, size);
        if (!qEnvironmentVariableIsSet(kLittleMemoryVariable)) {
            const QString function = QString::fromLatin1(QTest::currentTestFunction());
            const QString tag = QString::fromUtf8(QTest::currentDataTag());
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            qputenv(kLittleMemoryVariable, "1");
            child.start(QCoreApplication::applicationFilePath(), {function + u':' + tag});
            qunsetenv(kLittleMemoryVariable);
            QVERIFY(child.waitForFinished(120000));
            const QString output = QString::fromLocal8Bit(child.readAll());
            QVERIFY2(child.exitCode() == 0
                         && output.contains(QStringLiteral("PASS   : TestFrmOpenText::%1(%2)").arg(function, tag)),
                     qPrintable(output));
            return;
        }
        QVERIFY(WriteSparse(reportPath(), size));
        QFile statm(QStringLiteral("/proc/self/statm"));
        QVERIFY(statm.open(QIODevice::ReadOnly));
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_AS, &limit) == 0);
        limit.rlim_cur = static_cast<rlim_t>(statm.readAll().split(' ').first().toLongLong() * ::sysconf(_SC_PAGESIZE)
                                             + qint64(256) * 1024 * 1024);
        QVERIFY(::setrlimit(RLIMIT_AS, &limit) == 0);
        openTooBig(MessageAnswer::No, false);
        QVERIFY(m_platform->launches.isEmpty());
#endif
    }

    void secondShowOnlyBringsForward()
    {
        QVERIFY(openOn(SmallReport()) != nullptr);
        frmOpenText* first = uitest::Opened<frmOpenText>();
        first->showMinimized();
        writeReport(ManyLines(10));
        QCOMPARE(frmOpenText::Show(Desktop()), first);
        QVERIFY(!first->isMinimized());
        QCOMPARE(first->txtReport->toPlainText(), Shown(SmallReport()));
        QVERIFY(m_platform->boxes.isEmpty());
    }

    void closingDiscardsAndReopeningReloads()
    {
        QVERIFY(openOn(SmallReport()) != nullptr);
        QPointer<frmOpenText> first = uitest::Opened<frmOpenText>();
        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(uitest::Opened<frmOpenText>(), nullptr);
        QPlainTextEdit* box = openOn(ManyLines(3));
        QVERIFY(box != nullptr);
        QCOMPARE(box->toPlainText(), Shown(ManyLines(3)));
    }

    void sizeAndResize_data()
    {
        // Whether the window keeps its minimum, as the window manager of the
        // desktop may not; the outer size asked for; the outer size kept.
        QTest::addColumn<bool>("minimumKept");
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("kept");
        for (const bool minimumKept : {true, false}) {
            const char* how = minimumKept ? "with its minimum" : "without its minimum";
            QTest::addRow("%s, both too small", how) << minimumKept << QSize(4, 1) << QSize(40, 40);
            QTest::addRow("%s, too narrow", how) << minimumKept << QSize(20, 300) << QSize(40, 300);
            QTest::addRow("%s, too low", how) << minimumKept << QSize(300, 39) << QSize(300, 40);
            QTest::addRow("%s, the smallest", how) << minimumKept << QSize(40, 40) << QSize(40, 40);
            QTest::addRow("%s, large", how) << minimumKept << QSize(700, 500) << QSize(700, 500);
        }
    }

    // The outer size never goes below 600 by 600 twips; the text box fills
    // the client area.
    void sizeAndResize()
    {
        QFETCH(bool, minimumKept);
        QFETCH(QSize, asked);
        QFETCH(QSize, kept);
        QVERIFY(openOn(SmallReport()) != nullptr);
        frmOpenText* viewer = uitest::Opened<frmOpenText>();
        QCOMPARE(viewer->size(), QSize(6780 / 15, 3495 / 15));
        QCOMPARE(viewer->txtReport->geometry(), viewer->rect());
        const QSize frame = viewer->frameGeometry().size() - viewer->size();
        if (!minimumKept) {
            viewer->setMinimumSize(0, 0);
        }
        viewer->resize((asked - frame).expandedTo(QSize(1, 1)));
        QCOMPARE(viewer->frameGeometry().size(), kept);
        QCOMPARE(viewer->txtReport->geometry(), viewer->rect());
        viewer->showMinimized();
        viewer->showNormal();
        QCOMPARE(viewer->frameGeometry().size(), kept);
        QCOMPARE(viewer->txtReport->geometry(), viewer->rect());
    }

    // Long lines wrap at the right edge, with no horizontal scroll bar; the
    // vertical one is always there.
    void wrapsLongLinesAtTheRightEdge()
    {
        const QByteArray text = QByteArray(200, 'x') + "\r\nshort\r\n" + QByteArray(30, 'y');
        QPlainTextEdit* box = openOn(text);
        QVERIFY(box != nullptr);
        int lastRows = 0;
        for (const int width : {452, 300, 120}) {
            uitest::Opened<frmOpenText>()->resize(width, 233);
            QCoreApplication::processEvents();
            QVERIFY(box->verticalScrollBar()->isVisible());
            QVERIFY(!box->horizontalScrollBar()->isVisible());
            QTextLayout* layout = box->document()->firstBlock().layout();
            QVERIFY(layout->lineCount() > lastRows);
            lastRows = layout->lineCount();
            for (int row = 0; row < layout->lineCount(); ++row) {
                QVERIFY(layout->lineAt(row).naturalTextWidth() <= box->viewport()->width());
            }
            QCOMPARE(box->document()->findBlockByNumber(1).layout()->lineCount(), 1);
        }
    }
};

QTEST_MAIN(TestFrmOpenText)
#include "tst_frmopentext.moc"
