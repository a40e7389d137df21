// The main window as a player meets it: startup with and without remembered
// options, the options panel, the painted words and their click targets, the
// pop-up menu, the threshold boxes and the galaxy selector.
#include "MainWindowDriver.h"
#include "ShownText.h"
#include "UiFixture.h"
#include "support/MessageTexts.h"
#include "widgets/Twips.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>

using namespace uitest;
using platform::MessageIcon;
using testsupport::kMissingTitle;
using testsupport::MissingText;

namespace {

void OpenPanel(frmQuarrimax* window)
{
    QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
}

QLineEdit* Box(frmQuarrimax* window, const QByteArray& name)
{
    return Find<QLineEdit>(window, name.constData());
}

// True when some pixel of the area has the colour of the painted words.
bool ShowsCaption(const QImage& face, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = face.pixelColor(x, y);
            if (c.red() > 180 && c.green() > 160 && c.blue() < 140) {
                return true;
            }
            if (c.red() > 180 && c.green() > 180 && c.blue() > 180) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunWithAnEmptyStore();
    void titleCarriesTheVersion();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void tabOrderFollowsTheLayout();
    void optionsRestoredAsStored_data();
    void optionsRestoredAsStored();
    void optionsButtonTogglesThePanel();
    void menuOptionsTogglesThePanel();
    void openAfterDumpingEnablesTheViewerChoice();
    void wordsBesideOpenAfterDumpingToggleIt();
    void wordsBesideTheViewersSelectThemEvenWhenDisabled();
    void paintedWordsAreVisible_data();
    void paintedWordsAreVisible();
    void rightClickOnTheBackgroundPopsUpTheMenu();
    void otherClicksOnTheBackgroundDoNothing();
    void thresholdKeyFilter_data();
    void thresholdKeyFilter();
    void thresholdFocusSelectsTheText();
    void thresholdClickSelectsTheText_data();
    void thresholdClickSelectsTheText();
    void restoredThresholdShowsFromItsStart_data();
    void restoredThresholdShowsFromItsStart();
    void emptiedThresholdBecomesZeroWhenLeft();
    void startupSelectsTheFirstGalaxy();
    void startupSaysWhenTheFirstGalaxysFileIsMissing();
    void emptyGalaxyListSelectsNothing();
    void loadingTheGalaxyListLeavesTheSelectionAlone();
    void selectingAGalaxyWithoutFileName();
    void selectorItemsStandForTheEntriesTheyShow();
    void closingTheMainWindowClosesTheGalaxyFileOnly();
    void aboutOpensOnceFromTheMenu();
    void windowOpenedAgainComesForward_data();
    void windowOpenedAgainComesForward();
};

void MainWindowTest::firstRunWithAnEmptyStore()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(Box(window, "txtMinHab")->text(), QString());
    QCOMPARE(Box(window, "txtMinMetal")->text(), QString());
    QVERIFY(!Box(window, "txtMinHab")->isEnabled());
    QVERIFY(!Box(window, "txtMinMetal")->isEnabled());
    QVERIFY(!Find<QCheckBox>(window, "chkRating")->isChecked());
    QVERIFY(!Find<QCheckBox>(window, "chkRating")->isEnabled());
    QVERIFY(!Find<QCheckBox>(window, "chkOpen")->isChecked());
    QVERIFY(Find<QRadioButton>(window, "optQuarrimax")->isChecked());
    QVERIFY(!Find<QRadioButton>(window, "optNotePad")->isChecked());
    QVERIFY(!Find<QRadioButton>(window, "optQuarrimax")->isEnabled());
    QVERIFY(!Find<QRadioButton>(window, "optNotePad")->isEnabled());
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 0);
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentIndex(), -1);
    QVERIFY(Find<QComboBox>(window, "cboGalaxies")->isEnabled());
    QVERIFY(Find<QPushButton>(window, "cmdModifyList")->isEnabled());
    QVERIFY(!Find<QPushButton>(window, "cmdAutoCheck")->isVisible());
    QVERIFY(!Find<QPushButton>(window, "cmdAutoCheck")->isEnabled());
    QCOMPARE(window->height(), twips::Px(1680));
    QCOMPARE(window->width(), twips::Px(3870));
    QVERIFY(window->findChildren<QMenuBar*>().isEmpty());
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(Declare::pstrCurrentGalaxyFile.isEmpty());
    QVERIFY(!Declare::openGalaxyFile.isOpen());
    // Starting writes nothing: the store stays empty.
    QVERIFY(!QFileInfo::exists(workspace.storeFile()));
    // Fixed size, a minimize button and no maximize button.
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    Stop(window);
}

void MainWindowTest::titleCarriesTheVersion()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(window->windowTitle(), QStringLiteral("Quarrimax 2.35 by Marrowen"));
    Stop(window);
}

