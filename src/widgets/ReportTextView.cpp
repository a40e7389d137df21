#include "ReportTextView.h"

#include "ReportTextAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr int kLeftMargin = 3;
constexpr int kTopMargin = 1;
constexpr int kDragScrollInterval = 50;
constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();

qint64 g_capacity = kUnlimited;

// Every this many lines the character index keeps a line's character offset.
constexpr qint64 kCharacterIndexStep = 64;

// Control characters are drawn as blanks so that the columns stay in place.
QChar Shown(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 || byte == 0x7F) ? QChar(u' ') : QChar(byte);
}

} // namespace

ReportTextView::ReportTextView(QWidget* parent) : QAbstractScrollArea(parent)
{
    ReportTextAccessible::installFactory();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    updateMetrics();
}

ReportTextView::~ReportTextView() = default;

void ReportTextView::setMemoryCapacity(qint64 bytes)
{
    g_capacity = std::max<qint64>(0, bytes);
}

void ReportTextView::resetMemoryCapacity()
{
    g_capacity = kUnlimited;
}

qint64 ReportTextView::memoryFor(qint64 textBytes, qint64 lines)
{
    // The bytes, the first byte of every line and the first row of every line
    // with the row count after the last.
    constexpr qint64 kEntry = static_cast<qint64>(sizeof(qint64));
    if (textBytes < 0 || lines < 0 || lines > (kUnlimited - textBytes) / (2 * kEntry) - 1) {
        return kUnlimited;
    }
    return textBytes + (2 * lines + 1) * kEntry;
}

ReportTextView::LoadResult ReportTextView::loadFile(const QString& path)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return LoadResult::Failed;
    }
    const qint64 size = file.size();
    if (size < 0) {
        return LoadResult::Failed;
    }
    if (memoryFor(size, 1) > g_capacity || static_cast<quint64>(size) > std::numeric_limits<std::size_t>::max() / 2) {
        return LoadResult::OutOfMemory;
    }
    std::unique_ptr<char[]> bytes;
    if (size > 0) {
        bytes.reset(new (std::nothrow) char[static_cast<std::size_t>(size)]);
        if (!bytes) {
            return LoadResult::OutOfMemory;
        }
        // The whole report in one piece, as long as it was when measured.
        if (file.read(bytes.get(), size) != size) {
            return LoadResult::Failed;
        }
    }
    file.close();

    const char* first = bytes.get();
    const char* last = first + size;
    const qint64 lines = static_cast<qint64>(std::count(first, last, '\n')) + 1;
    if (memoryFor(size, lines) > g_capacity) {
        return LoadResult::OutOfMemory;
    }
    std::vector<qint64> starts;
    std::vector<qint64> rows;
    try {
        starts.resize(static_cast<std::size_t>(lines));
        rows.resize(static_cast<std::size_t>(lines) + 1);
    } catch (const std::bad_alloc&) {
        return LoadResult::OutOfMemory;
    }
    std::size_t line = 1;
    for (const char* p = first; p != last;) {
        const auto* found = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(last - p)));
        if (found == nullptr) {
            break;
        }
        starts[line++] = found + 1 - first;
        p = found + 1;
    }

    m_text = std::move(bytes);
    m_size = size;
    m_lineStart.swap(starts);
    m_rowStart.swap(rows);
    std::vector<qint64>().swap(m_characterStart);
    m_characterCount = -1;
    reflow(false);
    verticalScrollBar()->setValue(0);
    // Screen readers learn of the new text as inserted at the start, the
    // caret staying there. The copy is made only while accessibility is on.
    if (m_size > 0 && QAccessible::isActive()) {
        QAccessibleTextInsertEvent inserted(this, 0, text());
        inserted.setCursorPosition(0);
        QAccessible::updateAccessibility(&inserted);
    }
    return LoadResult::Loaded;
}

void ReportTextView::clear()
{
    const qint64 oldAnchor = m_anchor;
    const qint64 oldCursor = m_cursor;
    const QString removed = m_size > 0 && QAccessible::isActive() ? text() : QString();
    m_text.reset();
    m_size = 0;
    m_lineStart.assign(1, 0);
    m_rowStart.assign(2, 0);
    std::vector<qint64>().swap(m_characterStart);
    m_characterCount = -1;
    m_cursor = 0;
    m_anchor = 0;
    m_cursorAtRowEnd = false;
    m_desiredColumn = -1;
    reflow(false);
    verticalScrollBar()->setValue(0);
    if (!removed.isEmpty()) {
        QAccessibleTextRemoveEvent gone(this, 0, removed);
        gone.setCursorPosition(0);
        QAccessible::updateAccessibility(&gone);
    }
    announceCaret(oldAnchor, oldCursor);
}

