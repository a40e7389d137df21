#include "ReportTextAccessible.h"

#include "ReportTextView.h"

#include <QFontInfo>

#include <algorithm>
#include <limits>

namespace {

QAccessibleInterface* CreateInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String("ReportTextView")) {
        return nullptr;
    }
    auto* view = qobject_cast<ReportTextView*>(object);
    return view != nullptr ? new ReportTextAccessible(view) : nullptr;
}

// A font family as a value of the text attributes, its separators escaped.
QString AttributeValue(QString family)
{
    for (const QChar special : {u'\\', u':', u',', u'=', u';', u'"'}) {
        family.replace(special, QStringLiteral("\\") + special);
    }
    return family;
}

} // namespace

ReportTextAccessible::ReportTextAccessible(ReportTextView* view) : QAccessibleWidget(view, QAccessible::EditableText)
{
}

int ReportTextAccessible::toOffset(qint64 value)
{
    return static_cast<int>(
        std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void ReportTextAccessible::installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(CreateInterface);
        return true;
    }();
    (void)installed;
}

void* ReportTextAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ReportTextAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

ReportTextView* ReportTextAccessible::view() const
{
    return static_cast<ReportTextView*>(widget());
}

qint64 ReportTextAccessible::count() const
{
    return std::min<qint64>(view()->characterCount(), std::numeric_limits<int>::max());
}

qint64 ReportTextAccessible::position(qint64 offset) const
{
    return view()->positionOfCharacter(offset);
}

qint64 ReportTextAccessible::offset(qint64 position) const
{
    return view()->characterOffset(position);
}

ReportTextAccessible::Item ReportTextAccessible::itemAt(qint64 offset, QAccessible::TextBoundaryType boundaryType) const
{
    const ReportTextView* text = view();
    const qint64 total = count();
    // Within one line characters and bytes run alike, so an item is found in
    // positions and handed back in offsets from the one it was asked for.
    const qint64 at = position(offset);
    const qint64 line = text->lineOfPosition(at);
    switch (boundaryType) {
    case QAccessible::CharBoundary: return offset < total ? Item{offset, offset + 1} : Item{total, total};
    case QAccessible::WordBoundary: {
        if (offset >= total) {
            return Item{total, total};
        }
        const qint64 start = text->lineStart(line);
        const qint64 end = text->lineEnd(line);
        if (at >= end) {
            return Item{offset, offset + 1}; // the line end
        }
        const bool blank = text->isBlank(at);
        qint64 first = at;
        while (first > start && text->isBlank(first - 1) == blank) {
            --first;
        }
        qint64 last = at + 1;
        while (last < end && text->isBlank(last) == blank) {
            ++last;
        }
        return Item{offset - (at - first), offset + (last - at)};
    }
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary: {
        const qint64 start = offset - (at - text->lineStart(line));
        return Item{start, start + (text->lineEnd(line) - text->lineStart(line))};
    }
    case QAccessible::LineBoundary: {
        const qint64 row = text->placeOf(at, false).row;
        return Item{offset - (at - text->rowFirst(row)), offset + (text->rowLast(row) - at)};
    }
    case QAccessible::NoBoundary: break;
    }
    return Item{0, total};
}

QString ReportTextAccessible::answer(Item item, int* startOffset, int* endOffset) const
{
    const qint64 total = count();
    const qint64 start = std::clamp<qint64>(item.start, 0, total);
    const qint64 end = std::clamp<qint64>(item.end, start, total);
    *startOffset = toOffset(start);
    *endOffset = toOffset(end);
    return view()->textBetween(position(start), position(end));
}

QString ReportTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                           int* endOffset) const
{
    if (offset < 0 || offset > count()) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return answer(itemAt(offset, boundaryType), startOffset, endOffset);
}

QString ReportTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                               int* endOffset) const
{
    if (offset < 0 || offset > count()) {
        *startOffset = *endOffset = -1;
        return {};
    }
    const Item here = itemAt(offset, boundaryType);
    if (here.start <= 0) {
        *startOffset = *endOffset = 0;
        return {};
    }
    return answer(itemAt(here.start - 1, boundaryType), startOffset, endOffset);
}

