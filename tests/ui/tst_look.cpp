// The look of every window: each caption stands out from what lies behind it
// by at least 4.5:1 at 100 % and at 200 %, the pictures are drawn for the pixel
// ratio instead of being stretched, every window carries the program's icon,
// and the controls whose captions do not show (painted ones, picture buttons)
// still tell a screen reader what they are.
#include "UiFixture.h"
#include "windows/WindowLook.h"
#include "windows/frmAbout.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmMerge.h"
#include "windows/frmModifyList.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QAccessible>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <cmath>

using namespace uitest;

namespace {

// Relative luminance and contrast ratio as the WCAG define them.
double Luminance(const QColor& colour)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Caption {
    QString text;
    QRect area; // where its letters lie, in pixels of the window
    QColor colour;
};

QWidget* OpenWindow(const QString& name, const Workspace& workspace)
{
    QWidget* window = nullptr;
    if (name == QLatin1String("frmQuarrimax")) {
        window = new frmQuarrimax;
        // With the options panel open, so that all of its face shows.
        window->findChild<QPushButton*>(QStringLiteral("cmdOptions"))->click();
    } else if (name == QLatin1String("frmModifyList")) {
        window = new frmModifyList;
    } else if (name == QLatin1String("frmAbout")) {
        return frmAbout::Open();
    } else if (name == QLatin1String("frmMerge")) {
        return frmMerge::ShowWindow();
    } else if (name == QLatin1String("frmAutoCheck")) {
        return frmAutoCheck::ShowWindow();
    } else if (name == QLatin1String("frmOpenText")) {
        WriteText(workspace.report(), "1234.C        85           40\r\n");
        return frmOpenText::ShowReport();
    }
    if (window != nullptr) {
        window->show();
    }
    return window;
}

void CloseWindow(QWidget* window)
{
    QPointer<QWidget> guard(window);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete guard.data();
    Declare::Reset();
}

// The words shown by the window's labels, where their letters lie.
QList<Caption> LabelCaptions(QWidget* window)
{
    QList<Caption> captions;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(window)) {
            continue;
        }
        const QRect letters = QFontMetrics(label->font())
                                  .boundingRect(label->contentsRect(), static_cast<int>(label->alignment()),
                                                label->text())
                                  .intersected(label->rect());
        captions.append({label->text(), letters.translated(label->mapTo(window, QPoint())),
                         label->palette().color(QPalette::WindowText)});
    }
    return captions;
}

QList<Caption> PaintedCaptions()
{
    QList<Caption> captions;
    for (const look::PaintedCaption& caption : look::MainWindowCaptions()) {
        captions.append({QString::fromLatin1(caption.text), look::CaptionTextRect(caption),
                         look::CaptionColour(caption)});
    }
    return captions;
}

// The lowest contrast between the colour and a pixel of the area, and where.
std::pair<double, QPoint> LowestContrast(const QImage& backdrop, const QRect& area, const QColor& colour)
{
    const qreal ratio = backdrop.devicePixelRatio();
    const QRect pixels = QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio)
                             .toAlignedRect()
                             .intersected(backdrop.rect());
    std::pair<double, QPoint> lowest{1e9, QPoint()};
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const double contrast = Contrast(colour, backdrop.pixelColor(x, y));
            if (contrast < lowest.first) {
                lowest = {contrast, QPoint(x, y)};
            }
        }
    }
    return lowest;
}

} // namespace

class LookTest : public QObject {
    Q_OBJECT

private slots:
    void captionsStandOutAtEveryPixelRatio_data();
    void captionsStandOutAtEveryPixelRatio();
    void controlsWithoutCaptionsHaveNames_data();
    void controlsWithoutCaptionsHaveNames();
};

void LookTest::captionsStandOutAtEveryPixelRatio_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("captionCount");
    const struct {
        const char* window;
        int captions;
    } windows[] = {{"frmQuarrimax", 7}, {"frmModifyList", 6}, {"frmAbout", 2},
                   {"frmMerge", 2},     {"frmAutoCheck", 3},  {"frmOpenText", 0}};
    for (const auto& row : windows) {
        for (const qreal ratio : {1.0, 2.0}) {
            QTest::addRow("%s at %g", row.window, ratio) << QString::fromLatin1(row.window) << ratio << row.captions;
        }
    }
}

