// The look of every window: each caption stands out from what lies behind it
// by at least 4.5:1 at 100 % and at 200 %, the pictures are drawn for the pixel
// ratio instead of being stretched, every window carries the program's icon,
// and the controls whose captions do not show (painted ones, picture buttons)
// still tell a screen reader what they are. Every caption fits its box in the
// program's own fonts, and no two captions share pixels.
#include "UiFixture.h"
#include "widgets/Twips.h"
#include "windows/WindowLook.h"
#include "windows/frmAbout.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmMerge.h"
#include "windows/frmModifyList.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>
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

// How a caption is drawn: in this font, lines split by '\n'.
struct Shown {
    QFont font;
    QString text;
};

// The words are painted on the main window's face in Arial 8.25 pt bold,
// each at the left of its area and in the middle of its height.
constexpr int kPaintedFlags = Qt::AlignLeft | Qt::AlignVCenter;

Shown PaintedText(const look::PaintedCaption& caption)
{
    return {look::ArialFont(8.25, true), QString::fromLatin1(caption.text)};
}

// The area of a painted caption, in pixels of the client area.
QRect AreaOf(const look::PaintedCaption& caption)
{
    return twips::Rect(caption.area.x(), caption.area.y(), caption.area.width(), caption.area.height());
}

// Where a painted caption's letters lie, in pixels of the client area.
QRect PaintedLetters(const look::PaintedCaption& caption)
{
    const Shown painted = PaintedText(caption);
    return QFontMetrics(painted.font).boundingRect(AreaOf(caption), kPaintedFlags, painted.text);
}

// The caption of a label or push button; empty for any other control.
QString CaptionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        return button->text();
    }
    return {};
}

// The part of a label or push button that its caption may take, in the
// control's own coordinates: the label's contents after its indent, the
// button's face inside its frame.
QRect RoomOf(const QWidget* control)
{
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    QRect room = control->contentsRect();
    if (const auto* label = qobject_cast<const QLabel*>(control);
        label != nullptr && label->alignment() & Qt::AlignLeft) {
        room.setLeft(room.left() + std::max(label->indent(), 0));
    }
    return room;
}

// Where a label or push button places its caption in that room.
int AlignmentOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return static_cast<int>(label->alignment());
    }
    return Qt::AlignCenter;
}

QWidget* OpenWindow(const QString& name, const Workspace& workspace)
{
    QWidget* window = nullptr;
    if (name == QLatin1String("frmQuarrimax")) {
        window = new frmQuarrimax(Desktop());
        // With the options panel open, so that all of its face shows.
        window->findChild<QPushButton*>(QStringLiteral("cmdOptions"))->click();
    } else if (name == QLatin1String("frmModifyList")) {
        window = new frmModifyList(Desktop());
    } else if (name == QLatin1String("frmAbout")) {
        return frmAbout::Show();
    } else if (name == QLatin1String("frmMerge")) {
        return frmMerge::Show(Desktop());
    } else if (name == QLatin1String("frmAutoCheck")) {
        return frmAutoCheck::Show(Desktop(), {});
    } else if (name == QLatin1String("frmOpenText")) {
        WriteFile(workspace.report(), "1234.C        85           40\r\n");
        return frmOpenText::Show(Desktop());
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
    testsupport::ResetGalaxyState();
}

// Closes the window at the end of a test, also of one that failed.
struct ClosedAtEnd {
    QWidget* window;
    explicit ClosedAtEnd(QWidget* shown) : window(shown) {}
    ClosedAtEnd(const ClosedAtEnd&) = delete;
    ClosedAtEnd& operator=(const ClosedAtEnd&) = delete;
    ~ClosedAtEnd()
    {
        if (window != nullptr) {
            CloseWindow(window);
        }
    }
};

// The words shown by the window's labels, where their letters lie.
QList<Caption> LabelCaptions(QWidget* window)
{
    QList<Caption> captions;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(window)) {
            continue;
        }
        const QRect letters =
            QFontMetrics(label->font())
                .boundingRect(label->contentsRect(), static_cast<int>(label->alignment()), label->text())
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
        captions.append({QString::fromLatin1(caption.text), PaintedLetters(caption), look::CaptionColour(caption)});
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

void SetCaption(QWidget* control, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        button->setText(text);
    }
}