qint64 ReportTextView::lineEnd(qint64 line) const
{
    if (line + 1 < lineCount()) {
        qint64 end = lineStart(line + 1) - 1; // the line feed
        if (end > lineStart(line) && m_text[static_cast<std::size_t>(end - 1)] == '\r') {
            --end;
        }
        return end;
    }
    return m_size;
}

qint64 ReportTextView::lineOfPosition(qint64 position) const
{
    const auto it = std::upper_bound(m_lineStart.begin(), m_lineStart.end(), position);
    return std::max<qint64>(0, (it - m_lineStart.begin()) - 1);
}

qint64 ReportTextView::lineOfRow(qint64 row) const
{
    const auto it = std::upper_bound(m_rowStart.begin(), m_rowStart.end() - 1, row);
    return std::clamp<qint64>((it - m_rowStart.begin()) - 1, 0, lineCount() - 1);
}

qint64 ReportTextView::rowsOfLine(qint64 line) const
{
    const auto i = static_cast<std::size_t>(line);
    return m_rowStart[i + 1] - m_rowStart[i];
}

QString ReportTextView::lineText(qint64 line) const
{
    if (line < 0 || line >= lineCount()) {
        return {};
    }
    const qint64 start = lineStart(line);
    return QString::fromLatin1(m_text.get() + start, lineEnd(line) - start);
}

QString ReportTextView::textBetween(qint64 from, qint64 to) const
{
    from = std::clamp<qint64>(from, 0, m_size);
    to = std::clamp<qint64>(to, 0, m_size);
    if (to <= from) {
        return {};
    }
    // Line by line, each line end in the range one "\n", CR LF or LF alike.
    QString text;
    text.reserve(static_cast<qsizetype>(to - from));
    for (qint64 line = lineOfPosition(from); line < lineCount() && lineStart(line) < to; ++line) {
        const qint64 first = std::max(from, lineStart(line));
        const qint64 end = lineEnd(line);
        const qint64 last = std::min(to, end);
        if (last > first) {
            text.append(QLatin1String(m_text.get() + first, static_cast<qsizetype>(last - first)));
        }
        if (to > end && line + 1 < lineCount()) {
            text.append(QChar(u'\n'));
        }
    }
    return text;
}

void ReportTextView::indexCharacters() const
{
    if (m_characterCount >= 0) {
        return;
    }
    const qint64 lines = lineCount();
    std::vector<qint64> starts;
    try {
        starts.reserve(static_cast<std::size_t>((lines + kCharacterIndexStep - 1) / kCharacterIndexStep));
    } catch (const std::bad_alloc&) {
        // Without the index every offset is counted from the first line.
        starts = {};
    }
    const bool sample = starts.capacity() > 0;
    qint64 offset = 0;
    for (qint64 line = 0; line < lines; ++line) {
        if (sample && line % kCharacterIndexStep == 0) {
            starts.push_back(offset);
        }
        offset += lineEnd(line) - lineStart(line) + 1;
    }
    m_characterStart.swap(starts);
    m_characterCount = offset - 1; // the last line has no line end
}

qint64 ReportTextView::lineCharacterStart(qint64 line) const
{
    indexCharacters();
    qint64 from = 0;
    qint64 offset = 0;
    if (!m_characterStart.empty()) {
        const auto sampled =
            std::min<qint64>(line / kCharacterIndexStep, static_cast<qint64>(m_characterStart.size()) - 1);
        from = sampled * kCharacterIndexStep;
        offset = m_characterStart[static_cast<std::size_t>(sampled)];
    }
    for (qint64 k = from; k < line; ++k) {
        offset += lineEnd(k) - lineStart(k) + 1;
    }
    return offset;
}

qint64 ReportTextView::characterCount() const
{
    indexCharacters();
    return m_characterCount;
}

qint64 ReportTextView::characterOffset(qint64 position) const
{
    position = std::clamp<qint64>(position, 0, m_size);
    const qint64 line = lineOfPosition(position);
    return lineCharacterStart(line) + std::min(position, lineEnd(line)) - lineStart(line);
}

