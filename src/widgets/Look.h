// The look that windows share whatever they show: the fonts asked for by the
// family that has their metrics, pictures drawn from SVG sharp for the pixel
// ratio they are shown at, and a window placed in the middle of its screen or
// brought in front of the others.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QWidget;

namespace look {

// The SVG picture at the path, drawn at the given size in device-independent
// pixels, sharp for the given pixel ratio, on the given background.
QPixmap DrawSvg(const QString& path, QSize size, qreal devicePixelRatio, const QColor& background);

// Gives a picture label its picture now, drawn for the label's pixel ratio,
// and draws it again whenever the label is about to be painted at another
// ratio (the window moved to a screen of another density).
void KeepSharp(QLabel* label, std::function<QPixmap(qreal devicePixelRatio)> draw);

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

// Places a window that is about to be shown in the middle of its screen, by
// its whole outer frame, title bar and borders included.
void CentreOnScreen(QWidget* window);

// Shows a window that exists already in front of the others, restored when
// it was minimized.
void BringForward(QWidget* window);

} // namespace look