void MainWindowTest::controlsSitWhereTheLayoutPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("area"); // twips: left, top, width, height
    QTest::newRow("cmdRetrive") << "cmdRetrive" << QRect(2400, 240, 1335, 375);
    QTest::newRow("cmdMerge") << "cmdMerge" << QRect(2400, 720, 1335, 375);
    QTest::newRow("cmdOptions") << "cmdOptions" << QRect(2400, 1200, 1335, 375);
    QTest::newRow("chkOpen") << "chkOpen" << QRect(240, 240, 195, 195);
    QTest::newRow("txtMinHab") << "txtMinHab" << QRect(3120, 1920, 495, 285);
    QTest::newRow("chkRating") << "chkRating" << QRect(240, 3600, 195, 195);
    QTest::newRow("txtMinMetal") << "txtMinMetal" << QRect(3120, 2400, 495, 285);
    QTest::newRow("cboGalaxies") << "cboGalaxies" << QRect(240, 3120, 2295, 315);
    QTest::newRow("cmdModifyList") << "cmdModifyList" << QRect(2640, 3120, 1095, 315);
    QTest::newRow("cmdAutoCheck") << "cmdAutoCheck" << QRect(1800, 4320, 1335, 375);
    QTest::newRow("optQuarrimax") << "optQuarrimax" << QRect(360, 720, 195, 195);
    QTest::newRow("optNotePad") << "optNotePad" << QRect(360, 1080, 195, 195);
    QTest::newRow("lblOpenAfter") << "lblOpenAfter" << QRect(480, 240, 1695, 255);
    QTest::newRow("lblQuarrimax") << "lblQuarrimax" << QRect(600, 720, 975, 255);
    QTest::newRow("lblNotePad") << "lblNotePad" << QRect(600, 1080, 735, 255);
    QTest::newRow("imgBackGround") << "imgBackGround" << QRect(-45, -330, 3960, 4365);
}

void MainWindowTest::controlsSitWhereTheLayoutPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QRect, area);
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* control = window->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), twips::Rect(area.x(), area.y(), area.width(), area.height()));
    Stop(window);
}