qint64 ReportTextView::positionOfCharacter(qint64 offset) const
{
    indexCharacters();
    offset = std::clamp<qint64>(offset, 0, m_characterCount);
    qint64 line = 0;
    qint64 start = 0;
    if (!m_characterStart.empty()) {
        const auto after = std::upper_bound(m_characterStart.begin(), m_characterStart.end(), offset);
        const auto sampled = std::max<qint64>(0, (after - m_characterStart.begin()) - 1);
        line = sampled * kCharacterIndexStep;
        start = m_characterStart[static_cast<std::size_t>(sampled)];
    }
    // On to the line that holds the offset, its line end included.
    while (line + 1 < lineCount()) {
        const qint64 next = start + lineEnd(line) - lineStart(line) + 1;
        if (next > offset) {
            break;
        }
        start = next;
        ++line;
    }
    return lineStart(line) + (offset - start);
}

QString ReportTextView::text() const
{
    return textBetween(0, m_size);
}

QString ReportTextView::selectedText() const
{
    return textBetween(std::min(m_anchor, m_cursor), std::max(m_anchor, m_cursor));
}

qint64 ReportTextView::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

int ReportTextView::visibleRows() const
{
    return std::max(1, (viewport()->height() - kTopMargin) / m_rowHeight);
}

ReportTextView::Place ReportTextView::placeOf(qint64 position, bool atRowEnd) const
{
    const qint64 line = lineOfPosition(position);
    const qint64 column = position - lineStart(line);
    qint64 rowInLine = column / m_columns;
    if (atRowEnd && column > 0 && column % m_columns == 0) {
        rowInLine = column / m_columns - 1;
    }
    rowInLine = std::min(rowInLine, rowsOfLine(line) - 1);
    return Place{m_rowStart[static_cast<std::size_t>(line)] + rowInLine,
                 static_cast<int>(column - rowInLine * m_columns)};
}

qint64 ReportTextView::positionAt(qint64 row, int column, bool* atRowEnd) const
{
    row = std::clamp<qint64>(row, 0, rowCount() - 1);
    const qint64 line = lineOfRow(row);
    const qint64 base = (row - m_rowStart[static_cast<std::size_t>(line)]) * m_columns;
    const qint64 length = lineEnd(line) - lineStart(line);
    const qint64 inLine = std::min<qint64>(base + std::clamp(column, 0, m_columns), length);
    if (atRowEnd != nullptr) {
        // The end of a wrapped row is also the start of the next one.
        *atRowEnd = inLine == base + m_columns && inLine < length;
    }
    return lineStart(line) + inLine;
}

qint64 ReportTextView::positionAtPoint(QPoint point, bool* atRowEnd) const
{
    const auto rowOffset = static_cast<qint64>(std::floor((point.y() - kTopMargin) / static_cast<double>(m_rowHeight)));
    const auto column = static_cast<int>(
        std::clamp(std::lround((point.x() - kLeftMargin) / m_charWidth), 0L, static_cast<long>(m_columns)));
    return positionAt(firstVisibleRow() + rowOffset, column, atRowEnd);
}

qint64 ReportTextView::rowFirst(qint64 row) const
{
    const qint64 line = lineOfRow(row);
    return lineStart(line) + (row - m_rowStart[static_cast<std::size_t>(line)]) * m_columns;
}

qint64 ReportTextView::rowLast(qint64 row) const
{
    return std::min(lineEnd(lineOfRow(row)), rowFirst(row) + m_columns);
}

qint64 ReportTextView::characterAtPoint(QPoint point) const
{
    const double rowOffset = std::floor((point.y() - kTopMargin) / static_cast<double>(m_rowHeight));
    const qint64 row = firstVisibleRow() + static_cast<qint64>(std::clamp(rowOffset, 0.0, 1e15));
    if (row >= rowCount()) {
        return -1;
    }
    const double column = std::floor((point.x() - kLeftMargin) / m_charWidth);
    const auto cell = static_cast<qint64>(std::clamp(column, 0.0, static_cast<double>(m_columns - 1)));
    return std::min(rowFirst(row) + cell, rowLast(row));
}

