// The report viewer: caption, text, font and size; the too-big path with its
// question, both answers and the missing editor; the unreadable report; and
// the text view's keyboard, mouse, wheel, selection and copy.
#include "UiFixture.h"
#include "state/Declare.h"
#include "support/GalaxyBuilder.h"
#include "support/ScriptedPlatform.h"
#include "widgets/ReportTextView.h"
#include "windows/frmOpenText.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QWheelEvent>

#include <memory>

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using testsupport::ScriptedPlatform;
using uitest::Desktop;

namespace {

const QString kCaption = QStringLiteral("Quarrimax 2.35 FINAL by Marrowen");

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

// Offset of the first byte of line n (counting from 0) of a text.
qint64 LineStart(const QByteArray& text, int line)
{
    qint64 position = 0;
    for (int i = 0; i < line; ++i) {
        position = text.indexOf('\n', position) + 1;
    }
    return position;
}

qint64 LineEnd(const QByteArray& text, int line)
{
    const qint64 feed = text.indexOf('\n', LineStart(text, line));
    if (feed < 0) {
        return text.size();
    }
    return feed > 0 && text[feed - 1] == '\r' ? feed - 1 : feed;
}

// A point inside the left half of the character cell of a position.
QPoint PointAt(ReportTextView* view, qint64 position)
{
    const QRect cell = view->characterRect(position);
    return QPoint(cell.left() + 1, cell.center().y());
}

} // namespace

