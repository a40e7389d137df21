// Window layouts are written in twips, 1/1440 inch: 15 twips make one
// device-independent pixel. Converting in one place keeps the numbers in the
// window code those of the layout tables.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

namespace twips {

inline constexpr int kPerPixel = 15;

// Pixels of a length in twips, rounded to the nearest pixel.
constexpr int Px(int twips)
{
    return twips >= 0 ? (twips + kPerPixel / 2) / kPerPixel : -((-twips + kPerPixel / 2) / kPerPixel);
}

// Twips of a length in pixels.
constexpr int Tw(int pixels)
{
    return pixels * kPerPixel;
}

inline QRect Rect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

inline QSize Size(int width, int height)
{
    return QSize(Px(width), Px(height));
}

inline QPoint Point(int left, int top)
{
    return QPoint(Px(left), Px(top));
}

// A new control of the window, named and placed by the layout's twips.
template <typename Control>
Control* Place(QWidget* parent, const QString& name, int left, int top, int width, int height)
{
    auto* control = new Control(parent);
    control->setObjectName(name);
    control->setGeometry(Rect(left, top, width, height));
    return control;
}

} // namespace twips
