// What the windows share in their look: the pictures shipped with the program,
// the colours of the captions, and placing a window in the middle of the screen.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

class QLabel;
class QWidget;

namespace look {

inline const QColor kCaptionYellow(255, 221, 64);
inline const QColor kLightGrey(224, 224, 224);
inline const QColor kBorderGrey(192, 192, 192);

// Makes the pictures available; every window calls it before using one.
void InitPictures();

// A picture of the program (":/pictures/NAME.svg") drawn at the given size in
// device-independent pixels, sharp on high-density screens.
QPixmap Picture(const QString& name, QSize size, qreal devicePixelRatio);

// Shrinks a label's font when its text is wider than the label, so that the
// whole text shows whatever font the system has in place of the one asked for.
void FitTextToWidth(QLabel* label);

// Places a window that is about to be shown in the middle of its screen.
void CentreOnScreen(QWidget* window);

} // namespace look
