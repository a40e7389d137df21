// What a text box shows, judged by its pixels: whether a text too long for
// the box shows from its first character rather than from some later one.
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QString>

namespace uitest {

// Renders the box as it is, then with only the first character of its text,
// and compares the two where that character stands: a box that shows its text
// from the start looks the same there. The box gets its text, its length
// limit and its caret back afterwards. Meant for boxes without the focus, so
// that no blinking caret is drawn.
inline bool ShowsTextFromItsStart(QLineEdit* box)
{
    const QString text = box->text();
    if (text.isEmpty()) {
        return true;
    }
    const int limit = box->maxLength();
    const int cursor = box->cursorPosition();
    const QImage shown = box->grab().toImage();

    box->setText(text.left(1));
    // The caret after the first character marks where it ends; everything
    // left of that, frame and margin included, must look the same.
    const int firstEnds = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() - 1;
    const QImage first = box->grab().toImage();

    box->setMaxLength(limit);
    box->setText(text);
    box->setCursorPosition(cursor);

    if (firstEnds <= 0 || shown.size() != first.size()) {
        return false;
    }
    const qreal ratio = shown.devicePixelRatio();
    const int columns = static_cast<int>(firstEnds * ratio);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < columns; ++x) {
            if (shown.pixel(x, y) != first.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace uitest