// The labels and push buttons of the window that show a caption.
QList<QWidget*> CaptionControls(QWidget* window)
{
    QList<QWidget*> controls;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if ((qobject_cast<QLabel*>(control) != nullptr || qobject_cast<QPushButton*>(control) != nullptr)
            && !CaptionOf(control).isEmpty() && control->isVisibleTo(window)) {
            controls.append(control);
        }
    }
    return controls;
}

// Values the monitor shows while it runs, at their widest: a delay in whole
// seconds and the size of a galaxy of 32,766 systems.
void ShowMonitorValues(QWidget* window)
{
    if (window->objectName() == QLatin1String("frmAutoCheck")) {
        SetCaption(Find<QLabel>(window, "lblDelay"), QStringLiteral("60 secs"));
        SetCaption(Find<QLabel>(window, "lblSize"), QStringLiteral("16121612"));
    }
}

// The window open on the screen with the widest values it shows, as in
// ShowMonitorValues; nullptr when it does not come up.
QWidget* ShowAtItsWidest(const QString& name, const Workspace& workspace)
{
    QWidget* shown = OpenWindow(name, workspace);
    if (shown != nullptr && !QTest::qWaitForWindowExposed(shown)) {
        CloseWindow(shown);
        return nullptr;
    }
    if (shown != nullptr) {
        ShowMonitorValues(shown);
    }
    return shown;
}

QString WithoutTrailingBlanks(QString line)
{
    while (!line.isEmpty() && line.back().isSpace()) {
        line.chop(1);
    }
    return line;
}

qreal WidestLine(const Shown& shown)
{
    const QFontMetricsF metrics(shown.font);
    qreal widest = 0;
    for (const QString& line : shown.text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(WithoutTrailingBlanks(line)));
    }
    return widest;
}

// How wide the letters of the widest line are, without the room at their sides.
qreal WidestLetters(const Shown& shown)
{
    const QFontMetricsF metrics(shown.font);
    qreal widest = 0;
    for (const QString& line : shown.text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.tightBoundingRect(WithoutTrailingBlanks(line)).width());
    }
    return widest;
}

// The pixels in which two pictures of the same size differ.
QRect Difference(const QImage& a, const QImage& b)
{
    const QImage first = a.convertToFormat(QImage::Format_ARGB32);
    const QImage second = b.convertToFormat(QImage::Format_ARGB32);
    QRect differ;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            if (first.pixel(x, y) != second.pixel(x, y)) {
                differ |= QRect(x, y, 1, 1);
            }
        }
    }
    return differ;
}

// Where the letters of a control's caption lie on screen, in the control: the
// pixels in which it drawn with its caption differs from it drawn without.
QRect InkOf(QWidget* control)
{
    const QString caption = CaptionOf(control);
    const QImage with = control->grab().toImage();
    SetCaption(control, QString());
    const QImage without = control->grab().toImage();
    SetCaption(control, caption);
    return Difference(with, without);
}

// Empty when the letters lie in the room and are as wide as the text in its
// font: what shows is the whole text, and nothing of it is cut off at the
// edge of the box.
QString InkProblem(const QString& name, const QRect& ink, const QRect& room, const Shown& shown)
{
    if (ink.isEmpty()) {
        return QStringLiteral("%1: no letters drawn").arg(name);
    }
    if (!room.adjusted(-1, -1, 1, 1).contains(ink)) {
        return QStringLiteral("%1: letters at %2,%3 %4x%5 outside the room %6,%7 %8x%9")
            .arg(name)
            .arg(ink.x())
            .arg(ink.y())
            .arg(ink.width())
            .arg(ink.height())
            .arg(room.x())
            .arg(room.y())
            .arg(room.width())
            .arg(room.height());
    }
    if (std::abs(ink.width() - WidestLetters(shown)) > 2) {
        return QStringLiteral("%1: letters %2 pixels wide where \"%3\" takes %4")
            .arg(name)
            .arg(ink.width())
            .arg(shown.text)
            .arg(WidestLetters(shown));
    }
    return {};
}

