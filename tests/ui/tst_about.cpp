// The About window: its lines, its look, and any click closing it.
#include "UiFixture.h"
#include "widgets/Twips.h"
#include "windows/WindowLook.h"
#include "windows/frmAbout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTest>

using namespace uitest;

namespace {

void DeleteClosed()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void showsTheCreditsAndTheVersion();
    void looksAsLaidOut();
    void anyClickCloses_data();
    void anyClickCloses();
    void theOutlineTakesNoClicks();
    void opensOnce();
};

void AboutTest::cleanup()
{
    if (QWidget* about = TopLevel("frmAbout")) {
        about->close();
    }
    DeleteClosed();
}

void AboutTest::showsTheCreditsAndTheVersion()
{
    frmAbout* about = frmAbout::Show();
    QCOMPARE(Find<QLabel>(about, "lblTools")->text(), QStringLiteral("The TARN's  Tools"));
    QCOMPARE(Find<QLabel>(about, "lblVersion")->text(), QStringLiteral("Quarrimax 2.35 FINAL by Marrowen"));
    QVERIFY(about->windowTitle().isEmpty() || about->windowFlags().testFlag(Qt::FramelessWindowHint));
}

void AboutTest::looksAsLaidOut()
{
    frmAbout* about = frmAbout::Show();
    QVERIFY(about->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(about->size(), twips::Size(5250, 3465));
    QCOMPARE(about->palette().color(QPalette::Window), QColor(Qt::black));
    auto* tools = Find<QLabel>(about, "lblTools");
    auto* version = Find<QLabel>(about, "lblVersion");
    QCOMPARE(tools->geometry(), twips::Rect(90, 120, 5055, 375));
    QCOMPARE(version->geometry(), twips::Rect(90, 2880, 5055, 375));
    QCOMPARE(Find<QLabel>(about, "imgTarnLogo")->geometry(), twips::Rect(1425, 600, 2385, 2265));
    QVERIFY(!Find<QLabel>(about, "imgTarnLogo")->pixmap().isNull());
    for (QLabel* line : {tools, version}) {
        // Arial, or the font of its metrics that stands in for it here.
        QCOMPARE(QFontInfo(line->font()).family(), uitest::FirstInstalled(look::SansFamilies()));
        QVERIFY(line->font().bold());
        QCOMPARE(line->palette().color(QPalette::WindowText), QColor(224, 224, 224));
        QVERIFY(line->alignment().testFlag(Qt::AlignHCenter));
        // The whole line fits its box.
        QVERIFY(QFontMetrics(line->font()).horizontalAdvance(line->text()) <= line->contentsRect().width());
    }
    QCOMPARE(tools->font().pointSizeF(), 20.25);
    QCOMPARE(version->font().pointSizeF(), 14.25);
    // The grey outline just inside the edge.
    const QImage face = about->grab().toImage().scaled(about->size());
    QCOMPARE(face.pixelColor(1, about->height() / 2), QColor(192, 192, 192));
    QCOMPARE(face.pixelColor(about->width() / 2, 1), QColor(192, 192, 192));
    QCOMPARE(face.pixelColor(5, about->height() / 2), QColor(Qt::black));
}

void AboutTest::anyClickCloses_data()
{
    QTest::addColumn<QString>("target"); // empty: the black background
    QTest::addColumn<int>("button");
    QTest::newRow("logo") << "imgTarnLogo" << int(Qt::LeftButton);
    QTest::newRow("credits line") << "lblTools" << int(Qt::LeftButton);
    QTest::newRow("version line") << "lblVersion" << int(Qt::LeftButton);
    QTest::newRow("background") << "" << int(Qt::LeftButton);
    QTest::newRow("background, right button") << "" << int(Qt::RightButton);
    QTest::newRow("logo, right button") << "imgTarnLogo" << int(Qt::RightButton);
}

void AboutTest::anyClickCloses()
{
    QFETCH(QString, target);
    QFETCH(int, button);
    QPointer<frmAbout> about = frmAbout::Show();
    QWidget* clicked = target.isEmpty() ? about.data() : about->findChild<QWidget*>(target);
    QVERIFY(clicked != nullptr);
    const QPoint where = target.isEmpty() ? QPoint(10, about->height() / 2) : clicked->rect().center();
    QVERIFY(about->isVisible());
    QTest::mouseClick(clicked, static_cast<Qt::MouseButton>(button), {}, where);
    QVERIFY(!about->isVisible());
    DeleteClosed();
    QVERIFY(!about);
}

void AboutTest::theOutlineTakesNoClicks()
{
    QPointer<frmAbout> about = frmAbout::Show();
    auto* outline = Find<QFrame>(about, "shpBorder");
    QCOMPARE(outline->geometry(), twips::Rect(15, 15, 5235, 3450));
    QVERIFY(outline->testAttribute(Qt::WA_TransparentForMouseEvents));
    // A click through the outline lands on what lies below it.
    QCOMPARE(about->childAt(QPoint(10, about->height() / 2)), nullptr);
    QCOMPARE(about->childAt(Find<QLabel>(about, "imgTarnLogo")->geometry().center()),
             Find<QLabel>(about, "imgTarnLogo"));
}

void AboutTest::opensOnce()
{
    QPointer<frmAbout> first = frmAbout::Show();
    QPointer<frmAbout> second = frmAbout::Show();
    QCOMPARE(first.data(), second.data());
    first->close();
    DeleteClosed();
    QVERIFY(!first);
    QPointer<frmAbout> third = frmAbout::Show();
    QVERIFY(third);
    QVERIFY(third->isVisible());
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
