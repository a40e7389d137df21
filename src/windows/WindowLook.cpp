#include "WindowLook.h"

#include "widgets/Twips.h"

#include <QPainter>

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

// Where a picture lies among the resources, which are made available first.
QString PicturePath(const QString& name)
{
    static const bool registered = [] {
        RegisterPictures();
        return true;
    }();
    (void)registered;
    return QStringLiteral(":/pictures/%1.svg").arg(name);
}

} // namespace

QPixmap Picture(const QString& name, QSize size, qreal devicePixelRatio, const QColor& background)
{
    return DrawSvg(PicturePath(name), size, devicePixelRatio, background);
}

QIcon PictureIcon(const QString& name)
{
    return QIcon(PicturePath(name));
}

QIcon ProgramIcon()
{
    return PictureIcon(QStringLiteral("icon"));
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

QPixmap MainWindowFace(QSize size, QPoint origin, qreal devicePixelRatio)
{
    QPixmap face = Picture(QStringLiteral("background"), size, devicePixelRatio);
    QPainter painter(&face);
    painter.translate(-origin);
    painter.setFont(ArialFont(kCaptionPoints, true));
    for (const PaintedCaption& caption : kMainWindowCaptions) {
        painter.setPen(CaptionColour(caption));
        painter.drawText(PixelArea(caption), kCaptionFlags, QString::fromLatin1(caption.text));
    }
    return face;
}

} // namespace look
