// The report view as a screen reader reads it: the role and states of a
// read-only text box, its text in character offsets (CR LF as one "\n",
// Latin-1 bytes as their characters), the words, lines and paragraphs around
// an offset, the caret and the selection both ways, the place of characters
// on screen and the character under a point, scrolling to a substring, and
// the viewer window offering the text to the tree of its window.
#include "state/Declare.h"
#include "support/ScriptedPlatform.h"
#include "widgets/ReportTextView.h"
#include "windows/frmOpenText.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// Four lines: one wider than ten columns, an empty one, one that wraps once
// at ten columns and a last one without a line end. In characters:
//   0..16 "Planet.Sys    Hab", 17 "\n", 18 "\n", 19..30 "12.A  50  30",
//   31 "\n", 32..35 "last"; 36 characters in all.
QByteArray BoundaryText(bool crlf)
{
    const QByteArray end = crlf ? "\r\n" : "\n";
    return "Planet.Sys    Hab" + end + end + "12.A  50  30" + end + "last";
}

QAccessibleInterface* Accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QAccessibleTextInterface* TextOf(QObject* object)
{
    QAccessibleInterface* accessible = Accessible(object);
    return accessible != nullptr ? accessible->textInterface() : nullptr;
}

// Shows the view exactly this many columns wide.
bool FitColumns(ReportTextView* view, int columns)
{
    view->show();
    if (!QTest::qWaitForWindowExposed(view)) {
        return false;
    }
    for (int width = 20; width < 4000; ++width) {
        view->resize(width, view->height());
        if (view->columns() == columns) {
            return true;
        }
    }
    return false;
}

struct Seen {
    QAccessible::Event type;
    int cursor = -1;
    int start = -1;
    int end = -1;
    int position = -1;
    QString text;
};

std::vector<Seen> g_seen;

void Record(QAccessibleEvent* event)
{
    Seen seen;
    seen.type = event->type();
    switch (event->type()) {
    case QAccessible::TextCaretMoved:
        seen.cursor = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
        break;
    case QAccessible::TextSelectionChanged: {
        auto* selection = static_cast<QAccessibleTextSelectionEvent*>(event);
        seen.cursor = selection->cursorPosition();
        seen.start = selection->selectionStart();
        seen.end = selection->selectionEnd();
        break;
    }
    case QAccessible::TextInserted: {
        auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
        seen.cursor = inserted->cursorPosition();
        seen.position = inserted->changePosition();
        seen.text = inserted->textInserted();
        break;
    }
    case QAccessible::TextRemoved: {
        auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
        seen.cursor = removed->cursorPosition();
        seen.position = removed->changePosition();
        seen.text = removed->textRemoved();
        break;
    }
    default: return;
    }
    g_seen.push_back(seen);
}

} // namespace