const look::PaintedCaption* PaintedFor(const QString& control)
{
    for (const look::PaintedCaption& caption : look::MainWindowCaptions()) {
        if (control == QLatin1String(caption.control)) {
            return &caption;
        }
    }
    return nullptr;
}

// Where a painted caption's letters lie in the client area of the main window.
QRect PaintedInk(const look::PaintedCaption& caption, QWidget* window)
{
    const QWidget* face = window->findChild<QWidget*>(QStringLiteral("imgBackGround"));
    const QImage with = look::MainWindowFace(face->size(), face->pos(), 1.0).toImage();
    const QImage without = look::Picture(QStringLiteral("background"), face->size(), 1.0).toImage();
    const QRect area = AreaOf(caption);
    const QRect inFace = area.translated(-face->pos());
    return Difference(with.copy(inFace), without.copy(inFace)).translated(area.topLeft());
}

// Where a control's caption lies in the window, as its font measures it.
QRect LettersOf(QWidget* control, QWidget* window)
{
    QStringList lines = CaptionOf(control).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line = WithoutTrailingBlanks(line);
    }
    return QFontMetrics(control->font())
        .boundingRect(RoomOf(control), AlignmentOf(control), lines.join(QLatin1Char('\n')))
        .translated(control->mapTo(window, QPoint()));
}

} // namespace

