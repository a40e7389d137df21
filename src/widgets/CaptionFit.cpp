#include "CaptionFit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace look {

namespace {

// Captions are made no smaller than 6 pt, 8 pixels at 96 dots per inch: the
// smallest size at which the dialog font's letters stay apart.
constexpr qreal kSmallestPoints = 6.0;
constexpr int kSmallestPixels = 8;
constexpr qreal kPointStep = 0.25;
const QChar kEllipsis(0x2026);

QString WithoutTrailingBlanks(const QString& line)
{
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1).isSpace()) {
        --end;
    }
    return line.left(end);
}

qreal LineWidth(const QFontMetricsF& metrics, const QString& line)
{
    return metrics.horizontalAdvance(WithoutTrailingBlanks(line));
}

qreal TextHeight(const QFontMetricsF& metrics, qsizetype lines)
{
    return metrics.height() + static_cast<qreal>(std::max<qsizetype>(lines, 1) - 1) * metrics.lineSpacing();
}

// Whether the letters of the lines, placed in the room as the alignment
// places them, lie inside it: each line no wider than the room, and no letter
// above or below it. A line's blank space above its letters may stand out of
// the room.
bool Fits(const QFontMetricsF& metrics, const QStringList& lines, QSize room, Qt::Alignment alignment)
{
    const qreal height = TextHeight(metrics, lines.size());
    qreal top = (room.height() - height) / 2;
    if (alignment & Qt::AlignTop) {
        top = 0;
    } else if (alignment & Qt::AlignBottom) {
        top = room.height() - height;
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = WithoutTrailingBlanks(lines[i]);
        if (line.isEmpty()) {
            continue;
        }
        if (metrics.horizontalAdvance(line) > room.width()) {
            return false;
        }
        const qreal baseline = top + metrics.ascent() + static_cast<qreal>(i) * metrics.lineSpacing();
        const QRectF letters = metrics.tightBoundingRect(line);
        if (baseline + letters.top() < 0 || baseline + letters.bottom() > room.height()) {
            return false;
        }
    }
    return true;
}

// The lines that the room holds in this font, at least one.
qsizetype LinesHeld(const QFontMetricsF& metrics, QSize room)
{
    if (metrics.lineSpacing() <= 0) {
        return 1;
    }
    const qreal below = (room.height() - metrics.height()) / metrics.lineSpacing();
    return std::max<qsizetype>(1, 1 + static_cast<qsizetype>(std::floor(below)));
}

// The font in every size from its own down to the smallest, a quarter point
// apart (a pixel apart for a font given in pixels).
std::vector<QFont> Sizes(const QFont& font)
{
    std::vector<QFont> sizes{font};
    const qreal smallest = SmallestPointSize(font);
    if (font.pointSizeF() > 0) {
        for (qreal points = font.pointSizeF() - kPointStep; points >= smallest - 1e-9; points -= kPointStep) {
            QFont smaller = font;
            smaller.setPointSizeF(points);
            sizes.push_back(smaller);
        }
    } else if (font.pixelSize() > 0) {
        const int fewest = std::min(font.pixelSize(), kSmallestPixels);
        for (int pixels = font.pixelSize() - 1; pixels >= fewest; --pixels) {
            QFont smaller = font;
            smaller.setPixelSize(pixels);
            sizes.push_back(smaller);
        }
    }
    return sizes;
}

// The words of a line, each with the blanks that stood before it, so that a
// wrapped line keeps its blanks as written.
struct Word {
    QString before;
    QString text;
};

std::vector<Word> WordsOf(const QString& line)
{
    std::vector<Word> words;
    qsizetype i = 0;
    while (i < line.size()) {
        Word word;
        while (i < line.size() && line.at(i).isSpace()) {
            word.before += line.at(i++);
        }
        while (i < line.size() && !line.at(i).isSpace()) {
            word.text += line.at(i++);
        }
        if (!word.text.isEmpty()) {
            words.push_back(word);
        }
    }
    return words;
}