void MainWindowTest::tabOrderFollowsTheLayout()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    const QStringList expected{"cmdRetrive",    "cmdMerge",     "cmdOptions",   "chkOpen",
                               "txtMinHab",     "chkRating",    "txtMinMetal",  "cboGalaxies",
                               "cmdModifyList", "cmdAutoCheck", "optQuarrimax", "optNotePad"};
    QStringList order;
    QWidget* widget = Find<QWidget>(window, "cmdRetrive");
    do {
        if (expected.contains(widget->objectName())) {
            order.append(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != Find<QWidget>(window, "cmdRetrive"));
    QCOMPARE(order, expected);
    for (const char* passive : {"lblOpenAfter", "lblQuarrimax", "lblNotePad", "imgBackGround", "Line1"}) {
        QCOMPARE(Find<QWidget>(window, passive)->focusPolicy(), Qt::NoFocus);
    }
    Stop(window);
}

void MainWindowTest::optionsRestoredAsStored_data()
{
    QTest::addColumn<QString>("hab");
    QTest::addColumn<QString>("met");
    QTest::addColumn<QString>("rating");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("notePad");
    QTest::addColumn<bool>("ratingTicked");
    QTest::addColumn<bool>("openTicked");
    QTest::addColumn<bool>("notePadChosen");
    QTest::newRow("as a dump stores them") << "45"
                                           << "07"
                                           << "1"
                                           << "1"
                                           << "False"
                                           << "True" << true << true << true;
    QTest::newRow("built-in viewer") << "3"
                                     << ""
                                     << "0"
                                     << "1"
                                     << "True"
                                     << "False" << false << true << false;
    QTest::newRow("both viewers stored false") << ""
                                               << ""
                                               << "0"
                                               << "0"
                                               << "False"
                                               << "False" << false << false << false;
    QTest::newRow("both viewers stored true") << "1"
                                              << "2"
                                              << "1"
                                              << "0"
                                              << "True"
                                              << "True" << true << false << true;
    QTest::newRow("hand-edited state 2 stays clear") << "1"
                                                     << "2"
                                                     << "2"
                                                     << "2"
                                                     << "true"
                                                     << "" << false << false << false;
}

void MainWindowTest::optionsRestoredAsStored()
{
    QFETCH(QString, hab);
    QFETCH(QString, met);
    QFETCH(QString, rating);
    QFETCH(QString, open);
    QFETCH(QString, reader);
    QFETCH(QString, notePad);
    QFETCH(bool, ratingTicked);
    QFETCH(bool, openTicked);
    QFETCH(bool, notePadChosen);
    Workspace workspace;
    const QString options = QStringLiteral("Options");
    StoreRaw(options, QStringLiteral("Hab"), hab);
    StoreRaw(options, QStringLiteral("Met"), met);
    StoreRaw(options, QStringLiteral("Rating"), rating);
    StoreRaw(options, QStringLiteral("Open"), open);
    StoreRaw(options, QStringLiteral("Reader"), reader);
    StoreRaw(options, QStringLiteral("NotePad"), notePad);
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(Box(window, "txtMinHab")->text(), hab);
    QCOMPARE(Box(window, "txtMinMetal")->text(), met);
    QCOMPARE(Find<QCheckBox>(window, "chkRating")->isChecked(), ratingTicked);
    QCOMPARE(Find<QCheckBox>(window, "chkOpen")->isChecked(), openTicked);
    QCOMPARE(Find<QRadioButton>(window, "optNotePad")->isChecked(), notePadChosen);
    QCOMPARE(Find<QRadioButton>(window, "optQuarrimax")->isChecked(), !notePadChosen);
    // A ticked "Open After Dumping" enables the choice of viewer at once.
    QCOMPARE(Find<QRadioButton>(window, "optQuarrimax")->isEnabled(), openTicked);
    QCOMPARE(Find<QRadioButton>(window, "optNotePad")->isEnabled(), openTicked);
    Stop(window);
}

void MainWindowTest::optionsButtonTogglesThePanel()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* options = Find<QPushButton>(window, "cmdOptions");
    QTest::mouseClick(options, Qt::LeftButton);
    QCOMPARE(window->height(), twips::Px(4365 - 375));
    QCOMPARE(window->width(), twips::Px(3870));
    QVERIFY(Box(window, "txtMinHab")->isEnabled());
    QVERIFY(Box(window, "txtMinMetal")->isEnabled());
    QVERIFY(Find<QCheckBox>(window, "chkRating")->isEnabled());
    QCOMPARE(options->text(), QStringLiteral("Options >>"));
    QTest::mouseClick(options, Qt::LeftButton);
    QCOMPARE(window->height(), twips::Px(1680));
    QVERIFY(!Box(window, "txtMinHab")->isEnabled());
    QVERIFY(!Box(window, "txtMinMetal")->isEnabled());
    QVERIFY(!Find<QCheckBox>(window, "chkRating")->isEnabled());
    QCOMPARE(options->text(), QStringLiteral("Options >>"));
    // Nothing else changes its state with the panel.
    QVERIFY(Find<QComboBox>(window, "cboGalaxies")->isEnabled());
    QVERIFY(Find<QPushButton>(window, "cmdModifyList")->isEnabled());
    QVERIFY(!Find<QPushButton>(window, "cmdAutoCheck")->isVisible());
    QVERIFY(!Find<QRadioButton>(window, "optNotePad")->isEnabled());
    QCOMPARE(window->minimumSize(), window->maximumSize());
    Stop(window);
}

void MainWindowTest::menuOptionsTogglesThePanel()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* item = Find<QAction>(window, "mnuOptions");
    QCOMPARE(item->text(), QStringLiteral("Options >>"));
    item->trigger();
    QCOMPARE(window->height(), twips::Px(3990));
    QVERIFY(Box(window, "txtMinHab")->isEnabled());
    // The button and the menu item work on the same panel.
    QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    QCOMPARE(window->height(), twips::Px(1680));
    QVERIFY(!Box(window, "txtMinHab")->isEnabled());
    Stop(window);
}

void MainWindowTest::openAfterDumpingEnablesTheViewerChoice()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* open = Find<QCheckBox>(window, "chkOpen");
    auto* notePad = Find<QRadioButton>(window, "optNotePad");
    QTest::mouseClick(open, Qt::LeftButton);
    QVERIFY(open->isChecked());
    QVERIFY(Find<QRadioButton>(window, "optQuarrimax")->isEnabled());
    QVERIFY(notePad->isEnabled());
    QTest::mouseClick(notePad, Qt::LeftButton);
    QVERIFY(notePad->isChecked());
    QVERIFY(!Find<QRadioButton>(window, "optQuarrimax")->isChecked());
    QTest::mouseClick(open, Qt::LeftButton);
    QVERIFY(!open->isChecked());
    QVERIFY(!notePad->isEnabled());
    QVERIFY(!Find<QRadioButton>(window, "optQuarrimax")->isEnabled());
    // The choice itself stays as it was.
    QVERIFY(notePad->isChecked());
    Stop(window);
}

