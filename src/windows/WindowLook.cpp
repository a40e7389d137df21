#include "WindowLook.h"

#include "Twips.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QWidget>

#include <algorithm>
#include <utility>

// Resources of a static library are registered by name; this must run outside
// any namespace.
static void RegisterPictures()
{
    Q_INIT_RESOURCE(quarrimax);
}

namespace look {

namespace {

// The words of the main window's face. The three in the top area lie under
// the transparent click targets of their controls.
constexpr PaintedCaption kMainWindowCaptions[] = {
    {"chkOpen", "Open After Dumping", QRect(480, 210, 1695, 255), true},
    {"optQuarrimax", "Quarrimax", QRect(600, 690, 975, 255), true},
    {"optNotePad", "NotePad", QRect(600, 1050, 735, 255), true},
    {"txtMinHab", "Minimum habitability\nrate to retrieve :", QRect(240, 1830, 2760, 465), false},
    {"txtMinMetal", "Minimum metal\nrate to retrieve :", QRect(240, 2310, 2760, 465), false},
    {"cboGalaxies", "Galaxy to dump :", QRect(240, 2835, 2295, 255), false},
    {"chkRating", "Display Murl's Rating ( R=H*5+M)", QRect(480, 3570, 3300, 255), false},
};

constexpr qreal kCaptionPoints = 8.25;
constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignVCenter;

QRect PixelArea(const PaintedCaption& caption)
{
    return twips::Rect(caption.area.x(), caption.area.y(), caption.area.width(), caption.area.height());
}

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

    QPixmap draw(qreal devicePixelRatio) const { return m_draw(devicePixelRatio); }

private:
    void refresh() { m_label->setPixmap(m_draw(m_label->devicePixelRatioF())); }

    QLabel* m_label;
    std::function<QPixmap(qreal)> m_draw;
};

} // namespace

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
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(QSizeF(QSizeF(size) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(kSpace);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon ProgramIcon()
{
    InitPictures();
    return QIcon(QStringLiteral(":/pictures/icon.svg"));
}

void KeepSharp(QLabel* label, std::function<QPixmap(qreal)> draw)
{
    new SharpPicture(label, std::move(draw));
}

QPixmap PictureAt(const QLabel* label, qreal devicePixelRatio)
{
    for (QObject* child : label->children()) {
        if (const auto* sharp = dynamic_cast<const SharpPicture*>(child)) {
            return sharp->draw(devicePixelRatio);
        }
    }
    return {};
}

QFont ArialFont(qreal pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont CourierFont(qreal pointSize)
{
    QFont font(QStringLiteral("Courier"));
    font.setFamilies({QStringLiteral("Courier"), QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("Cousine"), QStringLiteral("Nimbus Mono PS"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
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

void BringForward(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
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

std::span<const PaintedCaption> MainWindowCaptions()
{
    return kMainWindowCaptions;
}

QColor CaptionColour(const PaintedCaption& caption)
{
    return caption.topArea ? kCaptionYellow : kLightGrey;
}

QString AccessibleName(const PaintedCaption& caption)
{
    QString name = QString::fromLatin1(caption.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (name.endsWith(QLatin1String(" :"))) {
        name.chop(2);
    }
    return name;
}

QFont CaptionFont(const PaintedCaption& caption)
{
    QFont font = ArialFont(kCaptionPoints, true);
    const QStringList lines = QString::fromLatin1(caption.text).split(QLatin1Char('\n'));
    const qreal room = PixelArea(caption).width() - 1;
    for (int step = 0; step < 12; ++step) {
        const QFontMetricsF metrics(font);
        qreal widest = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        if (widest <= room) {
            break;
        }
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    return font;
}

QRect CaptionTextRect(const PaintedCaption& caption)
{
    return QFontMetrics(CaptionFont(caption))
        .boundingRect(PixelArea(caption), kCaptionFlags, QString::fromLatin1(caption.text));
}

void NamePaintedControls(QWidget* window)
{
    for (const PaintedCaption& caption : kMainWindowCaptions) {
        if (auto* control = window->findChild<QWidget*>(QString::fromLatin1(caption.control))) {
            control->setAccessibleName(AccessibleName(caption));
        }
    }
}

QPixmap MainWindowFace(QSize size, QPoint origin, qreal devicePixelRatio)
{
    QPixmap face = Picture(QStringLiteral("background"), size, devicePixelRatio);
    QPainter painter(&face);
    painter.translate(-origin);
    for (const PaintedCaption& caption : kMainWindowCaptions) {
        painter.setFont(CaptionFont(caption));
        painter.setPen(CaptionColour(caption));
        painter.drawText(PixelArea(caption), kCaptionFlags, QString::fromLatin1(caption.text));
    }
    return face;
}

} // namespace look
