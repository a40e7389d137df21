#include "WindowLook.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QWidget>

// Resources of a static library are registered by name; this must run outside
// any namespace.
static void RegisterPictures()
{
    Q_INIT_RESOURCE(quarrimax);
}

namespace look {

void InitPictures()
{
    static const bool registered = [] {
        RegisterPictures();
        return true;
    }();
    (void)registered;
}

QPixmap Picture(const QString& name, QSize size, qreal devicePixelRatio)
{
    InitPictures();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::black);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

void FitTextToWidth(QLabel* label)
{
    QFont font = label->font();
    const qreal room = label->contentsRect().width() - 2;
    for (int step = 0; step < 40; ++step) {
        if (QFontMetricsF(font).horizontalAdvance(label->text()) <= room || font.pointSizeF() <= 6.0) {
            break;
        }
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label->setFont(font);
}

void CentreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    window->move(available.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace look