QRect ReportTextView::characterRect(qint64 position) const
{
    const Place place = placeOf(std::clamp<qint64>(position, 0, m_size), false);
    const int top = kTopMargin + static_cast<int>(place.row - firstVisibleRow()) * m_rowHeight;
    // Cells of one row lie side by side without overlapping.
    const int left = kLeftMargin + static_cast<int>(std::lround(place.column * m_charWidth));
    const int right = kLeftMargin + static_cast<int>(std::lround((place.column + 1) * m_charWidth));
    return QRect(left, top, std::max(1, right - left), m_rowHeight);
}

bool ReportTextView::isBlank(qint64 position) const
{
    const char c = m_text[static_cast<std::size_t>(position)];
    return c == ' ' || c == '\t';
}

qint64 ReportTextView::wordLeft(qint64 position) const
{
    const qint64 line = lineOfPosition(position);
    const qint64 start = lineStart(line);
    if (position == start) {
        return line > 0 ? lineEnd(line - 1) : position;
    }
    qint64 p = position;
    while (p > start && isBlank(p - 1)) {
        --p;
    }
    while (p > start && !isBlank(p - 1)) {
        --p;
    }
    return p;
}

qint64 ReportTextView::wordRight(qint64 position) const
{
    const qint64 line = lineOfPosition(position);
    const qint64 end = lineEnd(line);
    if (position == end) {
        return line + 1 < lineCount() ? lineStart(line + 1) : position;
    }
    qint64 p = position;
    while (p < end && !isBlank(p)) {
        ++p;
    }
    while (p < end && isBlank(p)) {
        ++p;
    }
    return p;
}

void ReportTextView::updateMetrics()
{
    const QFontMetricsF metrics(font());
    m_charWidth = metrics.horizontalAdvance(QChar(u'M'));
    if (!(m_charWidth > 0.0)) {
        m_charWidth = 1.0;
    }
    m_rowHeight = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
    m_ascent = static_cast<int>(std::ceil(metrics.ascent()));
    // A row can be drawn with one call only when every character really
    // advances by the same width; otherwise each one is placed by itself.
    const QString probe = QStringLiteral("Mi.l W0|");
    const auto probeChars = static_cast<qreal>(probe.size());
    m_uniformAdvance =
        QFontInfo(font()).fixedPitch() && std::abs(metrics.horizontalAdvance(probe) - probeChars * m_charWidth) < 0.01;
    reflow(true);
}

void ReportTextView::reflow(bool keepTop)
{
    const int oldColumns = m_columns;
    m_columns = std::max(1, static_cast<int>((viewport()->width() - 2 * kLeftMargin) / m_charWidth));
    qint64 topLine = 0;
    qint64 topColumn = 0;
    if (keepTop) {
        const qint64 row = std::min(firstVisibleRow(), rowCount() - 1);
        topLine = lineOfRow(row);
        topColumn = (row - m_rowStart[static_cast<std::size_t>(topLine)]) * oldColumns;
    }
    const qint64 lines = lineCount();
    for (qint64 line = 0; line < lines; ++line) {
        const qint64 length = lineEnd(line) - lineStart(line);
        const qint64 rows = length == 0 ? 1 : (length + m_columns - 1) / m_columns;
        const auto i = static_cast<std::size_t>(line);
        m_rowStart[i + 1] = m_rowStart[i] + rows;
    }
    updateScrollBar();
    if (keepTop) {
        const qint64 top = m_rowStart[static_cast<std::size_t>(topLine)] + topColumn / m_columns;
        verticalScrollBar()->setValue(static_cast<int>(std::min<qint64>(top, std::numeric_limits<int>::max())));
    }
    viewport()->update();
}

void ReportTextView::updateScrollBar()
{
    const int rows = visibleRows();
    const qint64 maximum = std::max<qint64>(0, rowCount() - rows);
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<qint64>(maximum, std::numeric_limits<int>::max())));
    verticalScrollBar()->setPageStep(rows);
}

void ReportTextView::setCursorPosition(qint64 position, bool keepAnchor)
{
    m_desiredColumn = -1;
    moveCursor(std::clamp<qint64>(position, 0, m_size), keepAnchor);
}

void ReportTextView::setSelection(qint64 anchor, qint64 cursor)
{
    m_desiredColumn = -1;
    select(std::clamp<qint64>(anchor, 0, m_size), std::clamp<qint64>(cursor, 0, m_size), false);
}

