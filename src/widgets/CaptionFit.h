// Captions that stay readable in their boxes. The windows keep the sizes and
// places of their layouts in twips; in the program's own fonts every caption
// fits its box. With other fonts (the program's are not installed, or the
// desktop makes all text larger) a caption that would be wider than its box
// is drawn in a smaller size of its font, down to 6 pt; if that is not
// enough, it wraps at blanks where the box holds more than one
// line, or shows the words that fit and an ellipsis. A word is never cut.
#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace look {

struct FittedText {
    QFont font;        // the font to draw in: the caption's own, or a smaller size of it
    QString text;      // what to draw, lines split by '\n'
    bool whole = true; // every word of the caption is in `text`
};

// Fits the text, lines split by '\n', into a room of the given size, where
// the alignment places it. Blanks at the end of a line take no room.
FittedText FitText(const QString& text, const QFont& font, QSize room,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

// The smallest size, in points, a caption's font is made when it does not fit.
qreal SmallestPointSize(const QFont& font);

// The part of a label or push button that its caption may take, in the
// control's own coordinates: the label's contents, the button's face inside
// its frame and margins.
QRect TextRoom(const QWidget* control);

// Where a label or push button places its caption in that room.
Qt::Alignment CaptionAlignment(const QWidget* control);

// The caption of a label or push button as it is set; empty for any other control.
QString CaptionOf(const QWidget* control);

// How the caption of a label or push button is drawn now.
FittedText FittedCaption(const QWidget* control);

// Draws the captions of these controls in one size: the smallest that any of
// them needs to fit.
void FitAlike(const QList<QWidget*>& controls);

// Draws the captions of the window's labels and push buttons fitted into
// their boxes from now on, whenever they do not fit as they are. Captions
// that fit are drawn by the controls themselves, unchanged.
void KeepCaptionsReadable(QWidget* window);

} // namespace look