QString ReportTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                              int* endOffset) const
{
    const qint64 total = count();
    if (offset < 0 || offset > total) {
        *startOffset = *endOffset = -1;
        return {};
    }
    const Item here = itemAt(offset, boundaryType);
    if (here.end >= total) {
        *startOffset = *endOffset = toOffset(total);
        return {};
    }
    // An item that leaves out its line end (a line, a paragraph) is followed
    // by the one after that line end.
    Item next = itemAt(here.end, boundaryType);
    if (next.start == here.start && next.end == here.end) {
        next = itemAt(here.end + 1, boundaryType);
    }
    return answer(next, startOffset, endOffset);
}

QString ReportTextAccessible::text(int startOffset, int endOffset) const
{
    const qint64 total = count();
    const qint64 end = endOffset == -1 ? total : std::clamp<qint64>(endOffset, 0, total);
    const qint64 start = std::clamp<qint64>(startOffset, 0, total);
    if (end <= start) {
        return {};
    }
    return view()->textBetween(position(start), position(end));
}

int ReportTextAccessible::characterCount() const
{
    return toOffset(count());
}

void ReportTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    const ReportTextView* text = view();
    if (selectionIndex != 0 || !text->hasSelection()) {
        return;
    }
    *startOffset = toOffset(offset(std::min(text->anchorPosition(), text->cursorPosition())));
    *endOffset = toOffset(offset(std::max(text->anchorPosition(), text->cursorPosition())));
}

int ReportTextAccessible::selectionCount() const
{
    return view()->hasSelection() ? 1 : 0;
}

void ReportTextAccessible::addSelection(int startOffset, int endOffset)
{
    // One selection only: adding one replaces it.
    setSelection(0, startOffset, endOffset);
}

void ReportTextAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0) {
        view()->setCursorPosition(view()->cursorPosition());
    }
}

void ReportTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0) {
        return;
    }
    const qint64 total = count();
    const qint64 end = endOffset == -1 ? total : endOffset;
    view()->setSelection(position(std::clamp<qint64>(startOffset, 0, total)),
                         position(std::clamp<qint64>(end, 0, total)));
}

int ReportTextAccessible::cursorPosition() const
{
    return toOffset(offset(view()->cursorPosition()));
}

void ReportTextAccessible::setCursorPosition(int position)
{
    view()->setCursorPosition(this->position(std::clamp<qint64>(position, 0, count())));
}

QRect ReportTextAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset > count()) {
        return {};
    }
    const QRect cell = view()->characterRect(position(offset));
    return QRect(view()->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

int ReportTextAccessible::offsetAtPoint(const QPoint& point) const
{
    const QWidget* viewport = view()->viewport();
    const QPoint local = viewport->mapFromGlobal(point);
    if (!viewport->rect().contains(local)) {
        return -1;
    }
    const qint64 at = view()->characterAtPoint(local);
    return at < 0 ? -1 : toOffset(offset(at));
}

void ReportTextAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    const qint64 total = count();
    const qint64 start = std::clamp<qint64>(startIndex, 0, total);
    const qint64 end = std::clamp<qint64>(endIndex, start, total);
    view()->ensureVisible(position(start), position(end));
}

QString ReportTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    // -2 stands for the caret and -1 for the end of the text.
    const qint64 total = count();
    const qint64 at = offset == -2 ? cursorPosition() : offset == -1 ? total : offset;
    if (at < 0 || at > total) {
        *startOffset = *endOffset = -1;
        return {};
    }
    // One font for the whole text.
    *startOffset = 0;
    *endOffset = toOffset(total);
    const QFontInfo font(view()->font());
    return QStringLiteral("font-family:\"%1\";font-size:%2pt;font-style:%3;font-weight:%4;")
        .arg(AttributeValue(font.family()))
        .arg(font.pointSize())
        .arg(font.italic() ? QStringLiteral("italic") : QStringLiteral("normal"))
        .arg(font.bold() ? QStringLiteral("bold") : QStringLiteral("normal"));
}