void ReportTextView::moveCursor(qint64 position, bool keepAnchor, bool atRowEnd)
{
    select(keepAnchor ? m_anchor : position, position, atRowEnd);
}

void ReportTextView::select(qint64 anchor, qint64 cursor, bool atRowEnd)
{
    const qint64 oldAnchor = m_anchor;
    const qint64 oldCursor = m_cursor;
    // A position inside a line end is moved to the end of its line.
    m_anchor = std::min(anchor, lineEnd(lineOfPosition(anchor)));
    m_cursor = std::min(cursor, lineEnd(lineOfPosition(cursor)));
    m_cursorAtRowEnd = atRowEnd;
    restartCaretBlink();
    ensureCursorVisible();
    viewport()->update();
    announceCaret(oldAnchor, oldCursor);
}

// Tells screen readers where the caret went and what is selected now, in
// character offsets, as a text box does.
void ReportTextView::announceCaret(qint64 oldAnchor, qint64 oldCursor)
{
    if (!QAccessible::isActive()) {
        return;
    }
    const int cursor = ReportTextAccessible::toOffset(characterOffset(m_cursor));
    if (oldCursor != m_cursor) {
        QAccessibleTextCursorEvent moved(this, cursor);
        QAccessible::updateAccessibility(&moved);
    }
    const bool wasSelected = oldAnchor != oldCursor;
    const bool selected = hasSelection();
    const qint64 start = std::min(m_anchor, m_cursor);
    const qint64 end = std::max(m_anchor, m_cursor);
    if ((wasSelected || selected)
        && (std::min(oldAnchor, oldCursor) != start || std::max(oldAnchor, oldCursor) != end)) {
        QAccessibleTextSelectionEvent selection(this,
                                                selected ? ReportTextAccessible::toOffset(characterOffset(start)) : -1,
                                                selected ? ReportTextAccessible::toOffset(characterOffset(end)) : -1);
        selection.setCursorPosition(cursor);
        QAccessible::updateAccessibility(&selection);
    }
}

void ReportTextView::ensureVisible(qint64 from, qint64 to)
{
    from = std::clamp<qint64>(from, 0, m_size);
    to = std::clamp<qint64>(to, from, m_size);
    from = std::min(from, lineEnd(lineOfPosition(from)));
    to = std::max(from, std::min(to, lineEnd(lineOfPosition(to))));
    const qint64 first = placeOf(from, false).row;
    // The end of a range at a wrap point lies on the upper row.
    const qint64 last = std::max(first, placeOf(to, to > from).row);
    const qint64 rows = visibleRows();
    qint64 top = firstVisibleRow();
    if (last - first + 1 > rows || first < top) {
        top = first;
    } else if (last >= top + rows) {
        top = last - rows + 1;
    }
    verticalScrollBar()->setValue(static_cast<int>(std::min<qint64>(top, std::numeric_limits<int>::max())));
}

void ReportTextView::ensureCursorVisible()
{
    const qint64 row = placeOf(m_cursor, m_cursorAtRowEnd).row;
    const qint64 first = firstVisibleRow();
    const int rows = visibleRows();
    if (row < first) {
        verticalScrollBar()->setValue(static_cast<int>(row));
    } else if (row >= first + rows) {
        verticalScrollBar()->setValue(static_cast<int>(row - rows + 1));
    }
}

void ReportTextView::selectAll()
{
    const qint64 oldAnchor = m_anchor;
    const qint64 oldCursor = m_cursor;
    m_anchor = 0;
    m_cursor = m_size;
    m_cursorAtRowEnd = false;
    m_desiredColumn = -1;
    viewport()->update();
    announceCaret(oldAnchor, oldCursor);
}

void ReportTextView::copy() const
{
    if (hasSelection()) {
        QGuiApplication::clipboard()->setText(selectedText());
    }
}

void ReportTextView::restartCaretBlink()
{
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0) {
        m_caretTimer.start(flash / 2, this);
    } else {
        m_caretTimer.stop();
    }
}

bool ReportTextView::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            key->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