// Lays the window's pictures, drawn for the pixel ratio, on its background
// colour, leaves out every word, and measures each caption's colour against
// each pixel behind its letters.
void LookTest::captionsStandOutAtEveryPixelRatio()
{
    QFETCH(QString, window);
    QFETCH(qreal, ratio);
    QFETCH(int, captionCount);
    Workspace workspace;
    QWidget* shown = OpenWindow(window, workspace);
    QVERIFY(shown != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(shown));

    QCOMPARE(shown->windowIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32),
             look::ProgramIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32));

    const bool facePainted = window == QLatin1String("frmQuarrimax");
    QImage backdrop(shown->size() * ratio, QImage::Format_RGB32);
    backdrop.setDevicePixelRatio(ratio);
    backdrop.fill(shown->palette().color(QPalette::Window));
    QPainter painter(&backdrop);
    for (const QLabel* label : shown->findChildren<QLabel*>()) {
        QPixmap picture = look::PictureAt(label, ratio);
        if (picture.isNull()) {
            continue;
        }
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QCOMPARE(picture.size(), label->size() * ratio);
        if (facePainted && label->objectName() == QLatin1String("imgBackGround")) {
            // The face without its words.
            picture = look::Picture(QStringLiteral("background"), label->size(), ratio);
        }
        painter.drawPixmap(label->mapTo(shown, QPoint()), picture);
    }
    painter.end();

    QList<Caption> captions = LabelCaptions(shown);
    if (facePainted) {
        captions += PaintedCaptions();
    }
    QCOMPARE(captions.size(), captionCount);
    double lowestOfAll = 1e9;
    for (const Caption& caption : captions) {
        QVERIFY2(shown->rect().contains(caption.area), qPrintable(caption.text));
        const auto [contrast, where] = LowestContrast(backdrop, caption.area.adjusted(-1, -1, 1, 1), caption.colour);
        QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("\"%1\": %2:1 at %3,%4 (%5)")
                                                 .arg(caption.text)
                                                 .arg(contrast, 0, 'f', 2)
                                                 .arg(where.x())
                                                 .arg(where.y())
                                                 .arg(backdrop.pixelColor(where).name())));
        lowestOfAll = std::min(lowestOfAll, contrast);
    }
    if (!captions.isEmpty()) {
        qInfo("lowest caption contrast %.1f:1", lowestOfAll);
    }
    CloseWindow(shown);
}

void LookTest::controlsWithoutCaptionsHaveNames_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    const char* main = "frmQuarrimax";
    QTest::newRow("chkOpen") << main << "chkOpen" << "Open After Dumping";
    QTest::newRow("optQuarrimax") << main << "optQuarrimax" << "Quarrimax";
    QTest::newRow("optNotePad") << main << "optNotePad" << "NotePad";
    QTest::newRow("txtMinHab") << main << "txtMinHab" << "Minimum habitability rate to retrieve";
    QTest::newRow("txtMinMetal") << main << "txtMinMetal" << "Minimum metal rate to retrieve";
    QTest::newRow("cboGalaxies") << main << "cboGalaxies" << "Galaxy to dump";
    QTest::newRow("chkRating") << main << "chkRating" << "Display Murl's Rating ( R=H*5+M)";
    QTest::newRow("cmdBrowse1") << "frmMerge" << "cmdBrowse1" << "Browse for the file to merge in";
    QTest::newRow("cmdBrowse2") << "frmMerge" << "cmdBrowse2" << "Browse for the file to merge from";
}

// What a screen reader says for each control whose own caption does not show:
// the words painted beside it, or what its picture stands for.
void LookTest::controlsWithoutCaptionsHaveNames()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    Workspace workspace;
    QWidget* shown = OpenWindow(window, workspace);
    auto* widget = shown->findChild<QWidget*>(control);
    QVERIFY(widget != nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    CloseWindow(shown);
}

QTEST_MAIN(LookTest)
#include "tst_look.moc"
