// A read-only view of a text report that stays quick with reports of many
// megabytes. It keeps the report's bytes and an index of its lines, wraps
// every line at the right edge by column arithmetic in a fixed-pitch font and
// paints only the rows in sight. The caret, the selection, the keyboard, the
// mouse and the wheel work as in any read-only text box, and screen readers
// read it as one (ReportTextAccessible).
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

class ReportTextView : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum class LoadResult {
        Loaded,      // the whole file is shown
        OutOfMemory, // the file does not fit in the memory the view may take
        Failed,      // the file is missing or cannot be read
    };

    explicit ReportTextView(QWidget* parent = nullptr);
    ~ReportTextView() override;

    // The memory one report may take: its bytes and its line index. There is
    // no limit unless one is set; a lower one makes large reports fail the way
    // they fail when the memory runs out.
    static void setMemoryCapacity(qint64 bytes);
    static void resetMemoryCapacity();
    // The memory a report of this many bytes and lines takes.
    static qint64 memoryFor(qint64 textBytes, qint64 lines);

    // Measures the file, reads it whole in one piece and shows it, one byte
    // per character. On a failure the view is left empty.
    LoadResult loadFile(const QString& path);
    void clear();

    qint64 textSize() const { return m_size; }
    qint64 lineCount() const { return static_cast<qint64>(m_lineStart.size()); }
    QString lineText(qint64 line) const;
    // The whole text, the selected text and the text between two positions,
    // lines joined by "\n".
    QString text() const;
    QString selectedText() const;
    QString textBetween(qint64 from, qint64 to) const;
    bool hasSelection() const { return m_anchor != m_cursor; }

    // Positions are byte offsets into the report, 0 to textSize().
    qint64 cursorPosition() const { return m_cursor; }
    qint64 anchorPosition() const { return m_anchor; }
    void setCursorPosition(qint64 position, bool keepAnchor = false);
    // Selects from the anchor to the cursor and brings the cursor in sight.
    void setSelection(qint64 anchor, qint64 cursor);
    // Scrolls so that the text between two positions is in sight: all of it
    // when it fits, else from its first row on. The caret stays.
    void ensureVisible(qint64 from, qint64 to);

    // Character offsets count the characters of text(), where a CR LF line
    // end is the one character "\n", from 0 to characterCount(). Screen
    // readers see the report in these. Worked out from the bytes and the line
    // index; the first use notes the offsets of lines at a fixed stride.
    qint64 characterCount() const;
    qint64 characterOffset(qint64 position) const;
    qint64 positionOfCharacter(qint64 offset) const;

    int columns() const { return m_columns; }
    qint64 rowCount() const { return m_rowStart.empty() ? 0 : m_rowStart.back(); }
    qint64 firstVisibleRow() const;
    int visibleRows() const;
    // Where the character at a position is drawn, in viewport coordinates.
    QRect characterRect(qint64 position) const;

public slots:
    void selectAll();
    void copy() const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class ReportTextAccessible;

    // A place on screen: a row of the wrapped text and a column in it.
    struct Place {
        qint64 row = 0;
        int column = 0;
    };

    qint64 lineStart(qint64 line) const { return m_lineStart[static_cast<std::size_t>(line)]; }
    qint64 lineEnd(qint64 line) const;
    qint64 lineOfPosition(qint64 position) const;
    qint64 lineOfRow(qint64 row) const;
    qint64 rowsOfLine(qint64 line) const;
    Place placeOf(qint64 position, bool atRowEnd) const;
    qint64 positionAt(qint64 row, int column, bool* atRowEnd) const;
    qint64 positionAtPoint(QPoint point, bool* atRowEnd) const;
    // The position of the character drawn under a point of the viewport,
    // the row's end right of its text; -1 below the last row.
    qint64 characterAtPoint(QPoint point) const;
    qint64 rowFirst(qint64 row) const;
    qint64 rowLast(qint64 row) const;
    qint64 wordLeft(qint64 position) const;
    qint64 wordRight(qint64 position) const;
    bool isBlank(qint64 position) const;

    void updateMetrics();
    void reflow(bool keepTop);
    void updateScrollBar();
    void moveCursor(qint64 position, bool keepAnchor, bool atRowEnd = false);
    void select(qint64 anchor, qint64 cursor, bool atRowEnd);
    void announceCaret(qint64 oldAnchor, qint64 oldCursor);
    void indexCharacters() const;
    qint64 lineCharacterStart(qint64 line) const;
    void ensureCursorVisible();
    void restartCaretBlink();
    bool navigate(QKeyEvent* e);
    void dragTo(QPoint point);
    void paintRow(QPainter& painter, qint64 row, qreal top) const;
    void drawRowText(QPainter& painter, const QString& text, int firstColumn, qreal top) const;

    std::unique_ptr<char[]> m_text;
    qint64 m_size = 0;
    std::vector<qint64> m_lineStart{0};   // first byte of every line
    std::vector<qint64> m_rowStart{0, 1}; // first row of every line, and the row count last
    // The character offset of the start of every kCharacterIndexStep-th
    // line, and the character count; empty and -1 until first asked for.
    mutable std::vector<qint64> m_characterStart;
    mutable qint64 m_characterCount = -1;

    qint64 m_cursor = 0;
    qint64 m_anchor = 0;
    bool m_cursorAtRowEnd = false; // a caret at a wrap point shows at the end of the upper row
    int m_desiredColumn = -1;      // kept while moving up and down
    bool m_caretShown = true;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QBasicTimer m_caretTimer;
    QBasicTimer m_dragScrollTimer;

    qreal m_charWidth = 8.0;
    int m_rowHeight = 15;
    int m_ascent = 12;
    bool m_uniformAdvance = true; // whole rows can be drawn with one call
    int m_columns = 1;
};