class LookTest : public QObject {
    Q_OBJECT

private slots:
    void captionsStandOutAtEveryPixelRatio_data();
    void captionsStandOutAtEveryPixelRatio();
    void controlsWithoutCaptionsHaveNames_data();
    void controlsWithoutCaptionsHaveNames();
    void captionsFitInTheProgramFonts_data();
    void captionsFitInTheProgramFonts();
    void captionsDoNotOverlap_data();
    void captionsDoNotOverlap();
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
        for (const qreal ratio : {1.0, 1.1, 1.25, 2.0}) {
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
    // The labels draw their pictures for the pixel ratio of the screen they
    // are on: a case of another ratio runs again in a program of its own,
    // whose screen is scaled to it.
    const QString scale = QString::number(ratio);
    if (qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")) != scale) {
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        run.setProcessEnvironment(environment);
        // Its results go to a file: under Wine a program's standard output is lost.
        const QTemporaryDir results;
        const QString log = results.filePath(QStringLiteral("results.txt"));
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("captionsStandOutAtEveryPixelRatio:") + QString::fromLatin1(QTest::currentDataTag()),
                   QStringLiteral("-o"), log + QStringLiteral(",txt")});
        QVERIFY(run.waitForFinished(120000));
        QFile written(log);
        const QByteArray said = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray("(no results)");
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, said.constData());
        QVERIFY2(said.contains("PASS   : LookTest::captionsStandOutAtEveryPixelRatio("), said.constData());
        return;
    }
    Workspace workspace;
    QWidget* shown = OpenWindow(window, workspace);
    QVERIFY(shown != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    // The screen keeps its ratio in single precision.
    QVERIFY2(std::abs(shown->devicePixelRatioF() - ratio) < 1e-4,
             qPrintable(QString::number(shown->devicePixelRatioF())));
    ratio = shown->devicePixelRatioF();

    QCOMPARE(shown->windowIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32),
             look::ProgramIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32));

    const bool facePainted = window == QLatin1String("frmQuarrimax");
    QImage backdrop(shown->size() * ratio, QImage::Format_RGB32);
    backdrop.setDevicePixelRatio(ratio);
    backdrop.fill(shown->palette().color(QPalette::Window));
    QPainter painter(&backdrop);
    for (const QLabel* label : shown->findChildren<QLabel*>()) {
        QPixmap picture = label->pixmap();
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
    QTest::newRow("chkOpen") << main << "chkOpen"
                             << "Open After Dumping";
    QTest::newRow("optQuarrimax") << main << "optQuarrimax"
                                  << "Quarrimax";
    QTest::newRow("optNotePad") << main << "optNotePad"
                                << "NotePad";
    QTest::newRow("txtMinHab") << main << "txtMinHab"
                               << "Minimum habitability rate to retrieve";
    QTest::newRow("txtMinMetal") << main << "txtMinMetal"
                                 << "Minimum metal rate to retrieve";
    QTest::newRow("cboGalaxies") << main << "cboGalaxies"
                                 << "Galaxy to dump";
    QTest::newRow("chkRating") << main << "chkRating"
                               << "Display Murl's Rating ( R=H*5+M)";
    QTest::newRow("cmdBrowse1") << "frmMerge"
                                << "cmdBrowse1"
                                << "Browse for the file to merge in";
    QTest::newRow("cmdBrowse2") << "frmMerge"
                                << "cmdBrowse2"
                                << "Browse for the file to merge from";
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

void LookTest::captionsFitInTheProgramFonts_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text"); // shown before measuring; empty keeps the caption as made
    QTest::addColumn<QRect>("box");    // twips; none for the words painted on the main window's face
    const auto row = [](const char* window, const char* control, QRect box, const char* text = "") {
        QTest::addRow("%s %s%s%s", window, control, *text != '\0' ? " " : "", text)
            << QString::fromLatin1(window) << QString::fromLatin1(control) << QString::fromLatin1(text) << box;
    };
    const char* main = "frmQuarrimax";
    row(main, "cmdRetrive", QRect(2400, 240, 1335, 375));
    row(main, "cmdMerge", QRect(2400, 720, 1335, 375));
    row(main, "cmdOptions", QRect(2400, 1200, 1335, 375));
    row(main, "cmdModifyList", QRect(2640, 3120, 1095, 315));
    for (const look::PaintedCaption& caption : look::MainWindowCaptions()) {
        row(main, caption.control, QRect());
    }
    const char* editor = "frmModifyList";
    row(editor, "lblGalaxyName", QRect(1320, 240, 1575, 255));
    row(editor, "lblGalaxyFile", QRect(3480, 240, 1095, 255));
    row(editor, "lblGalaxy1", QRect(120, 600, 1095, 255));
    row(editor, "lblGalaxy2", QRect(120, 1080, 855, 255));
    row(editor, "lblGalaxy3", QRect(120, 1560, 855, 255));
    row(editor, "lblGalaxy4", QRect(120, 2040, 855, 255));
    row(editor, "cmdExit", QRect(2280, 2640, 1095, 375));
    row(editor, "cmdSave", QRect(3480, 2640, 1095, 375));
    row("frmAbout", "lblTools", QRect(90, 120, 5055, 375));
    row("frmAbout", "lblVersion", QRect(90, 2880, 5055, 375));
    row("frmMerge", "lblFile1", QRect(240, 120, 2775, 255));
    row("frmMerge", "lblFile2", QRect(240, 1320, 3615, 255));
    row("frmMerge", "cmdClose", QRect(240, 2520, 1335, 375));
    row("frmMerge", "cmdStart", QRect(2760, 2520, 1335, 375));
    const char* monitor = "frmAutoCheck";
    row(monitor, "lblAutoCheck", QRect(240, 120, 2415, 255));
    row(monitor, "lbltxtDelay", QRect(3360, 120, 615, 255));
    row(monitor, "lblDelay", QRect(3840, 120, 840, 255), "1.5 secs");
    row(monitor, "lblDelay", QRect(3840, 120, 840, 255), "60 secs");
    row(monitor, "lblFileSize", QRect(120, 1200, 735, 255));
    row(monitor, "lblSize", QRect(840, 1200, 735, 255), "16121612");
    row(monitor, "cmdStartStop", QRect(1680, 1080, 1455, 375), "Start");
    row(monitor, "cmdStartStop", QRect(1680, 1080, 1455, 375), "Stop");
}