bool ReportTextView::navigate(QKeyEvent* e)
{
    const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
    const bool control = (e->modifiers() & Qt::ControlModifier) != 0;
    const Place here = placeOf(m_cursor, m_cursorAtRowEnd);
    const qint64 line = lineOfPosition(m_cursor);
    qint64 target = m_cursor;
    bool atRowEnd = false;
    qint64 row = 0;
    bool vertical = false; // the keys that move up or down keep their column
    switch (e->key()) {
    case Qt::Key_Left:
        if (hasSelection() && !shift && !control) {
            target = std::min(m_anchor, m_cursor);
        } else if (control) {
            target = wordLeft(m_cursor);
        } else if (m_cursor == lineStart(line)) {
            target = line > 0 ? lineEnd(line - 1) : m_cursor;
        } else {
            target = m_cursor - 1;
        }
        break;
    case Qt::Key_Right:
        if (hasSelection() && !shift && !control) {
            target = std::max(m_anchor, m_cursor);
        } else if (control) {
            target = wordRight(m_cursor);
        } else if (m_cursor == lineEnd(line)) {
            target = line + 1 < lineCount() ? lineStart(line + 1) : m_cursor;
        } else {
            target = m_cursor + 1;
        }
        break;
    case Qt::Key_Up:
        row = here.row - 1;
        vertical = true;
        break;
    case Qt::Key_Down:
        row = here.row + 1;
        vertical = true;
        break;
    case Qt::Key_PageUp:
        row = here.row - visibleRows();
        vertical = true;
        verticalScrollBar()->setValue(verticalScrollBar()->value() - visibleRows());
        break;
    case Qt::Key_PageDown:
        row = here.row + visibleRows();
        vertical = true;
        verticalScrollBar()->setValue(verticalScrollBar()->value() + visibleRows());
        break;
    case Qt::Key_Home: target = control ? 0 : positionAt(here.row, 0, nullptr); break;
    case Qt::Key_End: target = control ? m_size : positionAt(here.row, m_columns, &atRowEnd); break;
    default: return false;
    }
    if (vertical) {
        if (m_desiredColumn < 0) {
            m_desiredColumn = here.column;
        }
        target = positionAt(std::clamp<qint64>(row, 0, rowCount() - 1), m_desiredColumn, &atRowEnd);
    } else {
        m_desiredColumn = -1;
    }
    moveCursor(target, shift, atRowEnd);
    return true;
}

void ReportTextView::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        copy();
    } else if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (!navigate(e)) {
        e->ignore();
        return;
    }
    e->accept();
}

void ReportTextView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        return;
    }
    bool atRowEnd = false;
    const qint64 position = positionAtPoint(e->position().toPoint(), &atRowEnd);
    m_desiredColumn = -1;
    moveCursor(position, (e->modifiers() & Qt::ShiftModifier) != 0, atRowEnd);
    m_dragging = true;
    m_dragPoint = e->position().toPoint();
}

void ReportTextView::dragTo(QPoint point)
{
    m_dragPoint = point;
    const QPoint inside(point.x(), std::clamp(point.y(), 0, std::max(0, viewport()->height() - 1)));
    bool atRowEnd = false;
    const qint64 position = positionAtPoint(inside, &atRowEnd);
    moveCursor(position, true, atRowEnd);
}

void ReportTextView::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_dragging || (e->buttons() & Qt::LeftButton) == 0) {
        return;
    }
    dragTo(e->position().toPoint());
    const bool outside = m_dragPoint.y() < 0 || m_dragPoint.y() >= viewport()->height();
    if (outside && !m_dragScrollTimer.isActive()) {
        m_dragScrollTimer.start(kDragScrollInterval, this);
    } else if (!outside) {
        m_dragScrollTimer.stop();
    }
}

void ReportTextView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_dragging) {
        return;
    }
    m_dragging = false;
    m_dragScrollTimer.stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(selectedText(), QClipboard::Selection);
    }
}

void ReportTextView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        return;
    }
    // Selects the word under the pointer, or the run of blanks there.
    qint64 position = positionAtPoint(e->position().toPoint(), nullptr);
    const qint64 line = lineOfPosition(position);
    const qint64 start = lineStart(line);
    const qint64 end = lineEnd(line);
    if (position == end && position > start) {
        --position;
    }
    if (position == end) {
        return;
    }
    const bool blank = isBlank(position);
    qint64 first = position;
    while (first > start && isBlank(first - 1) == blank) {
        --first;
    }
    qint64 last = position;
    while (last < end && isBlank(last) == blank) {
        ++last;
    }
    m_desiredColumn = -1;
    select(first, last, false);
    m_dragging = false;
}

