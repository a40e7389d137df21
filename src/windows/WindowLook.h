// What the windows share in their look: the pictures shipped with the program,
// the fonts and colours of the captions, the words painted on the main
// window's face, and placing a window in the middle of the screen.
#pragma once

#include "CaptionFit.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>

class QLabel;
class QPainter;
class QWidget;

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

// Gives a picture label its picture now, drawn for the label's pixel ratio,
// and draws it again whenever the label is about to be painted at another
// ratio (the window moved to a screen of another density).
void KeepSharp(QLabel* label, std::function<QPixmap(qreal devicePixelRatio)> draw);
// The picture a label kept sharp shows, drawn for the given pixel ratio; a
// null pixmap for any other label.
QPixmap PictureAt(const QLabel* label, qreal devicePixelRatio);

// The fonts the windows ask for, each by the family that has its metrics on
// this system, so that the system's choice of a stand-in never decides the
// look: on Linux the Liberation fonts (Debian's fonts-liberation), which have
// exactly the metrics of Arial and Courier New; on Windows and macOS Arial and
// Courier New themselves. Every font is drawn with grey antialiasing and a
// fixed hinting, whatever the desktop's own settings are.
QStringList SansFamilies();
QStringList FixedPitchFamilies();

// The font of every window, message box and menu: an 8.25 pt sans-serif
// dialog font (11 pixels at 96 dots per inch) with Arial's metrics, the font
// the twips layouts of the windows were made for.
QFont DialogFont();
// Arial, as named by the About window and the captions of the main window.
QFont ArialFont(qreal pointSize, bool bold);
// Courier, as named by the report viewer: fixed-pitch, so that columns line up.
QFont CourierFont(qreal pointSize);
// Makes the dialog font the application's font. Called once, after the
// application object is made and before any window is.
void UseProgramFonts();

// Places a window that is about to be shown in the middle of its screen.
void CentreOnScreen(QWidget* window);

// Shows a window that exists already in front of the others, restored when
// it was minimized.
void BringForward(QWidget* window);

// A word painted on the main window's face beside the control it stands for,
// whose own caption does not show.
struct PaintedCaption {
    const char* control;        // the object name of the control
    const char* text;           // as painted, lines split by '\n'
    QRect area;                 // twips, in the client area
    bool topArea;               // yellow in the top area, light grey in the options panel
};

std::span<const PaintedCaption> MainWindowCaptions();

QColor CaptionColour(const PaintedCaption& caption);
// The words a screen reader says for the control: the caption on one line,
// without its closing colon.
QString AccessibleName(const PaintedCaption& caption);
// How a caption is drawn in its area, in Arial 8.25 pt bold as far as it fits.
FittedText CaptionText(const PaintedCaption& caption);
// Where the caption's letters lie, in pixels of the client area.
QRect CaptionTextRect(const PaintedCaption& caption);

// The main window's face: the background picture of the given size, placed at
// `origin` relative to the client area, with the captions painted on it.
QPixmap MainWindowFace(QSize size, QPoint origin, qreal devicePixelRatio);

} // namespace look