void MainWindowTest::wordsBesideOpenAfterDumpingToggleIt()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* words = Find<QLabel>(window, "lblOpenAfter");
    auto* open = Find<QCheckBox>(window, "chkOpen");
    QVERIFY(words->text().isEmpty());
    QTest::mouseClick(words, Qt::LeftButton);
    QVERIFY(open->isChecked());
    QVERIFY(Find<QRadioButton>(window, "optQuarrimax")->isEnabled());
    QVERIFY(Find<QRadioButton>(window, "optNotePad")->isEnabled());
    QTest::mouseClick(words, Qt::LeftButton);
    QVERIFY(!open->isChecked());
    QVERIFY(!Find<QRadioButton>(window, "optNotePad")->isEnabled());
    Stop(window);
}

void MainWindowTest::wordsBesideTheViewersSelectThemEvenWhenDisabled()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* quarrimax = Find<QRadioButton>(window, "optQuarrimax");
    auto* notePad = Find<QRadioButton>(window, "optNotePad");
    QVERIFY(!notePad->isEnabled());
    QTest::mouseClick(Find<QLabel>(window, "lblNotePad"), Qt::LeftButton);
    QVERIFY(notePad->isChecked());
    QVERIFY(!quarrimax->isChecked());
    QVERIFY(!notePad->isEnabled());
    QTest::mouseClick(Find<QLabel>(window, "lblQuarrimax"), Qt::LeftButton);
    QVERIFY(quarrimax->isChecked());
    QVERIFY(!notePad->isChecked());
    QVERIFY(!Find<QCheckBox>(window, "chkOpen")->isChecked());
    Stop(window);
}

void MainWindowTest::paintedWordsAreVisible_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("Open After Dumping") << "lblOpenAfter";
    QTest::newRow("Quarrimax") << "lblQuarrimax";
    QTest::newRow("NotePad") << "lblNotePad";
}

// The words under each click target are drawn on the window's face.
void MainWindowTest::paintedWordsAreVisible()
{
    QFETCH(QString, target);
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    const QImage face = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage scaled = face.scaled(window->size());
    QVERIFY(ShowsCaption(scaled, window->findChild<QWidget*>(target)->geometry()));
    // The sky between the viewer choice and the line has no words.
    QVERIFY(!ShowsCaption(scaled, twips::Rect(240, 1350, 1800, 150)));
    Stop(window);
}

void MainWindowTest::rightClickOnTheBackgroundPopsUpTheMenu()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* menu = Find<QMenu>(window, "mnuMenu");
    QVERIFY(!menu->isVisible());
    QTest::mouseClick(Find<QLabel>(window, "imgBackGround"), Qt::RightButton, {}, QPoint(40, 120));
    QVERIFY(menu->isVisible());
    QStringList items;
    for (QAction* action : menu->actions()) {
        items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(items, (QStringList{"Dump to file", "Merge", "Options >>", "-", "About"}));
    menu->hide();
    Stop(window);
}

void MainWindowTest::otherClicksOnTheBackgroundDoNothing()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    auto* menu = Find<QMenu>(window, "mnuMenu");
    QTest::mouseClick(Find<QLabel>(window, "imgBackGround"), Qt::LeftButton, {}, QPoint(40, 120));
    QTest::mouseClick(Find<QLabel>(window, "imgBackGround"), Qt::MiddleButton, {}, QPoint(40, 120));
    QVERIFY(!menu->isVisible());
    // A right-click on a click target is no click on the background.
    QTest::mouseClick(Find<QLabel>(window, "lblNotePad"), Qt::RightButton);
    QVERIFY(!menu->isVisible());
    QVERIFY(!Find<QRadioButton>(window, "optNotePad")->isChecked());
    Stop(window);
}

