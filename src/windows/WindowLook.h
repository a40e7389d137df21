// What this program's windows share in their look: the pictures shipped with
// the program, the colours of the captions and the words painted on the main
// window's face. The fonts, the drawing of pictures and the placing of
// windows are those of widgets/Look.h.
#pragma once

#include "widgets/Look.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

#include <span>

namespace look {

// Captions stand on a dark space scene in yellow or light grey; each keeps at
// least 4.5:1 contrast against what lies behind it.
inline const QColor kCaptionYellow(255, 255, 0);
inline const QColor kLightGrey(224, 224, 224);
inline const QColor kBorderGrey(192, 192, 192);
inline const QColor kSpace(0, 0, 0);

// A picture of the program, resources/NAME.svg (for example "background" or
// "merge/browse"), drawn at the given size in device-independent pixels,
// sharp for the given pixel ratio, on the given background: the dark of
// space for the faces of the windows, transparent for a picture that lies
// on a window of its own colour.
QPixmap Picture(const QString& name, QSize size, qreal devicePixelRatio, const QColor& background = kSpace);

// A picture as an icon, drawn afresh for every size and pixel ratio asked of it.
QIcon PictureIcon(const QString& name);

// The program's icon.
QIcon ProgramIcon();

// A word painted on the main window's face beside the control it stands for,
// whose own caption does not show.
struct PaintedCaption {
    const char* control; // the object name of the control
    const char* text;    // as painted, lines split by '\n'
    QRect area;          // twips, in the client area
    bool topArea;        // yellow in the top area, light grey in the options panel
};

std::span<const PaintedCaption> MainWindowCaptions();

QColor CaptionColour(const PaintedCaption& caption);
// The words a screen reader says for the control: the caption on one line,
// without its closing colon.
QString AccessibleName(const PaintedCaption& caption);

// The main window's face: the background picture of the given size, placed at
// `origin` relative to the client area, with the captions painted on it in
// Arial 8.25 pt bold.
QPixmap MainWindowFace(QSize size, QPoint origin, qreal devicePixelRatio);

} // namespace look