class TestReportTextAccessible : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<ReportTextView> m_view;

    ReportTextView* load(const QByteArray& bytes)
    {
        const QString path = m_folder.filePath(QStringLiteral("report.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            return nullptr;
        }
        file.close();
        m_view = std::make_unique<ReportTextView>();
        m_view->resize(400, 200);
        if (m_view->loadFile(path) != ReportTextView::LoadResult::Loaded) {
            return nullptr;
        }
        return m_view.get();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { m_view.reset(); }

    void aReadOnlyMultiLineTextLikeAPlainTextEdit()
    {
        ReportTextView* view = load(BoundaryText(true));
        QVERIFY(view);
        QAccessibleInterface* accessible = Accessible(view);
        QVERIFY(accessible);
        QVERIFY(accessible->textInterface());
        // A text with no way to change it.
        QVERIFY(accessible->editableTextInterface() == nullptr);

        QPlainTextEdit plain;
        plain.setReadOnly(true);
        plain.setPlainText(QStringLiteral("x"));
        QAccessibleInterface* reference = Accessible(&plain);
        QCOMPARE(accessible->role(), reference->role());
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        const QAccessible::State state = accessible->state();
        const QAccessible::State expected = reference->state();
        QCOMPARE(bool(state.readOnly), bool(expected.readOnly));
        QCOMPARE(bool(state.multiLine), bool(expected.multiLine));
        QCOMPARE(bool(state.editable), bool(expected.editable));
        QCOMPARE(bool(state.selectableText), bool(expected.selectableText));
        QCOMPARE(bool(state.focusable), bool(expected.focusable));
        QVERIFY(state.readOnly && state.multiLine && !state.editable);
    }

    void textRanges_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("text");
        const QByteArray report = "P.S Hab\r\n\r\n12.A 50\r\n";
        QTest::newRow("report: all") << report << 17 << 0 << 17 << "P.S Hab\n\n12.A 50\n";
        QTest::newRow("report: -1 ends at the end") << report << 17 << 8 << -1 << "\n12.A 50\n";
        QTest::newRow("report: a CR LF is one character") << report << 17 << 7 << 8 << "\n";
        QTest::newRow("report: across two line ends") << report << 17 << 6 << 10 << "b\n\n1";
        QTest::newRow("report: the empty line's end") << report << 17 << 8 << 9 << "\n";
        QTest::newRow("report: the last line end") << report << 17 << 16 << 17 << "\n";
        QTest::newRow("report: at the end") << report << 17 << 17 << 17 << "";
        QTest::newRow("report: reversed") << report << 17 << 5 << 2 << "";
        QTest::newRow("report: from before the start") << report << 17 << -3 << 2 << "P.";
        QTest::newRow("report: past the end") << report << 17 << 10 << 99 << "2.A 50\n";
        QTest::newRow("line feeds only") << QByteArray("ab\ncd") << 5 << 1 << 4 << "b\nc";
        QTest::newRow("mixed line ends") << QByteArray("ab\r\ncd\nef\r\n") << 9 << 2 << 6 << "\ncd\n";
        QTest::newRow("Latin-1 bytes") << QByteArray("Caf\xe9 \xb0\r\n") << 7 << 3 << 6
                                       << QStringLiteral("\u00e9 \u00b0");
        QTest::newRow("a CR alone stays a character") << QByteArray("a\rb\r\n") << 4 << 0 << 4 << "a\rb\n";
        QTest::newRow("a CR at the very end") << QByteArray("ab\r") << 3 << 1 << 3 << "b\r";
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << 4 << 0 << 4 << "a\r\nb";
        QTest::newRow("only a line end") << QByteArray("\r\n") << 1 << 0 << 1 << "\n";
        QTest::newRow("empty report") << QByteArray() << 0 << 0 << 0 << "";
    }

    void textRanges()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, count);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, text);
        ReportTextView* view = load(bytes);
        QVERIFY(view);
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        QCOMPARE(accessible->characterCount(), count);
        QCOMPARE(accessible->text(start, end), text);
        // The whole text is the one the view copies.
        QCOMPARE(accessible->text(0, count), view->text());
    }

    // Every offset of a text of many lines, beyond the stride of the
    // character index, with CR LF and LF ends and empty lines among them.
    void everyOffsetMapsToItsCharacter()
    {
        QByteArray bytes;
        QString expected;
        for (int line = 0; line < 700; ++line) {
            const QByteArray body = line % 11 == 0 ? QByteArray() : "line " + QByteArray::number(line);
            const QByteArray end = line % 7 == 0 ? "\n" : "\r\n";
            bytes += body + end;
            expected += QString::fromLatin1(body) + QLatin1Char('\n');
        }
        bytes += "tail";
        expected += QStringLiteral("tail");
        ReportTextView* view = load(bytes);
        QVERIFY(view);
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        QCOMPARE(accessible->characterCount(), int(expected.size()));
        for (int offset = 0; offset < int(expected.size()); ++offset) {
            if (accessible->text(offset, offset + 1) != expected.mid(offset, 1)) {
                QFAIL(qPrintable(QStringLiteral("the character at %1").arg(offset)));
            }
            // The caret goes to the place of that character in the bytes.
            accessible->setCursorPosition(offset);
            if (accessible->cursorPosition() != offset
                || view->textBetween(0, view->cursorPosition()) != expected.left(offset)) {
                QFAIL(qPrintable(QStringLiteral("the caret at %1").arg(offset)));
            }
        }
        QCOMPARE(accessible->text(2000, 2100), expected.mid(2000, 100));
    }

    void boundaries_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::addColumn<int>("boundary");
        QTest::addColumn<QString>("where"); // at, before or after the offset
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("text");
        struct Row {
            const char* name;
            QAccessible::TextBoundaryType boundary;
            const char* where;
            int offset, start, end;
            const char* text;
        };
        using A = QAccessible;
        const Row rows[] = {
            {"char at 0", A::CharBoundary, "at", 0, 0, 1, "P"},
            {"char at a line end", A::CharBoundary, "at", 17, 17, 18, "\n"},
            {"char at the end", A::CharBoundary, "at", 36, 36, 36, ""},
            {"char before 0", A::CharBoundary, "before", 0, 0, 0, ""},
            {"char before the end", A::CharBoundary, "before", 36, 35, 36, "t"},
            {"char after a line end", A::CharBoundary, "after", 17, 18, 19, "\n"},
            {"char after the last", A::CharBoundary, "after", 35, 36, 36, ""},
            {"word at its start", A::WordBoundary, "at", 0, 0, 10, "Planet.Sys"},
            {"word inside", A::WordBoundary, "at", 5, 0, 10, "Planet.Sys"},
            {"word of blanks", A::WordBoundary, "at", 10, 10, 14, "    "},
            {"word before a line end", A::WordBoundary, "at", 14, 14, 17, "Hab"},
            {"word at a line end", A::WordBoundary, "at", 17, 17, 18, "\n"},
            {"word at an empty line", A::WordBoundary, "at", 18, 18, 19, "\n"},
            {"word with a period", A::WordBoundary, "at", 19, 19, 23, "12.A"},
            {"word at the end", A::WordBoundary, "at", 36, 36, 36, ""},
            {"word before a word", A::WordBoundary, "before", 14, 10, 14, "    "},
            {"word before the next line", A::WordBoundary, "before", 19, 18, 19, "\n"},
            {"word before the first", A::WordBoundary, "before", 3, 0, 0, ""},
            {"word after the first", A::WordBoundary, "after", 0, 10, 14, "    "},
            {"word after the last of a line", A::WordBoundary, "after", 15, 17, 18, "\n"},
            {"word after the last", A::WordBoundary, "after", 33, 36, 36, ""},
            {"paragraph at a wrapped line", A::ParagraphBoundary, "at", 5, 0, 17, "Planet.Sys    Hab"},
            {"paragraph at its line end", A::ParagraphBoundary, "at", 17, 0, 17, "Planet.Sys    Hab"},
            {"paragraph that is empty", A::ParagraphBoundary, "at", 18, 18, 18, ""},
            {"paragraph at the third line", A::ParagraphBoundary, "at", 24, 19, 31, "12.A  50  30"},
            {"paragraph at the end", A::ParagraphBoundary, "at", 36, 32, 36, "last"},
            {"paragraph before the third", A::ParagraphBoundary, "before", 19, 18, 18, ""},
            {"paragraph before the empty one", A::ParagraphBoundary, "before", 18, 0, 17, "Planet.Sys    Hab"},
            {"paragraph before the first", A::ParagraphBoundary, "before", 5, 0, 0, ""},
            {"paragraph after the first", A::ParagraphBoundary, "after", 5, 18, 18, ""},
            {"paragraph after the empty one", A::ParagraphBoundary, "after", 18, 19, 31, "12.A  50  30"},
            {"paragraph after the third", A::ParagraphBoundary, "after", 24, 32, 36, "last"},
            {"paragraph after the last", A::ParagraphBoundary, "after", 32, 36, 36, ""},
            {"sentence is the paragraph", A::SentenceBoundary, "at", 24, 19, 31, "12.A  50  30"},
            {"line at the first row", A::LineBoundary, "at", 0, 0, 10, "Planet.Sys"},
            {"line at the end of a row", A::LineBoundary, "at", 9, 0, 10, "Planet.Sys"},
            {"line at a wrap point", A::LineBoundary, "at", 10, 10, 17, "    Hab"},
            {"line at its line end", A::LineBoundary, "at", 17, 10, 17, "    Hab"},
            {"line that is empty", A::LineBoundary, "at", 18, 18, 18, ""},
            {"line of a full row", A::LineBoundary, "at", 28, 19, 29, "12.A  50  "},
            {"line of a wrapped tail", A::LineBoundary, "at", 29, 29, 31, "30"},
            {"line at the end", A::LineBoundary, "at", 36, 32, 36, "last"},
            {"line before a wrapped row", A::LineBoundary, "before", 10, 0, 10, "Planet.Sys"},
            {"line before the empty one", A::LineBoundary, "before", 18, 10, 17, "    Hab"},
            {"line before the third", A::LineBoundary, "before", 19, 18, 18, ""},
            {"line before the first", A::LineBoundary, "before", 0, 0, 0, ""},
            {"line after the first row", A::LineBoundary, "after", 0, 10, 17, "    Hab"},
            {"line after a wrapped tail", A::LineBoundary, "after", 10, 18, 18, ""},
            {"line after a full row", A::LineBoundary, "after", 19, 29, 31, "30"},
            {"line after the third", A::LineBoundary, "after", 29, 32, 36, "last"},
            {"line after the last", A::LineBoundary, "after", 32, 36, 36, ""},
            {"no boundary", A::NoBoundary, "at", 5, 0, 36, "Planet.Sys    Hab\n\n12.A  50  30\nlast"},
            {"offset below the text", A::LineBoundary, "at", -1, -1, -1, ""},
            {"offset beyond the text", A::WordBoundary, "before", 37, -1, -1, ""},
            {"offset beyond the text after", A::CharBoundary, "after", 37, -1, -1, ""},
        };
        for (const bool crlf : {true, false}) {
            for (const Row& row : rows) {
                QTest::newRow((QByteArray(crlf ? "CR LF: " : "LF: ") + row.name).constData())
                    << crlf << int(row.boundary) << QString::fromLatin1(row.where) << row.offset << row.start << row.end
                    << QString::fromLatin1(row.text);
            }
        }
    }

    void boundaries()
    {
        QFETCH(bool, crlf);
        QFETCH(int, boundary);
        QFETCH(QString, where);
        QFETCH(int, offset);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, text);
        ReportTextView* view = load(BoundaryText(crlf));
        QVERIFY(view);
        QVERIFY(FitColumns(view, 10));
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        QCOMPARE(accessible->characterCount(), 36);
        const auto type = static_cast<QAccessible::TextBoundaryType>(boundary);
        int gotStart = -9;
        int gotEnd = -9;
        const QString got = where == "at"       ? accessible->textAtOffset(offset, type, &gotStart, &gotEnd)
                            : where == "before" ? accessible->textBeforeOffset(offset, type, &gotStart, &gotEnd)
                                                : accessible->textAfterOffset(offset, type, &gotStart, &gotEnd);
        QCOMPARE(got, text);
        QCOMPARE(gotStart, start);
        QCOMPARE(gotEnd, end);
    }

    void caretAndSelectionRoundTrips_data()
    {
        QTest::addColumn<int>("from"); // the anchor, or -1 for the caret alone
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("selected");
        QTest::newRow("caret at the start") << -1 << 0 << "";
        QTest::newRow("caret at a line end") << -1 << 17 << "";
        QTest::newRow("caret on an empty line") << -1 << 18 << "";
        QTest::newRow("caret at the end") << -1 << 36 << "";
        QTest::newRow("forward in a line") << 2 << 5 << "ane";
        QTest::newRow("backward in a line") << 5 << 2 << "ane";
        QTest::newRow("over two line ends") << 16 << 20 << "b\n\n1";
        QTest::newRow("just a line end") << 17 << 18 << "\n";
        QTest::newRow("everything") << 0 << 36 << "Planet.Sys    Hab\n\n12.A  50  30\nlast";
        QTest::newRow("beyond the end is the end") << 33 << 99 << "ast";
    }

    void caretAndSelectionRoundTrips()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, selected);
        ReportTextView* view = load(BoundaryText(true));
        QVERIFY(view);
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        const int cursor = std::min(to, 36);
        if (from < 0) {
            accessible->setCursorPosition(to);
        } else {
            accessible->setSelection(0, from, to);
        }
        QCOMPARE(accessible->cursorPosition(), cursor);
        QCOMPARE(view->textBetween(0, view->cursorPosition()), view->text().left(cursor));
        QCOMPARE(accessible->selectionCount(), selected.isEmpty() ? 0 : 1);
        int start = -9;
        int end = -9;
        accessible->selection(0, &start, &end);
        if (selected.isEmpty()) {
            QCOMPARE(start, 0);
            QCOMPARE(end, 0);
        } else {
            QCOMPARE(start, std::min(from, cursor));
            QCOMPARE(end, std::max(from, cursor));
            QCOMPARE(accessible->text(start, end), selected);
            // The view selects the same: what it copies is what was asked for.
            QCOMPARE(view->selectedText(), selected);
            // Only one selection: asking for another gives none.
            int otherStart = -9;
            int otherEnd = -9;
            accessible->selection(1, &otherStart, &otherEnd);
            QCOMPARE(otherStart, 0);
            QCOMPARE(otherEnd, 0);
            accessible->removeSelection(0);
            QCOMPARE(accessible->selectionCount(), 0);
            QCOMPARE(accessible->cursorPosition(), cursor);
            // Adding one selects again, in place of what was there.
            accessible->addSelection(to, from);
            accessible->selection(0, &start, &end);
            QCOMPARE(accessible->text(start, end), selected);
            QCOMPARE(accessible->cursorPosition(), std::min(from, 36));
        }
    }

    // What the player does with keys and the mouse is what the screen reader
    // reads, in characters.
    void keysAndMouseMoveTheCaretScreenReadersSee()
    {
        ReportTextView* view = load(BoundaryText(true));
        QVERIFY(view);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        accessible->setCursorPosition(16);
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(accessible->cursorPosition(), 18);
        int start = -9;
        int end = -9;
        accessible->selection(0, &start, &end);
        QCOMPARE(start, 16);
        QCOMPARE(end, 18);
        QCOMPARE(accessible->text(start, end), QStringLiteral("b\n"));
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(accessible->selectionCount(), 0);
        int lineStart = -9;
        int lineEnd = -9;
        QCOMPARE(accessible->textAtOffset(accessible->cursorPosition(), QAccessible::ParagraphBoundary, &lineStart,
                                          &lineEnd),
                 QStringLiteral("12.A  50  30"));
        // A click on the "5" of the third line puts the caret before it.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->characterRect(view->positionOfCharacter(25)).topLeft() + QPoint(1, 2));
        QCOMPARE(accessible->cursorPosition(), 25);
    }

    void characterRectsAndTheCharacterUnderAPoint()
    {
        ReportTextView* view = load(BoundaryText(true));
        QVERIFY(view);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QVERIFY(FitColumns(view, 10));
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        const QRect viewport(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
        // Each character, line ends included, is where the point over it says.
        for (int offset = 0; offset < accessible->characterCount(); ++offset) {
            const QRect cell = accessible->characterRect(offset);
            QVERIFY2(viewport.contains(cell.center()), qPrintable(QString::number(offset)));
            QCOMPARE(accessible->offsetAtPoint(cell.center()), offset);
        }
        // Cells of one row lie side by side; a wrapped row goes on below.
        QCOMPARE(accessible->characterRect(1).left(), accessible->characterRect(0).right() + 1);
        QCOMPARE(accessible->characterRect(1).top(), accessible->characterRect(0).top());
        QCOMPARE(accessible->characterRect(10).left(), accessible->characterRect(0).left());
        QVERIFY(accessible->characterRect(10).top() > accessible->characterRect(9).bottom() - 1);
        // Right of a line's text lies its line end; below the text, nothing.
        const QRect hab = accessible->characterRect(16);
        QCOMPARE(accessible->offsetAtPoint(QPoint(viewport.right() - 2, hab.center().y())), 17);
        QCOMPARE(accessible->offsetAtPoint(QPoint(viewport.left() + 4, viewport.bottom() - 1)), -1);
        // Outside the text area, on the scroll bar or off the view: nothing.
        QCOMPARE(accessible->offsetAtPoint(QPoint(viewport.right() + 5, hab.center().y())), -1);
        QCOMPARE(accessible->offsetAtPoint(QPoint(viewport.left() - 50, hab.center().y())), -1);
        QVERIFY(accessible->characterRect(-1).isNull());
        QVERIFY(accessible->characterRect(37).isNull());
    }

    void scrollsToASubstring()
    {
        QByteArray bytes;
        for (int line = 0; line < 300; ++line) {
            bytes += "line " + QByteArray::number(line).rightJustified(3, '0') + "\r\n";
        }
        ReportTextView* view = load(bytes);
        QVERIFY(view);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        const QRect viewport(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
        const auto shown = [&](int offset) { return viewport.contains(accessible->characterRect(offset).center()); };
        constexpr int kLine = 9; // "line nnn" and its line end
        const int line150 = 150 * kLine;
        QVERIFY(!shown(line150));
        accessible->scrollToSubstring(line150, line150 + 8);
        QVERIFY(shown(line150));
        QVERIFY(shown(line150 + 7));
        QCOMPARE(accessible->cursorPosition(), 0);
        int start = -9;
        int end = -9;
        QCOMPARE(accessible->textAtOffset(accessible->offsetAtPoint(accessible->characterRect(line150).center()),
                                          QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("line 150"));
        // Already in sight: nothing moves.
        const int top = view->verticalScrollBar()->value();
        accessible->scrollToSubstring(line150 + 2, line150 + 4);
        QCOMPARE(view->verticalScrollBar()->value(), top);
        // Longer than the view: its start comes to the top.
        accessible->scrollToSubstring(20 * kLine, 120 * kLine);
        QVERIFY(shown(20 * kLine));
        QVERIFY(!shown(19 * kLine));
        // Back up to a substring above.
        accessible->scrollToSubstring(3 * kLine, 3 * kLine + 4);
        QVERIFY(shown(3 * kLine));
    }

    void attributesNameTheFont()
    {
        ReportTextView* view = load(BoundaryText(true));
        QVERIFY(view);
        QAccessibleTextInterface* accessible = TextOf(view);
        QVERIFY(accessible);
        int start = -9;
        int end = -9;
        const QString attributes = accessible->attributes(5, &start, &end);
        QVERIFY2(attributes.contains(QStringLiteral("font-family:")), qPrintable(attributes));
        QVERIFY2(attributes.contains(QStringLiteral("font-weight:normal;")), qPrintable(attributes));
        QCOMPARE(start, 0);
        QCOMPARE(end, 36);
        accessible->attributes(37, &start, &end);
        QCOMPARE(start, -1);
        QCOMPARE(end, -1);
    }

    // The viewer that the dump opens offers the report's text in the tree of
    // its window, where a screen reader looks for it.
    void theViewerWindowHoldsTheText()
    {
        testsupport::ScriptedPlatform services;
        services.folder = QDir::toNativeSeparators(m_folder.path());
        const QByteArray report = "Planet.Sys    Hab          Met\r\n\r\n12.A          50           30\r\n";
        QFile file(m_folder.filePath(QStringLiteral("dump.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(report), report.size());
        file.close();
        frmOpenText* viewer = frmOpenText::Show(services);
        QVERIFY(viewer);
        QAccessibleInterface* window = Accessible(viewer);
        QVERIFY(window);
        QAccessibleInterface* found = nullptr;
        for (int i = 0; i < window->childCount() && found == nullptr; ++i) {
            QAccessibleInterface* child = window->child(i);
            if (child != nullptr && child->role() == QAccessible::EditableText) {
                found = child;
            }
        }
        QVERIFY(found);
        QVERIFY(found->textInterface());
        QCOMPARE(found->textInterface()->text(0, -1),
                 QStringLiteral("Planet.Sys    Hab          Met\n\n12.A          50           30\n"));
        QCOMPARE(found->textInterface()->cursorPosition(), 0);
        delete viewer;
        Declare::Reset();
    }

    // Screen readers follow the caret, the selection and a new text through
    // these events. They flow only while accessibility is on, which the
    // offscreen platform never turns on; run on a desktop with its
    // accessibility bus (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1) to check them.
    void eventsFollowTheCaretTheSelectionAndTheText()
    {
        if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
            (void)QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000);
        }
        if (!QAccessible::isActive()) {
            QSKIP("accessibility is not on: the offscreen platform has no accessibility bridge");
        }
        g_seen.clear();
        QAccessible::installUpdateHandler(Record);
        const auto take = [] {
            std::vector<Seen> seen;
            seen.swap(g_seen);
            return seen;
        };
        ReportTextView* view = load(BoundaryText(true));
        QVERIFY(view);
        // A new text is inserted at the start, the caret staying there.
        std::vector<Seen> seen = take();
        QCOMPARE(int(seen.size()), 1);
        QCOMPARE(seen[0].type, QAccessible::TextInserted);
        QCOMPARE(seen[0].position, 0);
        QCOMPARE(seen[0].text, QStringLiteral("Planet.Sys    Hab\n\n12.A  50  30\nlast"));
        QCOMPARE(seen[0].cursor, 0);
        // The caret moves past a CR LF: one character.
        view->setCursorPosition(view->positionOfCharacter(17));
        QTest::keyClick(view, Qt::Key_Right);
        seen = take();
        QCOMPARE(int(seen.size()), 2);
        QCOMPARE(seen[0].type, QAccessible::TextCaretMoved);
        QCOMPARE(seen[0].cursor, 17);
        QCOMPARE(seen[1].cursor, 18);
        // Selecting with Shift: the caret, then the selection.
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
        seen = take();
        QCOMPARE(int(seen.size()), 2);
        QCOMPARE(seen[0].type, QAccessible::TextCaretMoved);
        QCOMPARE(seen[0].cursor, 19);
        QCOMPARE(seen[1].type, QAccessible::TextSelectionChanged);
        QCOMPARE(seen[1].start, 18);
        QCOMPARE(seen[1].end, 19);
        QCOMPARE(seen[1].cursor, 19);
        // Select all: the caret to the end, the whole selection.
        view->selectAll();
        seen = take();
        QCOMPARE(int(seen.size()), 2);
        QCOMPARE(seen[0].cursor, 36);
        QCOMPARE(seen[1].type, QAccessible::TextSelectionChanged);
        QCOMPARE(seen[1].start, 0);
        QCOMPARE(seen[1].end, 36);
        // Moving without Shift ends the selection.
        QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
        seen = take();
        QCOMPARE(int(seen.size()), 2);
        QCOMPARE(seen[0].cursor, 0);
        QCOMPARE(seen[1].type, QAccessible::TextSelectionChanged);
        QCOMPARE(seen[1].start, -1);
        QCOMPARE(seen[1].end, -1);
        // A screen reader that moves the caret hears of it too.
        TextOf(view)->setCursorPosition(32);
        seen = take();
        QCOMPARE(int(seen.size()), 1);
        QCOMPARE(seen[0].cursor, 32);
        // Emptied, the text is removed and the caret is back at the start.
        view->clear();
        seen = take();
        QCOMPARE(int(seen.size()), 2);
        QCOMPARE(seen[0].type, QAccessible::TextRemoved);
        QCOMPARE(seen[0].position, 0);
        QCOMPARE(seen[0].text.size(), 36);
        QCOMPARE(seen[1].type, QAccessible::TextCaretMoved);
        QCOMPARE(seen[1].cursor, 0);
        QAccessible::installUpdateHandler(nullptr);
    }
};

QTEST_MAIN(TestReportTextAccessible)
#include "tst_reporttextaccessible.moc"