void MainWindowTest::thresholdKeyFilter_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("typed"); // what the keyboard delivers with the key
    QTest::addColumn<QString>("after");
    const int none = Qt::NoModifier;
    const int ctrl = Qt::ControlModifier;
    for (const QByteArray& box : {QByteArray("txtMinHab"), QByteArray("txtMinMetal")}) {
        const QByteArray tag = box + ": ";
        QTest::newRow(tag + "digit") << box << "" << int(Qt::Key_7) << none << "7"
                                     << "7";
        QTest::newRow(tag + "second digit") << box << "4" << int(Qt::Key_0) << none << "0"
                                            << "40";
        QTest::newRow(tag + "third digit refused") << box << "45" << int(Qt::Key_6) << none << "6"
                                                   << "45";
        QTest::newRow(tag + "minus") << box << "4" << int(Qt::Key_Minus) << none << "-"
                                     << "4";
        QTest::newRow(tag + "period") << box << "4" << int(Qt::Key_Period) << none << "."
                                      << "4";
        QTest::newRow(tag + "comma") << box << "4" << int(Qt::Key_Comma) << none << ","
                                     << "4";
        QTest::newRow(tag + "letter") << box << "4" << int(Qt::Key_A) << none << "a"
                                      << "4";
        QTest::newRow(tag + "blank") << box << "4" << int(Qt::Key_Space) << none << " "
                                     << "4";
        QTest::newRow(tag + "Enter") << box << "4" << int(Qt::Key_Return) << none << "\r"
                                     << "4";
        QTest::newRow(tag + "Backspace") << box << "45" << int(Qt::Key_Backspace) << none << "\b"
                                         << "4";
        QTest::newRow(tag + "Delete edits") << box << "45" << int(Qt::Key_Delete) << none << "\x7f"
                                            << "5";
        QTest::newRow(tag + "Ctrl+X does nothing") << box << "45" << int(Qt::Key_X) << ctrl << "\x18"
                                                   << "45";
        QTest::newRow(tag + "Ctrl+V does nothing") << box << "" << int(Qt::Key_V) << ctrl << "\x16"
                                                   << "";
        QTest::newRow(tag + "Ctrl+Z does nothing") << box << "4" << int(Qt::Key_Z) << ctrl << "\x1a"
                                                   << "4";
        QTest::newRow(tag + "Ctrl+A does nothing") << box << "45" << int(Qt::Key_A) << ctrl << "\x01"
                                                   << "45";
    }
}

void MainWindowTest::thresholdKeyFilter()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    OpenPanel(window);
    QLineEdit* target = Box(window, box);
    target->setText(before);
    // Delete works on the character after the cursor: start at the beginning.
    target->setCursorPosition(key == Qt::Key_Delete ? 0 : static_cast<int>(before.size()));
    QApplication::clipboard()->setText(QStringLiteral("12"));
    QTest::sendKeyEvent(QTest::Click, target, static_cast<Qt::Key>(key), typed, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(target->text(), after);
    // Nothing was selected either (Ctrl+A): a digit typed at the end now is
    // refused as a third one.
    if (key == Qt::Key_Delete) {
        target->end(false);
    }
    QTest::keyClick(target, Qt::Key_9);
    QCOMPARE(target->text(), (after + QStringLiteral("9")).left(2));
    Stop(window);
}

void MainWindowTest::thresholdFocusSelectsTheText()
{
    Workspace workspace;
    StoreRaw(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("45"));
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(QTest::qWaitForWindowActive(window));
    OpenPanel(window);
    auto* hab = Box(window, "txtMinHab");
    Find<QCheckBox>(window, "chkOpen")->setFocus(Qt::OtherFocusReason);
    hab->setCursorPosition(1);
    // chkOpen comes before txtMinHab in the tab order.
    QTest::keyClick(window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), hab);
    QCOMPARE(hab->selectionStart(), 0);
    QCOMPARE(hab->selectedText(), QStringLiteral("45"));
    QTest::keyClick(hab, Qt::Key_7);
    QCOMPARE(hab->text(), QStringLiteral("7"));
    Stop(window);
}

void MainWindowTest::thresholdClickSelectsTheText_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("hadFocus");   // the box had the focus before the click
    QTest::addColumn<QString>("gesture"); // "click right", "click left" or "drag right to middle"
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("after"); // once "5" is typed
    for (const QByteArray& box : {QByteArray("txtMinHab"), QByteArray("txtMinMetal")}) {
        const QByteArray tag = box + ": ";
        // The click that gives the focus leaves the whole text selected, so
        // that typing replaces it wherever the box was clicked.
        QTest::newRow(tag + "click at the end gives the focus") << box << "20" << false << "click right"
                                                                << "20"
                                                                << "5";
        QTest::newRow(tag + "click at the start gives the focus") << box << "20" << false << "click left"
                                                                  << "20"
                                                                  << "5";
        QTest::newRow(tag + "click into a box holding one digit") << box << "2" << false << "click right"
                                                                  << "2"
                                                                  << "5";
        // What the player selects by dragging during that click stays selected.
        QTest::newRow(tag + "drag during the click that gives the focus")
            << box << "20" << false << "drag right to middle"
            << "0"
            << "25";
        // In a box that has the focus already, a click places the caret.
        QTest::newRow(tag + "click at the end of the focused box") << box << "2" << true << "click right"
                                                                   << ""
                                                                   << "25";
        QTest::newRow(tag + "click at the start of the focused box") << box << "2" << true << "click left"
                                                                     << ""
                                                                     << "52";
    }
}