// In the fonts the program asks for, which must be the ones it gets, every
// caption shows whole in its box of the layout, at its own size.
void LookTest::captionsFitInTheProgramFonts()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(QRect, box);
    Workspace workspace;
    QWidget* shown = OpenWindow(window, workspace);
    const ClosedAtEnd closed{shown};
    QVERIFY(shown != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QString family = uitest::FirstInstalled(look::SansFamilies());

    if (box.isNull()) {
        const look::PaintedCaption* caption = PaintedFor(control);
        QVERIFY(caption != nullptr);
        const Shown painted = PaintedText(*caption);
        QCOMPARE(QFontInfo(painted.font).family(), family);
        const QRect area = AreaOf(*caption);
        QVERIFY2(WidestLine(painted) <= area.width(), qPrintable(QStringLiteral("\"%1\" is %2 pixels wide, its area %3")
                                                                     .arg(painted.text)
                                                                     .arg(WidestLine(painted))
                                                                     .arg(area.width())));
        const QString problem = InkProblem(control, PaintedInk(*caption, shown), area, painted);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        return;
    }

    auto* widget = shown->findChild<QWidget*>(control);
    QVERIFY(widget != nullptr);
    if (!text.isEmpty()) {
        SetCaption(widget, text);
    }
    QCOMPARE(widget->geometry(), twips::Rect(box.x(), box.y(), box.width(), box.height()));
    QVERIFY2(QFontInfo(widget->font()).family() == family,
             qPrintable(QStringLiteral("%1 is drawn in %2, not %3: scripts/deps.sh installs it")
                            .arg(control, QFontInfo(widget->font()).family(), family)));
    const Shown own{widget->font(), CaptionOf(widget)};
    const QRect room = RoomOf(widget);
    QVERIFY2(WidestLine(own) <= room.width(), qPrintable(QStringLiteral("\"%1\" is %2 pixels wide, its box %3")
                                                             .arg(own.text)
                                                             .arg(WidestLine(own))
                                                             .arg(room.width())));
    const QString problem = InkProblem(control, InkOf(widget), room, own);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void LookTest::captionsDoNotOverlap_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("captionCount");
    const struct {
        const char* window;
        int captions;
    } windows[] = {{"frmQuarrimax", 11}, {"frmModifyList", 8}, {"frmAbout", 2}, {"frmMerge", 4}, {"frmAutoCheck", 6}};
    for (const auto& row : windows) {
        QTest::addRow("%s", row.window) << QString::fromLatin1(row.window) << row.captions;
    }
}

// In the program's fonts the letters of every caption lie inside the window,
// at least a pixel apart from those of every other caption, and off every
// other control.
void LookTest::captionsDoNotOverlap()
{
    QFETCH(QString, window);
    QFETCH(int, captionCount);
    Workspace workspace;
    QWidget* shown = ShowAtItsWidest(window, workspace);
    const ClosedAtEnd closed{shown};
    QVERIFY(shown != nullptr);

    struct Letters {
        QString name;
        QRect area;
        const QWidget* owner;
    };
    QList<Letters> letters;
    for (QWidget* control : CaptionControls(shown)) {
        letters.append({control->objectName(), LettersOf(control, shown), control});
    }
    if (window == QLatin1String("frmQuarrimax")) {
        for (const look::PaintedCaption& caption : look::MainWindowCaptions()) {
            letters.append({QString::fromLatin1(caption.text), PaintedLetters(caption), nullptr});
        }
    }
    QCOMPARE(letters.size(), captionCount);
    QList<const QWidget*> controls;
    for (QWidget* control : shown->findChildren<QWidget*>()) {
        if ((qobject_cast<QLineEdit*>(control) != nullptr || qobject_cast<QComboBox*>(control) != nullptr
             || qobject_cast<QAbstractButton*>(control) != nullptr)
            && control->isVisibleTo(shown)) {
            controls.append(control);
        }
    }
    for (qsizetype i = 0; i < letters.size(); ++i) {
        const Letters& one = letters[i];
        QVERIFY2(shown->rect().contains(one.area), qPrintable(one.name));
        for (qsizetype j = i + 1; j < letters.size(); ++j) {
            QVERIFY2(!one.area.adjusted(-1, 0, 1, 0).intersects(letters[j].area),
                     qPrintable(QStringLiteral("%1 and %2").arg(one.name, letters[j].name)));
        }
        for (const QWidget* control : controls) {
            if (control != one.owner) {
                QVERIFY2(!one.area.intersects(QRect(control->mapTo(shown, QPoint()), control->size())),
                         qPrintable(QStringLiteral("%1 on %2").arg(one.name, control->objectName())));
            }
        }
    }
}

QTEST_MAIN(LookTest)
#include "tst_look.moc"
