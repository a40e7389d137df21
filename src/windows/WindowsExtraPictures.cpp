#include "WindowsExtraPictures.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

// Resources compiled into a static library are registered by hand.
static void RegisterWindowsExtraResources()
{
    Q_INIT_RESOURCE(windows_extra);
}

namespace windows_extra {

namespace {

void InitResources()
{
    static const bool registered = (RegisterWindowsExtraResources(), true);
    (void)registered;
}

} // namespace

QPixmap Picture(const QString& name, QSize size, qreal devicePixelRatio)
{
    InitResources();
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(static_cast<int>(std::ceil(size.width() * ratio)), static_cast<int>(std::ceil(size.height() * ratio)));
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/windows/") + name);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon Icon(const QString& name)
{
    InitResources();
    return QIcon(QStringLiteral(":/windows/") + name);
}

} // namespace windows_extra