// Every line broken at blanks so that each is as wide as the room at most;
// nothing when a single word is wider than the room.
std::optional<QStringList> Wrapped(const QFontMetricsF& metrics, const QStringList& lines, int width)
{
    QStringList wrapped;
    for (const QString& line : lines) {
        QString current;
        for (const Word& word : WordsOf(line)) {
            if (metrics.horizontalAdvance(word.text) > width) {
                return std::nullopt;
            }
            const QString longer = current.isEmpty() ? word.text : current + word.before + word.text;
            if (LineWidth(metrics, longer) <= width) {
                current = longer;
            } else {
                wrapped.append(current);
                current = word.text;
            }
        }
        wrapped.append(current);
    }
    return wrapped;
}

// As many words as the room holds, line after line, then an ellipsis. When
// the room is lower than one line, the words that are as wide as the room
// show whole.
struct Shown {
    QStringList lines;
    bool whole = false;
};

Shown Elided(const QFontMetricsF& metrics, const QStringList& lines, QSize room)
{
    const qsizetype held = LinesHeld(metrics, room);
    const auto fits = [&](const QString& line) { return LineWidth(metrics, line) <= room.width(); };
    std::vector<Word> words;
    for (const QString& line : lines) {
        for (Word& word : WordsOf(line)) {
            if (word.before.isEmpty() && !words.empty()) {
                word.before = QStringLiteral(" ");
            }
            words.push_back(word);
        }
    }
    Shown shown;
    QString current;
    std::size_t taken = 0;
    for (; taken < words.size(); ++taken) {
        const Word& word = words[taken];
        const QString longer = current.isEmpty() ? word.text : current + word.before + word.text;
        if (fits(longer)) {
            current = longer;
        } else if (shown.lines.size() + 1 < held && !current.isEmpty() && fits(word.text)) {
            shown.lines.append(current);
            current = word.text;
        } else {
            break;
        }
    }
    if (taken == words.size()) {
        shown.lines.append(current);
        shown.whole = true;
        return shown;
    }
    // Words are taken back until the ellipsis fits after the last one.
    std::vector<Word> kept = WordsOf(current);
    for (;;) {
        QString line;
        for (const Word& word : kept) {
            line += (line.isEmpty() ? QString() : word.before) + word.text;
        }
        line += kEllipsis;
        if (fits(line)) {
            shown.lines.append(line);
            return shown;
        }
        if (kept.empty()) {
            shown.lines.append(QString());
            return shown;
        }
        kept.pop_back();
    }
}

// What QPushButton itself gives its style to draw.
QStyleOptionButton ButtonOption(const QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.features = QStyleOptionButton::None;
    if (button->isFlat()) {
        option.features |= QStyleOptionButton::Flat;
    }
    if (button->menu() != nullptr) {
        option.features |= QStyleOptionButton::HasMenu;
    }
    if (button->autoDefault()) {
        option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    if (button->isDefault()) {
        option.features |= QStyleOptionButton::DefaultButton;
    }
    if (button->isDown()) {
        option.state |= QStyle::State_Sunken;
    }
    if (button->isChecked()) {
        option.state |= QStyle::State_On;
    }
    if (!button->isFlat() && !button->isDown()) {
        option.state |= QStyle::State_Raised;
    }
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    return option;
}

void PaintLabel(QLabel* label, const FittedText& fitted)
{
    QPainter painter(label);
    painter.setFont(fitted.font);
    const Qt::Alignment alignment = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
    // drawItemText takes the alignment flags as an int; they all lie in its range.
    label->style()->drawItemText(&painter, TextRoom(label), static_cast<int>(alignment.toInt()), label->palette(),
                                 label->isEnabled(), fitted.text, label->foregroundRole());
}

void PaintButton(QPushButton* button, const FittedText& fitted)
{
    QStylePainter painter(button);
    QStyleOptionButton option = ButtonOption(button);
    option.text = fitted.text;
    option.fontMetrics = QFontMetrics(fitted.font);
    painter.setFont(fitted.font);
    painter.drawControl(QStyle::CE_PushButton, option);
}

// Paints the caption of a control fitted into its box when it does not fit
// as it is; otherwise leaves the painting to the control.
class CaptionPainter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType()) {
            return false;
        }
        auto* control = static_cast<QWidget*>(watched);
        const FittedText fitted = FittedCaption(control);
        if (fitted.text == CaptionOf(control) && fitted.font == control->font()) {
            return false;
        }
        if (auto* label = qobject_cast<QLabel*>(control)) {
            PaintLabel(label, fitted);
            return true;
        }
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            PaintButton(button, fitted);
            return true;
        }
        return false;
    }
};

} // namespace