class TestFrmOpenText : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<uitest::Workspace> m_workspace;
    ScriptedPlatform* m_platform = nullptr;

    QString reportPath() const { return m_workspace->report(); }

    void writeReport(const QByteArray& bytes) { QVERIFY(testsupport::WriteFile(reportPath(), bytes)); }

    // Opens the viewer on a report and gives its text view the focus.
    ReportTextView* openOn(const QByteArray& bytes)
    {
        writeReport(bytes);
        frmOpenText* viewer = frmOpenText::Show(Desktop());
        if (viewer == nullptr) {
            return nullptr;
        }
        viewer->txtReport->setFocus();
        return viewer->txtReport;
    }

    static void discardViewer() { delete frmOpenText::Find(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_workspace = std::make_unique<uitest::Workspace>();
        m_platform = &m_workspace->platform();
        ReportTextView::resetMemoryCapacity();
    }

    void cleanup()
    {
        discardViewer();
        ReportTextView::resetMemoryCapacity();
        m_platform = nullptr;
        m_workspace.reset();
    }

    void showsCaptionAndReport()
    {
        ReportTextView* view = openOn(SmallReport());
        QVERIFY(view != nullptr);
        frmOpenText* viewer = frmOpenText::Find();
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), kCaption);
        QCOMPARE(view->text(),
                 QString::fromLatin1(SmallReport()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(view->lineCount(), 5);
        QCOMPARE(view->lineText(2), QStringLiteral("12.A          50           30"));
        QCOMPARE(view->lineText(4), QString());
        QVERIFY(m_platform->boxes.isEmpty());
        QVERIFY(m_platform->launches.isEmpty());
    }

    void usesFixedPitchCourier()
    {
        ReportTextView* view = openOn(SmallReport());
        QVERIFY(view != nullptr);
        QCOMPARE(view->font().pointSizeF(), 9.75);
        QVERIFY(QFontInfo(view->font()).fixedPitch());
        QVERIFY(!view->font().bold() && !view->font().italic());
        // The Met column starts at the same place in every planet line.
        const QByteArray text = SmallReport();
        QCOMPARE(view->characterRect(LineStart(text, 2) + 27).left(),
                 view->characterRect(LineStart(text, 3) + 27).left());
        QVERIFY(view->characterRect(LineStart(text, 2) + 27).left()
                > view->characterRect(LineStart(text, 2) + 26).left());
    }

    void emptyReportShowsEmptyText()
    {
        ReportTextView* view = openOn(QByteArray());
        QVERIFY(view != nullptr);
        QCOMPARE(view->text(), QString());
        QCOMPARE(view->lineCount(), 1);
        QVERIFY(m_platform->boxes.isEmpty());
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
        QCOMPARE(viewer->txtReport->text(), QString());
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

    void tooBig()
    {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, editorPresent);
        QFETCH(bool, editorStarts);
        QFETCH(bool, launched);
        QFETCH(bool, editorMissingMessage);
        m_platform->answers.enqueue(answer);
        m_platform->editorPresent = editorPresent;
        m_platform->editorStarts = editorStarts;
        writeReport(ManyLines(200));
        ReportTextView::setMemoryCapacity(1000);

        QCOMPARE(frmOpenText::Show(Desktop()), nullptr);
        QCOMPARE(frmOpenText::Find(), nullptr);
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
        QCOMPARE(m_platform->launches, launched ? QList<QString>{Declare::ReportPath()} : QList<QString>{});

        // The next opening loads afresh.
        ReportTextView::resetMemoryCapacity();
        frmOpenText* viewer = frmOpenText::Show(Desktop());
        QVERIFY(viewer != nullptr);
        QCOMPARE(viewer->txtReport->lineCount(), 201);
    }

    void capacityBoundary_data()
    {
        QTest::addColumn<qint64>("spare");
        QTest::addColumn<bool>("loads");
        QTest::newRow("exactly enough") << qint64(0) << true;
        QTest::newRow("one byte short") << qint64(-1) << false;
        QTest::newRow("plenty") << qint64(1000000) << true;
    }

    void capacityBoundary()
    {
        QFETCH(qint64, spare);
        QFETCH(bool, loads);
        const QByteArray text = ManyLines(50);
        writeReport(text);
        ReportTextView::setMemoryCapacity(ReportTextView::memoryFor(text.size(), text.count('\n') + 1) + spare);
        m_platform->answers.enqueue(MessageAnswer::No);
        frmOpenText* viewer = frmOpenText::Show(Desktop());
        QCOMPARE(viewer != nullptr, loads);
        QCOMPARE(m_platform->boxes.size(), loads ? 0 : 1);
        if (viewer != nullptr) {
            QCOMPARE(viewer->txtReport->textSize(), text.size());
        }
    }

    void secondShowOnlyBringsForward()
    {
        ReportTextView* view = openOn(SmallReport());
        QVERIFY(view != nullptr);
        frmOpenText* first = frmOpenText::Find();
        first->showMinimized();
        writeReport(ManyLines(10));
        QCOMPARE(frmOpenText::Show(Desktop()), first);
        QVERIFY(!first->isMinimized());
        QCOMPARE(first->txtReport->lineText(2), QStringLiteral("12.A          50           30"));
        QVERIFY(m_platform->boxes.isEmpty());
    }

    void closingDiscardsAndReopeningReloads()
    {
        QVERIFY(openOn(SmallReport()) != nullptr);
        QPointer<frmOpenText> first = frmOpenText::Find();
        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(frmOpenText::Find(), nullptr);
        ReportTextView* view = openOn(ManyLines(3));
        QVERIFY(view != nullptr);
        QCOMPARE(view->lineText(0), QStringLiteral("line 0"));
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
        frmOpenText* viewer = frmOpenText::Find();
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

    void wrapsLongLinesAtTheRightEdge()
    {
        const QByteArray text = QByteArray(200, 'x') + "\r\nshort\r\n" + QByteArray(30, 'y');
        ReportTextView* view = openOn(text);
        QVERIFY(view != nullptr);
        for (int width : {452, 300, 120}) {
            frmOpenText::Find()->resize(width, 233);
            const int columns = view->columns();
            QVERIFY(columns > 1);
            qint64 rows = 0;
            for (qint64 line = 0; line < view->lineCount(); ++line) {
                rows += std::max<qint64>(1, (view->lineText(line).size() + columns - 1) / columns);
            }
            QCOMPARE(view->rowCount(), rows);
            // Every row holds the same number of characters up to the edge.
            QVERIFY(view->characterRect(columns - 1).right() <= view->viewport()->width());
            QCOMPARE(view->characterRect(columns).left(), view->characterRect(0).left());
            QVERIFY(view->characterRect(columns).top() > view->characterRect(0).top());
        }
    }

    void keys_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<qint64>("cursor");
        QTest::addColumn<qint64>("anchor");

        const QByteArray r = SmallReport();
        const qint64 end = r.size();
        QTest::newRow("ctrl+end") << r << "Ctrl+End" << end << end;
        QTest::newRow("ctrl+end, ctrl+home") << r << "Ctrl+End;Ctrl+Home" << qint64(0) << qint64(0);
        QTest::newRow("left at the start") << r << "Left;Up" << qint64(0) << qint64(0);
        QTest::newRow("right at the end") << r << "Ctrl+End;Right;Down" << end << end;
        QTest::newRow("down, down") << r << "Down;Down" << LineStart(r, 2) << LineStart(r, 2);
        QTest::newRow("end of a line") << r << "Down;Down;End" << LineEnd(r, 2) << LineEnd(r, 2);
        QTest::newRow("home") << r << "Down;Down;End;Home" << LineStart(r, 2) << LineStart(r, 2);
        QTest::newRow("shift+end") << r << "Down;Down;Shift+End" << LineEnd(r, 2) << LineStart(r, 2);
        QTest::newRow("shift+home") << r << "Down;Down;End;Shift+Home" << LineStart(r, 2) << LineEnd(r, 2);
        QTest::newRow("right over a line end") << r << "End;Right" << LineStart(r, 1) << LineStart(r, 1);
        QTest::newRow("left over a line end") << r << "Down;Left" << LineEnd(r, 0) << LineEnd(r, 0);
        QTest::newRow("column kept over a short line")
            << r << "Right;Right;Right;Down;Down" << LineStart(r, 2) + 3 << LineStart(r, 2) + 3;
        QTest::newRow("column clamped on a short line")
            << r << "Right;Right;Right;Down" << LineStart(r, 1) << LineStart(r, 1);
        QTest::newRow("shift+right twice")
            << r << "Down;Down;Right;Shift+Right;Shift+Right" << LineStart(r, 2) + 3 << LineStart(r, 2) + 1;
        QTest::newRow("left collapses a selection")
            << r << "Down;Down;Right;Shift+Right;Shift+Right;Left" << LineStart(r, 2) + 1 << LineStart(r, 2) + 1;
        QTest::newRow("right collapses a selection")
            << r << "Down;Down;Shift+Right;Shift+Right;Right" << LineStart(r, 2) + 2 << LineStart(r, 2) + 2;
        QTest::newRow("shift+down over lines")
            << r << "Down;Down;Shift+Down;Shift+Down" << LineStart(r, 4) << LineStart(r, 2);
        QTest::newRow("ctrl+right to the next word")
            << r << "Down;Down;Ctrl+Right" << LineStart(r, 2) + 14 << LineStart(r, 2) + 14;
        QTest::newRow("ctrl+left back") << r << "Down;Down;Ctrl+Right;Ctrl+Right;Ctrl+Left" << LineStart(r, 2) + 14
                                        << LineStart(r, 2) + 14;
        QTest::newRow("ctrl+shift+end selects to the end") << r << "Down;Ctrl+Shift+End" << end << LineStart(r, 1);

        const QByteArray wrapped = QByteArray(300, 'w') + "\r\n" + "tail";
        QTest::newRow("down inside a wrapped line") << wrapped << "Down" << qint64(-1) << qint64(-1);
        QTest::newRow("end of a wrapped row") << wrapped << "End" << qint64(-1) << qint64(-1);
    }

    void keys()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, keys);
        QFETCH(qint64, cursor);
        QFETCH(qint64, anchor);
        ReportTextView* view = openOn(text);
        QVERIFY(view != nullptr);
        // -1 stands for one row further: the start of the second row of a
        // wrapped line.
        if (cursor == -1) {
            cursor = view->columns();
            anchor = cursor;
            QVERIFY(cursor < 300);
        }
        for (const QString& key : keys.split(QChar(u';'))) {
            QTest::keySequence(view, QKeySequence(key));
        }
        QCOMPARE(view->cursorPosition(), cursor);
        QCOMPARE(view->anchorPosition(), anchor);
    }

    void shiftHomeSelectsOneWrappedRow()
    {
        ReportTextView* view = openOn(QByteArray(300, 'w'));
        QVERIFY(view != nullptr);
        QTest::keyClick(view, Qt::Key_End);
        QTest::keyClick(view, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(view->selectedText(), QString(view->columns(), QChar(u'w')));
    }

    void selectAllAndCopy()
    {
        ReportTextView* view = openOn(SmallReport());
        QVERIFY(view != nullptr);
        QGuiApplication::clipboard()->clear();
        QTest::keySequence(view, QKeySequence::SelectAll);
        QCOMPARE(view->anchorPosition(), 0);
        QCOMPARE(view->cursorPosition(), SmallReport().size());
        QTest::keySequence(view, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString::fromLatin1(SmallReport()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }

    void copyTakesTheSelectedRows()
    {
        ReportTextView* view = openOn(SmallReport());
        QVERIFY(view != nullptr);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QTest::keySequence(view, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_End, Qt::ShiftModifier);
        QTest::keySequence(view, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("12.A          50           30\n1234.C        37.5         8"));
    }

    void mouseDragSelects()
    {
        const QByteArray text = SmallReport();
        ReportTextView* view = openOn(text);
        QVERIFY(view != nullptr);
        QWidget* surface = view->viewport();
        const qint64 from = LineStart(text, 2) + 14;
        const qint64 to = LineStart(text, 3) + 18;
        QTest::mousePress(surface, Qt::LeftButton, {}, PointAt(view, from));
        QTest::mouseMove(surface, PointAt(view, to));
        QTest::mouseRelease(surface, Qt::LeftButton, {}, PointAt(view, to));
        QCOMPARE(view->anchorPosition(), from);
        QCOMPARE(view->cursorPosition(), to);
        QCOMPARE(view->selectedText(), QStringLiteral("50           30\n1234.C        37.5"));

        // A click elsewhere puts the caret there; shift+click extends.
        QTest::mouseClick(surface, Qt::LeftButton, {}, PointAt(view, LineStart(text, 0) + 6));
        QVERIFY(!view->hasSelection());
        QCOMPARE(view->cursorPosition(), 6);
        QTest::mouseClick(surface, Qt::LeftButton, Qt::ShiftModifier, PointAt(view, LineStart(text, 0) + 10));
        QCOMPARE(view->selectedText(), QStringLiteral(".Sys"));
    }

    void doubleClickSelectsAWord()
    {
        const QByteArray text = SmallReport();
        ReportTextView* view = openOn(text);
        QVERIFY(view != nullptr);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, PointAt(view, LineStart(text, 3) + 15));
        QCOMPARE(view->selectedText(), QStringLiteral("37.5"));
    }

    void wheelScrolls()
    {
        ReportTextView* view = openOn(ManyLines(300));
        QVERIFY(view != nullptr);
        QCOMPARE(view->firstVisibleRow(), 0);
        const QPoint inside = view->viewport()->rect().center();
        QWheelEvent wheel(inside, view->viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);
        QCOMPARE(view->firstVisibleRow(), QApplication::wheelScrollLines());
        QCOMPARE(view->cursorPosition(), 0);
    }

    void pageDownAndCtrlEndReachTheLastLine()
    {
        ReportTextView* view = openOn(ManyLines(300));
        QVERIFY(view != nullptr);
        const int page = view->visibleRows();
        QVERIFY(page > 2 && page < 300);
        QTest::keyClick(view, Qt::Key_PageDown);
        QCOMPARE(view->firstVisibleRow(), page);
        QCOMPARE(view->lineText(page), QStringLiteral("line %1").arg(page));
        QCOMPARE(view->cursorPosition(), LineStart(ManyLines(300), page));
        QTest::keyClick(view, Qt::Key_PageUp);
        QCOMPARE(view->firstVisibleRow(), 0);
        QCOMPARE(view->cursorPosition(), 0);

        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->firstVisibleRow() + view->visibleRows(), view->rowCount());
        QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
        QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view->firstVisibleRow(), 0);
    }

    void resizeKeepsTheTopLine()
    {
        const QByteArray text = ManyLines(300);
        ReportTextView* view = openOn(text);
        QVERIFY(view != nullptr);
        view->verticalScrollBar()->setValue(120);
        frmOpenText::Find()->resize(48, 233);
        QVERIFY(view->columns() < 9);
        const qint64 top = view->firstVisibleRow();
        // The row at the top still belongs to line 120.
        qint64 rows = 0;
        for (int line = 0; line < 120; ++line) {
            rows += (view->lineText(line).size() + view->columns() - 1) / view->columns();
        }
        QVERIFY(top >= rows);
        QVERIFY(top < rows + (view->lineText(120).size() + view->columns() - 1) / view->columns());
    }
};

QTEST_MAIN(TestFrmOpenText)
#include "tst_frmopentext.moc"