void MainWindowTest::thresholdClickSelectsTheText()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, before);
    QFETCH(bool, hadFocus);
    QFETCH(QString, gesture);
    QFETCH(QString, selected);
    QFETCH(QString, after);
    Workspace workspace;
    StoreRaw(QStringLiteral("Options"), box == "txtMinHab" ? QStringLiteral("Hab") : QStringLiteral("Met"), before);
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(QTest::qWaitForWindowActive(window));
    OpenPanel(window);
    QLineEdit* target = Box(window, box);
    QCOMPARE(target->text(), before);
    // Where the caret goes between the two digits, found before the box has
    // the focus.
    target->setCursorPosition(1);
    const QPoint middle(target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(), target->height() / 2);
    const QPoint left(2, target->height() / 2);
    const QPoint right(target->width() - 3, target->height() / 2);
    if (hadFocus) {
        target->setFocus(Qt::TabFocusReason);
        QCOMPARE(target->selectedText(), before);
    } else {
        Find<QCheckBox>(window, "chkOpen")->setFocus(Qt::TabFocusReason);
    }

    if (gesture == "drag right to middle") {
        QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, right);
        QTest::mouseMove(target, middle);
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, middle);
    } else {
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, gesture == "click left" ? left : right);
    }
    QCOMPARE(QApplication::focusWidget(), target);
    QCOMPARE(target->selectedText(), selected);
    QTest::keyClick(target, Qt::Key_5);
    QCOMPARE(target->text(), after);
    Stop(window);
}

void MainWindowTest::restoredThresholdShowsFromItsStart_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("stored");
    // Longer than a box of two digits shows: a hand-edited store or an
    // earlier version may hold such a text, and it is shown whole.
    QTest::newRow("habitability 4000000") << QByteArray("txtMinHab") << "4000000";
    QTest::newRow("metal 4000000") << QByteArray("txtMinMetal") << "4000000";
    QTest::newRow("habitability with a long tail") << QByteArray("txtMinHab") << "7 and what followed it";
}

void MainWindowTest::restoredThresholdShowsFromItsStart()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, stored);
    Workspace workspace;
    StoreRaw(QStringLiteral("Options"), box == "txtMinHab" ? QStringLiteral("Hab") : QStringLiteral("Met"), stored);
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(QTest::qWaitForWindowActive(window));
    OpenPanel(window);
    QLineEdit* target = Box(window, box);
    QCOMPARE(target->text(), stored);
    QVERIFY2(QFontMetrics(target->font()).horizontalAdvance(stored) > target->width(), "the text fits its box");
    QVERIFY(!target->hasFocus());
    QVERIFY(ShowsTextFromItsStart(target));

    // Focus by Tab selects it all and still shows its start; typing replaces it.
    target->setFocus(Qt::TabFocusReason);
    QCOMPARE(target->selectedText(), stored);
    QCOMPARE(target->cursorPosition(), 0);
    QTest::keyClick(target, Qt::Key_7);
    QCOMPARE(target->text(), QStringLiteral("7"));
    Stop(window);
}

void MainWindowTest::emptiedThresholdBecomesZeroWhenLeft()
{
    Workspace workspace;
    StoreRaw(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("3"));
    StoreRaw(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("45"));
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(QTest::qWaitForWindowActive(window));
    OpenPanel(window);
    auto* hab = Box(window, "txtMinHab");
    auto* met = Box(window, "txtMinMetal");
    met->setFocus(Qt::TabFocusReason);
    met->setCursorPosition(2);
    QTest::keyClick(met, Qt::Key_Backspace);
    QTest::keyClick(met, Qt::Key_Backspace);
    QCOMPARE(met->text(), QString());
    Find<QComboBox>(window, "cboGalaxies")->setFocus(Qt::TabFocusReason);
    QCOMPARE(met->text(), QStringLiteral("0"));
    QCOMPARE(hab->text(), QStringLiteral("3"));
    // A box that keeps a text keeps it.
    hab->setFocus(Qt::TabFocusReason);
    Find<QComboBox>(window, "cboGalaxies")->setFocus(Qt::TabFocusReason);
    QCOMPARE(hab->text(), QStringLiteral("3"));
    // Emptied with Delete, then left by a click elsewhere.
    hab->setFocus(Qt::TabFocusReason);
    hab->setCursorPosition(0);
    QTest::keyClick(hab, Qt::Key_Delete);
    QCOMPARE(hab->text(), QString());
    QTest::mouseClick(Find<QCheckBox>(window, "chkRating"), Qt::LeftButton);
    QCOMPARE(hab->text(), QStringLiteral("0"));
    QCOMPARE(met->text(), QStringLiteral("0"));
    Stop(window);
}