qreal SmallestPointSize(const QFont& font)
{
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    return std::min(points, kSmallestPoints);
}

FittedText FitText(const QString& text, const QFont& font, QSize room, Qt::Alignment alignment)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (text.trimmed().isEmpty()) {
        return {font, text, true};
    }
    // At each size, from the font's own down: whole as written, else wrapped
    // at blanks where the room holds more than one line.
    const std::vector<QFont> sizes = Sizes(font);
    for (const QFont& size : sizes) {
        const QFontMetricsF metrics(size);
        if (Fits(metrics, lines, room, alignment)) {
            return {size, text, true};
        }
        if (LinesHeld(metrics, room) < 2) {
            continue;
        }
        const std::optional<QStringList> wrapped = Wrapped(metrics, lines, room.width());
        if (wrapped && Fits(metrics, *wrapped, room, alignment)) {
            return {size, wrapped->join(QLatin1Char('\n')), true};
        }
    }
    const QFont& smallest = sizes.back();
    const Shown shown = Elided(QFontMetricsF(smallest), lines, room);
    return {smallest, shown.lines.join(QLatin1Char('\n')), shown.whole};
}

QRect TextRoom(const QWidget* control)
{
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        const QStyleOptionButton option = ButtonOption(button);
        const QStyle* style = button->style();
        QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) / 2;
        room.adjust(margin, 0, -margin, 0);
        if (!button->icon().isNull()) {
            room.setLeft(room.left() + button->iconSize().width() + margin);
        }
        return room;
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        QRect room = label->contentsRect();
        const int indent = std::max(label->indent(), 0);
        const Qt::Alignment alignment = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
        if (alignment & Qt::AlignLeft) {
            room.setLeft(room.left() + indent);
        } else if (alignment & Qt::AlignRight) {
            room.setRight(room.right() - indent);
        }
        return room;
    }
    return control->rect();
}

Qt::Alignment CaptionAlignment(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->alignment();
    }
    return Qt::AlignCenter;
}

namespace {

const char* const kAlike = "quarrimaxCaptionsAlike";

FittedText FittedIn(const QWidget* control, const QFont& font)
{
    return FitText(CaptionOf(control), font, TextRoom(control).size(), CaptionAlignment(control));
}

} // namespace

FittedText FittedCaption(const QWidget* control)
{
    FittedText fitted = FittedIn(control, control->font());
    const qreal own = fitted.font.pointSizeF();
    qreal smallest = own;
    for (const QObject* member : control->property(kAlike).value<QObjectList>()) {
        if (member != control && member->isWidgetType()) {
            const auto* other = static_cast<const QWidget*>(member);
            smallest = std::min(smallest, FittedIn(other, other->font()).font.pointSizeF());
        }
    }
    if (own > 0 && smallest > 0 && smallest < own) {
        QFont font = control->font();
        font.setPointSizeF(smallest);
        fitted = FittedIn(control, font);
    }
    return fitted;
}

void FitAlike(const QList<QWidget*>& controls)
{
    QObjectList group;
    for (QWidget* control : controls) {
        group.append(control);
    }
    for (QWidget* control : controls) {
        control->setProperty(kAlike, QVariant::fromValue(group));
    }
}

void KeepCaptionsReadable(QWidget* window)
{
    auto* painter = new CaptionPainter(window);
    for (QLabel* label : window->findChildren<QLabel*>()) {
        label->installEventFilter(painter);
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->installEventFilter(painter);
    }
}

QString CaptionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        return button->text();
    }
    return {};
}

} // namespace look
