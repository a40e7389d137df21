// The pictures of the merge window and the auto-check monitor, shipped in
// windows_extra.qrc and drawn from their SVG sources at the size asked for.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace windows_extra {

// A picture by its name under resources/, e.g. "merge/browse.svg", drawn at
// the given size in device-independent pixels for the given pixel ratio.
QPixmap Picture(const QString& name, QSize size, qreal devicePixelRatio = 1.0);

// A picture by its name as an icon, drawn afresh for every size and pixel
// ratio asked of it.
QIcon Icon(const QString& name);

} // namespace windows_extra