void MainWindowTest::startupSelectsTheFirstGalaxy()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("home.gxy")), {Record(1, 1, {{0.5F, 0.5F}})}));
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("home.gxy"));
    StoreGalaxy(2, QStringLiteral("Away"), QStringLiteral("missing.gxy"));
    QPointer<frmQuarrimax> window = Start();
    auto* selector = Find<QComboBox>(window, "cboGalaxies");
    QCOMPARE(selector->count(), 2);
    QCOMPARE(selector->currentIndex(), 0);
    QCOMPARE(selector->currentText(), QStringLiteral("Home"));
    QVERIFY(selector->font().bold());
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("home.gxy"));
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QVERIFY(workspace.platform().boxes.isEmpty());
    Stop(window);
}

void MainWindowTest::startupSaysWhenTheFirstGalaxysFileIsMissing()
{
    Workspace workspace;
    StoreGalaxy(1, QStringLiteral("Lost"), QStringLiteral("lost.gxy"));
    bool mainWindowShowing = true;
    workspace.platform().onBox = [&](const testsupport::ScriptedPlatform::Box&) {
        mainWindowShowing = TopLevel("frmQuarrimax") != nullptr;
    };
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(workspace.platform().boxes.size(), 1);
    const auto box = workspace.platform().boxes.first();
    QCOMPARE(box.icon, MessageIcon::Critical);
    QCOMPARE(box.buttons, platform::MessageButtons::Ok);
    QCOMPARE(box.title, kMissingTitle);
    QCOMPARE(box.text, MissingText(QStringLiteral("Lost")));
    QVERIFY(!mainWindowShowing);
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("lost.gxy"));
    QVERIFY(!Declare::openGalaxyFile.isOpen());
    Stop(window);
}

void MainWindowTest::emptyGalaxyListSelectsNothing()
{
    Workspace workspace;
    // Entries with file names but no names are not offered.
    StoreGalaxy(1, QString(), QStringLiteral("one.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 0);
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentIndex(), -1);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(Declare::pstrCurrentGalaxyFile.isEmpty());
    QCOMPARE(Declare::pstrGalaxyFile[1], QStringLiteral("one.gxy"));
    Stop(window);
}

// Reading the Galaxy List again replaces the list in memory and adds the
// named entries after the selector's items; the galaxy selected before stays
// current and open.
void MainWindowTest::loadingTheGalaxyListLeavesTheSelectionAlone()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("earlier.gxy")), {Record(1, 1, {{0.5F, 0.5F}})}));
    StoreGalaxy(1, QStringLiteral("Earlier"), QStringLiteral("earlier.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(Declare::openGalaxyFile.isOpen());
    StoreGalaxy(1, QString(), QString());
    StoreGalaxy(4, QStringLiteral("Four"), QStringLiteral("four.gxy"));
    window->LoadGalaxyList();
    auto* selector = Find<QComboBox>(window, "cboGalaxies");
    QCOMPARE(selector->count(), 2);
    QCOMPARE(selector->itemText(0), QStringLiteral("Earlier"));
    QCOMPARE(selector->itemText(1), QStringLiteral("Four"));
    QCOMPARE(selector->currentIndex(), 0);
    QCOMPARE(Declare::pstrGalaxyName[1], QString());
    QCOMPARE(Declare::pstrGalaxyFile[4], QStringLiteral("four.gxy"));
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("earlier.gxy"));
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QVERIFY(workspace.platform().boxes.isEmpty());
    Stop(window);
}

void MainWindowTest::selectingAGalaxyWithoutFileName()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("home.gxy")), {Record(1, 1, {{0.5F, 0.5F}})}));
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("home.gxy"));
    StoreGalaxy(2, QStringLiteral("Nameless File"), QString());
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QTest::keyClick(Find<QComboBox>(window, "cboGalaxies"), Qt::Key_Down);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().title, kMissingTitle);
    QCOMPARE(workspace.platform().boxes.first().text, MissingText(QStringLiteral("Nameless File")));
    QVERIFY(Declare::pstrCurrentGalaxyFile.isEmpty());
    QVERIFY(!Declare::openGalaxyFile.isOpen());
    // Back to the first: its file opens again, without a message.
    QTest::keyClick(Find<QComboBox>(window, "cboGalaxies"), Qt::Key_Up);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("home.gxy"));
    Stop(window);
}

// An entry without a name is not offered and shifts no later entry: the
// second item, "Three", stands for entry 3.
void MainWindowTest::selectorItemsStandForTheEntriesTheyShow()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("one.gxy")), {}));
    StoreGalaxy(1, QStringLiteral("One"), QStringLiteral("one.gxy"));
    StoreGalaxy(2, QString(), QStringLiteral("two.gxy"));
    StoreGalaxy(3, QStringLiteral("Three"), QStringLiteral("three.gxy"));
    QPointer<frmQuarrimax> window = Start();
    auto* selector = Find<QComboBox>(window, "cboGalaxies");
    QCOMPARE(selector->count(), 2);
    QCOMPARE(selector->itemText(1), QStringLiteral("Three"));
    QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("three.gxy"));
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().text, MissingText(QStringLiteral("Three")));
    QVERIFY(!Declare::openGalaxyFile.isOpen());
    // Once its file is there, selecting it again opens it.
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("three.gxy")), {}));
    QTest::keyClick(selector, Qt::Key_Up);
    QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QVERIFY(Declare::openGalaxyFile.isOpen());
    Stop(window);
}

