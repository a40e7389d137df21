// What screen readers see of a ReportTextView: a read-only, multi-line text
// with its whole text, the caret and the selection, the place of every
// character and the character under a point, as a read-only text box shows
// them. Every answer comes from the view's bytes and line index; only the
// text asked for is built.
//
// Offsets count the characters of the view's text, where a CR LF line end is
// the one character "\n". A line, for the line boundary, is a row as the view
// wraps it; a paragraph and a sentence are a line of the report; a word is a
// run of characters other than blanks within a line, a run of blanks, or a
// line end, as the view's own word moves take them. Line, paragraph and
// sentence leave out their line end, which belongs to them.
#pragma once

#include <QAccessibleWidget>

class ReportTextView;

class ReportTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReportTextAccessible(ReportTextView* view);

    // Makes every ReportTextView answer through this class; once is enough.
    static void installFactory();
    // Screen readers count characters in int; a text longer than that is
    // offered up to there.
    static int toOffset(qint64 value);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    using QAccessibleWidget::text;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;

    int cursorPosition() const override;
    void setCursorPosition(int position) override;

    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;

    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;

    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    struct Item {
        qint64 start = -1;
        qint64 end = -1;
    };

    ReportTextView* view() const;
    qint64 count() const;
    qint64 position(qint64 offset) const;
    qint64 offset(qint64 position) const;
    // The item of a boundary type at a valid offset, in character offsets.
    Item itemAt(qint64 offset, QAccessible::TextBoundaryType boundaryType) const;
    QString answer(Item item, int* startOffset, int* endOffset) const;
};
