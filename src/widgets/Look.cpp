#include "Look.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace look {

namespace {

// Draws its picture again when the label is about to be painted at a pixel
// ratio other than that of the picture it shows.
class SharpPicture : public QObject {
public:
    SharpPicture(QLabel* label, std::function<QPixmap(qreal)> draw)
        : QObject(label), m_label(label), m_draw(std::move(draw))
    {
        refresh();
        label->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint
            && !qFuzzyCompare(m_label->pixmap().devicePixelRatio(), m_label->devicePixelRatioF())) {
            refresh();
        }
        return false;
    }

private:
    void refresh() { m_label->setPixmap(m_draw(m_label->devicePixelRatioF())); }

    QLabel* m_label;
    std::function<QPixmap(qreal)> m_draw;
};

} // namespace

QPixmap DrawSvg(const QString& path, QSize size, qreal devicePixelRatio, const QColor& background)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(QSizeF(QSizeF(size) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(background);
    QSvgRenderer renderer(path);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

void KeepSharp(QLabel* label, std::function<QPixmap(qreal)> draw)
{
    new SharpPicture(label, std::move(draw));
}

namespace {

// Grey antialiasing and full hinting on every system: text looks the same on
// every desktop whatever its own font settings, and the letters of the small
// dialog font stand on whole pixels.
constexpr QFont::HintingPreference kHinting = QFont::PreferFullHinting;
constexpr auto kRendering = QFont::StyleStrategy(QFont::PreferOutline | QFont::NoSubpixelAntialias);

constexpr qreal kDialogPoints = 8.25;

QFont FontOf(const QStringList& families, QFont::StyleHint hint, qreal pointSize, bool bold)
{
    QFont font(families.first());
    font.setFamilies(families);
    font.setStyleHint(hint, kRendering);
    font.setHintingPreference(kHinting);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// The family with the metrics first, then the metric twins of the other
// systems (Arimo and Cousine are those of ChromeOS), so that a stand-in, if
// one is needed, still takes the room the layouts give: on Windows and macOS
// the font itself, elsewhere its Liberation twin.
QStringList FamiliesFor(const QString& font, const QString& liberation, const QString& chromeOs)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return {font, liberation, chromeOs};
#else
    return {liberation, chromeOs, font};
#endif
}

} // namespace

QStringList SansFamilies()
{
    return FamiliesFor(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"));
}

QStringList FixedPitchFamilies()
{
    return FamiliesFor(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("Cousine"));
}

QFont DialogFont()
{
    return FontOf(SansFamilies(), QFont::SansSerif, kDialogPoints, false);
}

QFont ArialFont(qreal pointSize, bool bold)
{
    return FontOf(SansFamilies(), QFont::SansSerif, pointSize, bold);
}

QFont CourierFont(qreal pointSize)
{
    QFont font = FontOf(FixedPitchFamilies(), QFont::TypeWriter, pointSize, false);
    font.setFixedPitch(true);
    return font;
}

void UseProgramFonts()
{
    // Also replaces the fonts that the desktop's theme gives menus and
    // message boxes.
    QApplication::setFont(DialogFont());
}

void BringForward(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

namespace {

// Moves the window's outer frame, title bar and borders included, into the
// middle of its screen's free area, by the frame it has now.
QMargins Centre(QWidget* window)
{
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    const QMargins frame = window->windowHandle() != nullptr ? window->windowHandle()->frameMargins() : QMargins();
    if (screen != nullptr) {
        const QSize outer = window->size().grownBy(frame);
        // move() places the outer frame's top left corner.
        window->move(screen->availableGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
    return frame;
}

// Windows knows a window's frame once it has its system window; an X11
// window manager tells it only once the window is on screen, and the window
// is then centred again, when it is first exposed, by the frame it got.
class CentreByFrame : public QObject {
public:
    CentreByFrame(QWidget* window, QMargins assumed) : QObject(window), m_window(window), m_assumed(assumed)
    {
        window->windowHandle()->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_window->isVisible()) {
            if (m_window->windowHandle()->frameMargins() != m_assumed) {
                Centre(m_window);
            }
            deleteLater();
        }
        return false;
    }

private:
    QWidget* m_window;
    QMargins m_assumed;
};

} // namespace

void CentreOnScreen(QWidget* window)
{
    window->winId();
    new CentreByFrame(window, Centre(window));
}

} // namespace look