void MainWindowTest::closingTheMainWindowClosesTheGalaxyFileOnly()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("home.gxy")), {}));
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("home.gxy"));
    StoreRaw(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("5"));
    QPointer<frmQuarrimax> window = Start();
    OpenPanel(window);
    Find<QAction>(window, "mnuAbout")->trigger();
    QPointer<QWidget> about = TopLevel("frmAbout");
    QVERIFY(about);
    Box(window, "txtMinHab")->setText(QStringLiteral("9"));
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QVERIFY(window->close());
    QVERIFY(!Declare::openGalaxyFile.isOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(),
                         [](const QWidget* w) { return w->objectName() == QLatin1String("frmQuarrimax"); }));
    // The About window stays open, and nothing was stored at closing.
    QVERIFY(about && about->isVisible());
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("5"));
    about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!about);
    Stop(window);
}

void MainWindowTest::aboutOpensOnceFromTheMenu()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    Find<QAction>(window, "mnuAbout")->trigger();
    Find<QAction>(window, "mnuAbout")->trigger();
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        count += top->objectName() == QLatin1String("frmAbout") && top->isVisible() ? 1 : 0;
    }
    QCOMPARE(count, 1);
    // The main window stays usable while it is open.
    QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    QCOMPARE(window->height(), twips::Px(3990));
    TopLevel("frmAbout")->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Stop(window);
}

void MainWindowTest::windowOpenedAgainComesForward_data()
{
    QTest::addColumn<QString>("window");  // the object name of the window that exists once
    QTest::addColumn<QString>("command"); // what opens it
    QTest::addColumn<bool>("minimized");  // minimized before it is opened again
    QTest::newRow("About, from the menu") << "frmAbout"
                                          << "mnuAbout" << false;
    QTest::newRow("About, minimized") << "frmAbout"
                                      << "mnuAbout" << true;
    QTest::newRow("merge, from the button") << "frmMerge"
                                            << "cmdMerge" << false;
    QTest::newRow("merge, from the menu") << "frmMerge"
                                          << "mnuMerge" << false;
    QTest::newRow("merge, minimized") << "frmMerge"
                                      << "mnuMerge" << true;
    QTest::newRow("viewer") << "frmOpenText"
                            << "viewer" << false;
    QTest::newRow("viewer, minimized") << "frmOpenText"
                                       << "viewer" << true;
    QTest::newRow("monitor") << "frmAutoCheck"
                             << "monitor" << false;
}

// A window that exists once and is opened again while the main window stands
// over it is the same window, shown, in front and active.
void MainWindowTest::windowOpenedAgainComesForward()
{
    QFETCH(QString, window);
    QFETCH(QString, command);
    QFETCH(bool, minimized);
    Workspace workspace;
    QFile report(workspace.file(QStringLiteral("dump.txt")));
    QVERIFY(report.open(QIODevice::WriteOnly));
    QVERIFY(report.write("Planet.Sys\r\n") > 0);
    report.close();
    QPointer<frmQuarrimax> main = Start();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    const auto open = [&] {
        if (command == QLatin1String("viewer")) {
            frmOpenText::Show(Desktop(), main);
        } else if (command == QLatin1String("monitor")) {
            frmAutoCheck::Show(Desktop(), main->thresholdSource());
        } else if (command.startsWith(QLatin1String("mnu"))) {
            Find<QAction>(main, command.toLatin1().constData())->trigger();
        } else {
            QTest::mouseClick(Find<QPushButton>(main, command.toLatin1().constData()), Qt::LeftButton);
        }
    };

    open();
    QPointer<QWidget> first = TopLevel(window.toLatin1().constData());
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowActive(first));
    if (minimized) {
        first->showMinimized();
    }
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    QVERIFY(!first->isActiveWindow());

    open();
    QWidget* again = TopLevel(window.toLatin1().constData());
    QCOMPARE(again, first.data());
    QVERIFY(again->isVisible());
    QVERIFY(!again->isMinimized());
    QVERIFY(QTest::qWaitForWindowActive(again));
    QCOMPARE(QApplication::activeWindow(), again);
    int shown = 0;
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        shown += top->objectName() == window && top->isVisible() ? 1 : 0;
    }
    QCOMPARE(shown, 1);

    again->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Stop(main);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