void ReportTextView::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"), this, &ReportTextView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    menu.addSeparator();
    QAction* selectAllAction = menu.addAction(tr("Select All"), this, &ReportTextView::selectAll);
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(m_size > 0);
    menu.exec(e->globalPos());
}

void ReportTextView::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    restartCaretBlink();
    viewport()->update();
}

void ReportTextView::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_caretTimer.stop();
    viewport()->update();
}

void ReportTextView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_caretTimer.timerId()) {
        m_caretShown = !m_caretShown;
        viewport()->update(characterRect(m_cursor).adjusted(-2, 0, 2, 0));
    } else if (e->timerId() == m_dragScrollTimer.timerId()) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (m_dragPoint.y() < 0 ? -1 : 1));
        dragTo(m_dragPoint);
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void ReportTextView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ReportTextView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    const int columns = std::max(1, static_cast<int>((viewport()->width() - 2 * kLeftMargin) / m_charWidth));
    if (columns != m_columns) {
        reflow(true);
    } else {
        updateScrollBar();
    }
}

void ReportTextView::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        updateMetrics();
    }
}

void ReportTextView::drawRowText(QPainter& painter, const QString& text, int firstColumn, qreal top) const
{
    if (text.isEmpty()) {
        return;
    }
    const qreal baseline = top + m_ascent;
    if (m_uniformAdvance) {
        painter.drawText(QPointF(kLeftMargin + firstColumn * m_charWidth, baseline), text);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        painter.drawText(QPointF(kLeftMargin + (firstColumn + static_cast<int>(i)) * m_charWidth, baseline),
                         QString(text[i]));
    }
}

void ReportTextView::paintRow(QPainter& painter, qint64 row, qreal top) const
{
    const qint64 line = lineOfRow(row);
    const qint64 rowInLine = row - m_rowStart[static_cast<std::size_t>(line)];
    const qint64 start = lineStart(line);
    const qint64 end = lineEnd(line);
    const qint64 rowFirst = start + rowInLine * m_columns;
    const qint64 rowLast = std::min(end, rowFirst + m_columns);
    const int count = static_cast<int>(std::max<qint64>(0, rowLast - rowFirst));

    QString text(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        text[i] = Shown(m_text[static_cast<std::size_t>(rowFirst + i)]);
    }

    const qint64 selectionStart = std::min(m_anchor, m_cursor);
    const qint64 selectionEnd = std::max(m_anchor, m_cursor);
    const int from = static_cast<int>(std::clamp(selectionStart, rowFirst, rowFirst + count) - rowFirst);
    const int to = static_cast<int>(std::clamp(selectionEnd, rowFirst, rowFirst + count) - rowFirst);
    // A selected line end shows as one highlighted cell after the last row.
    const bool lineEndSelected =
        rowInLine == rowsOfLine(line) - 1 && line + 1 < lineCount() && selectionStart <= end && selectionEnd > end;
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    if (to > from || lineEndSelected) {
        const int highlightEnd = lineEndSelected ? count + 1 : to;
        painter.fillRect(
            QRectF(kLeftMargin + from * m_charWidth, top, (highlightEnd - from) * m_charWidth, m_rowHeight),
            palette().color(group, QPalette::Highlight));
    }
    const QColor normal = palette().color(group, QPalette::Text);
    painter.setPen(normal);
    drawRowText(painter, text.left(from), 0, top);
    drawRowText(painter, text.mid(to), to, top);
    if (to > from) {
        painter.setPen(palette().color(group, QPalette::HighlightedText));
        drawRowText(painter, text.mid(from, to - from), from, top);
    }
}

void ReportTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const qint64 first = firstVisibleRow();
    const qint64 last = std::min(rowCount(), first + visibleRows() + 1);
    for (qint64 row = first; row < last; ++row) {
        paintRow(painter, row, kTopMargin + static_cast<qreal>(row - first) * m_rowHeight);
    }
    if (hasFocus() && m_caretShown) {
        const Place caret = placeOf(m_cursor, m_cursorAtRowEnd);
        if (caret.row >= first && caret.row < last) {
            const qreal x = kLeftMargin + caret.column * m_charWidth;
            const qreal top = kTopMargin + static_cast<qreal>(caret.row - first) * m_rowHeight;
            painter.fillRect(QRectF(x, top, 1.0, m_rowHeight), palette().color(QPalette::Text));
        }
    }
}
