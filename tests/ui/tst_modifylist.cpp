// The Galaxy List editor: what it shows, the file-name filter of row 1, Save
// with the refilled galaxy selector, and Exit or the close box storing nothing.
#include "MainWindowDriver.h"
#include "ShownText.h"
#include "UiFixture.h"
#include "widgets/Twips.h"
#include "windows/frmModifyList.h"
#include "windows/frmQuarrimax.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace uitest;

namespace {

QLineEdit* NameBox(const QWidget* editor, int n)
{
    return editor->findChild<QLineEdit*>(QStringLiteral("txtGalaxy%1").arg(n));
}

QLineEdit* FileBox(const QWidget* editor, int n)
{
    return editor->findChild<QLineEdit*>(QStringLiteral("txtGalaxyfile%1").arg(n));
}

void Retype(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

} // namespace

class ModifyListTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsEightEmptyBoxes();
    void looksAsLaidOut();
    void showsTheGalaxyListInMemory();
    void longEntriesShowFromTheirStart();
    void fileNameFilter_data();
    void fileNameFilter();
    void saveStoresAndRefillsTheSelector();
    void saveWithEverythingEmpty();
    void exitStoresNothing();
    void closeBoxActsAsExit();
    void keys_data();
    void keys();
    void editorIsModal();
    void refusedSaveKeepsTheEditorOpen();
};

void ModifyListTest::firstRunShowsEightEmptyBoxes()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    int boxes = 0;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        for (int n = 1; n <= 4; ++n) {
            boxes += NameBox(editor, n)->text().isEmpty() ? 1 : 0;
            boxes += FileBox(editor, n)->text().isEmpty() ? 1 : 0;
        }
        QTest::mouseClick(Find<QPushButton>(editor, "cmdExit"), Qt::LeftButton);
    }));
    QCOMPARE(boxes, 8);
    Stop(window);
}

void ModifyListTest::looksAsLaidOut()
{
    Workspace workspace;
    frmModifyList editor(Desktop());
    editor.show();
    QCOMPARE(editor.windowTitle(), QStringLiteral("Galaxy List Editor"));
    QCOMPARE(editor.size(), twips::Size(4665, 3090));
    QCOMPARE(editor.minimumSize(), editor.maximumSize());
    QVERIFY(!editor.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!editor.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(Find<QLabel>(&editor, "lblGalaxyName")->text(), QStringLiteral("Galaxy Name:"));
    QCOMPARE(Find<QLabel>(&editor, "lblGalaxyFile")->text(), QStringLiteral("Galaxy File:"));
    for (int n = 1; n <= 4; ++n) {
        auto* head = editor.findChild<QLabel*>(QStringLiteral("lblGalaxy%1").arg(n));
        QCOMPARE(head->text(), QStringLiteral("Galaxy %1 :").arg(n));
        QVERIFY(head->font().bold());
        QCOMPARE(FileBox(&editor, n)->geometry(), twips::Rect(3480, 600 + 480 * (n - 1), 1095, 285));
        QCOMPARE(NameBox(&editor, n)->geometry(), twips::Rect(1320, 600 + 480 * (n - 1), 1935, 285));
    }
    QCOMPARE(Find<QPushButton>(&editor, "cmdExit")->text(), QStringLiteral("Exit"));
    QCOMPARE(Find<QPushButton>(&editor, "cmdSave")->text(), QStringLiteral("Save"));
    QCOMPARE(Find<QPushButton>(&editor, "cmdExit")->geometry(), twips::Rect(2280, 2640, 1095, 375));
    QCOMPARE(Find<QPushButton>(&editor, "cmdSave")->geometry(), twips::Rect(3480, 2640, 1095, 375));
    // Tab order: the names, the files, Save, Exit.
    QStringList order;
    QWidget* widget = NameBox(&editor, 1);
    for (int i = 0; i < 10; ++i) {
        order.append(widget->objectName());
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus) {
            widget = widget->nextInFocusChain();
        }
    }
    QCOMPARE(order, (QStringList{"txtGalaxy1", "txtGalaxy2", "txtGalaxy3", "txtGalaxy4", "txtGalaxyfile1",
                                 "txtGalaxyfile2", "txtGalaxyfile3", "txtGalaxyfile4", "cmdSave", "cmdExit"}));
}

void ModifyListTest::showsTheGalaxyListInMemory()
{
    Workspace workspace;
    Declare::pstrGalaxyName[1] = QStringLiteral("Home");
    Declare::pstrGalaxyFile[1] = QStringLiteral("home.gxy");
    Declare::pstrGalaxyFile[3] = QStringLiteral("three.gxy");
    frmModifyList editor(Desktop());
    QCOMPARE(NameBox(&editor, 1)->text(), QStringLiteral("Home"));
    QCOMPARE(FileBox(&editor, 1)->text(), QStringLiteral("home.gxy"));
    QCOMPARE(NameBox(&editor, 2)->text(), QString());
    QCOMPARE(NameBox(&editor, 3)->text(), QString());
    QCOMPARE(FileBox(&editor, 3)->text(), QStringLiteral("three.gxy"));
    QCOMPARE(FileBox(&editor, 4)->text(), QString());
}

void ModifyListTest::longEntriesShowFromTheirStart()
{
    Workspace workspace;
    for (int n = 1; n <= 4; ++n) {
        StoreGalaxy(n, QStringLiteral("Galaxy number %1 with a name too long for its box").arg(n),
                    QStringLiteral("missing-galaxy-file-%1.gxy").arg(n));
    }
    QPointer<frmQuarrimax> window = Start();
    QStringList tails;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        // None of the boxes has the focus, so none draws its caret.
        Find<QPushButton>(editor, "cmdSave")->setFocus(Qt::OtherFocusReason);
        for (int n = 1; n <= 4; ++n) {
            for (QLineEdit* box : {NameBox(editor, n), FileBox(editor, n)}) {
                if (QFontMetrics(box->font()).horizontalAdvance(box->text()) <= box->width()) {
                    tails.append(box->objectName() + QStringLiteral(" fits"));
                } else if (!ShowsTextFromItsStart(box)) {
                    tails.append(box->objectName());
                }
            }
        }
    }));
    QCOMPARE(tails, QStringList());
    Stop(window);
}

void ModifyListTest::fileNameFilter_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("inserted");
    for (const char* refused : {"\\", "/", "*", "?", ":", "<", ">", "|"}) {
        QTest::addRow("row 1 file refuses %s", refused) << "txtGalaxyfile1" << refused << false;
        QTest::addRow("row 2 file takes %s", refused) << "txtGalaxyfile2" << refused << true;
    }
    QTest::newRow("row 4 file takes a backslash") << "txtGalaxyfile4"
                                                  << "\\" << true;
    QTest::newRow("row 1 file takes a quote") << "txtGalaxyfile1"
                                              << "\"" << true;
    QTest::newRow("row 1 file takes a letter") << "txtGalaxyfile1"
                                               << "g" << true;
    QTest::newRow("row 1 file takes a period") << "txtGalaxyfile1"
                                               << "." << true;
    QTest::newRow("name takes a colon") << "txtGalaxy1"
                                        << ":" << true;
    QTest::newRow("name takes a backslash") << "txtGalaxy3"
                                            << "\\" << true;
    QTest::newRow("name takes a quote") << "txtGalaxy2"
                                        << "\"" << true;
}

void ModifyListTest::fileNameFilter()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(bool, inserted);
    Workspace workspace;
    frmModifyList editor(Desktop());
    editor.show();
    auto* target = editor.findChild<QLineEdit*>(box);
    QVERIFY(target != nullptr);
    target->setText(QStringLiteral("ab"));
    QTest::keyClicks(target, typed);
    QCOMPARE(target->text(), inserted ? QStringLiteral("ab") + typed : QStringLiteral("ab"));
    // Backspace still edits the filtered box.
    QTest::keyClick(target, Qt::Key_Backspace);
    QCOMPARE(target->text(), inserted ? QStringLiteral("ab") : QStringLiteral("a"));
}

void ModifyListTest::saveStoresAndRefillsTheSelector()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("home.gxy")), {}));
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("home.gxy"));
    QPointer<frmQuarrimax> window = Start();
    auto* selector = Find<QComboBox>(window, "cboGalaxies");
    QCOMPARE(selector->currentIndex(), 0);
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QVERIFY(UseEditor(window, [](QDialog* editor) {
        Retype(NameBox(editor, 1), QStringLiteral(" Home, sweet \"home\" "));
        Retype(FileBox(editor, 2), QStringLiteral("two.gxy"));
        Retype(NameBox(editor, 3), QStringLiteral("Three"));
        Retype(FileBox(editor, 3), QStringLiteral("three.gxy"));
        Retype(NameBox(editor, 4), QStringLiteral("Four"));
        QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
    }));
    QVERIFY(!QApplication::activeModalWidget());
    const QString galaxies = QStringLiteral("Galaxies");
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxy1")), QStringLiteral(" Home, sweet \"home\" "));
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxyfile1")), QStringLiteral("home.gxy"));
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxy2")), QString());
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxyfile2")), QStringLiteral("two.gxy"));
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxyfile3")), QStringLiteral("three.gxy"));
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxy4")), QStringLiteral("Four"));
    QCOMPARE(StoredRaw(galaxies, QStringLiteral("Galaxyfile4")), QString());
    // The selector offers the named entries and selects nothing.
    QCOMPARE(selector->count(), 3);
    QCOMPARE(selector->itemText(0), QStringLiteral(" Home, sweet \"home\" "));
    QCOMPARE(selector->itemText(1), QStringLiteral("Three"));
    QCOMPARE(selector->itemText(2), QStringLiteral("Four"));
    QCOMPARE(selector->currentIndex(), -1);
    QCOMPARE(Declare::pstrGalaxyFile[2], QStringLiteral("two.gxy"));
    // No selection ran: the last selection's file stays open and current.
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("home.gxy"));
    QVERIFY(workspace.platform().boxes.isEmpty());
    // Picking the second item now takes entry 3, the entry it shows.
    QTest::keyClick(selector, Qt::Key_Down);
    QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("three.gxy"));
    Stop(window);
}

void ModifyListTest::saveWithEverythingEmpty()
{
    Workspace workspace;
    StoreGalaxy(2, QStringLiteral("Two"), QStringLiteral("two.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(UseEditor(window, [](QDialog* editor) {
        Retype(NameBox(editor, 2), QString());
        Retype(FileBox(editor, 2), QString());
        QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
    }));
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy%1").arg(n)), QString());
        QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile%1").arg(n)), QString());
    }
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 0);
    QCOMPARE(Declare::pstrGalaxyName[2], QString());
    Stop(window);
}

void ModifyListTest::exitStoresNothing()
{
    Workspace workspace;
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("home.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(UseEditor(window, [](QDialog* editor) {
        Retype(NameBox(editor, 1), QStringLiteral("Changed"));
        Retype(FileBox(editor, 4), QStringLiteral("four.gxy"));
        QTest::mouseClick(Find<QPushButton>(editor, "cmdExit"), Qt::LeftButton);
    }));
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), QStringLiteral("Home"));
    QVERIFY(!StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile4")));
    QCOMPARE(Declare::pstrGalaxyName[1], QStringLiteral("Home"));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 1);
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentIndex(), 0);
    QString shownAgain;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        shownAgain = NameBox(editor, 1)->text() + QLatin1Char('|') + FileBox(editor, 4)->text();
        QTest::mouseClick(Find<QPushButton>(editor, "cmdExit"), Qt::LeftButton);
    }));
    QCOMPARE(shownAgain, QStringLiteral("Home|"));
    Stop(window);
}

void ModifyListTest::closeBoxActsAsExit()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(UseEditor(window, [](QDialog* editor) {
        Retype(NameBox(editor, 1), QStringLiteral("Never stored"));
        editor->close();
    }));
    QVERIFY(!StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 0);
    QVERIFY(!QFileInfo::exists(workspace.storeFile()));
    Stop(window);
}

void ModifyListTest::keys_data()
{
    QTest::addColumn<QString>("focus"); // the box or button the key goes to
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("outcome"); // "open", "saved" or "closed"
    QTest::newRow("Return in a name box") << "txtGalaxy1" << int(Qt::Key_Return) << 0 << "open";
    QTest::newRow("keypad Enter in a file box")
        << "txtGalaxyfile2" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "open";
    QTest::newRow("Return on Save") << "cmdSave" << int(Qt::Key_Return) << 0 << "saved";
    QTest::newRow("Space on Save") << "cmdSave" << int(Qt::Key_Space) << 0 << "saved";
    QTest::newRow("Return on Exit") << "cmdExit" << int(Qt::Key_Return) << 0 << "closed";
    QTest::newRow("Esc in a name box") << "txtGalaxy1" << int(Qt::Key_Escape) << 0 << "closed";
}

// No key of its own saves the list: Enter in a box does nothing, Enter or
// Space on a button presses it, and Esc is Exit.
void ModifyListTest::keys()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, outcome);
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    bool stillOpen = false;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        QTest::mouseClick(NameBox(editor, 1), Qt::LeftButton);
        QTest::keyClicks(NameBox(editor, 1), QStringLiteral("Alpha"));
        auto* target = editor->findChild<QWidget*>(focus);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
        stillOpen = editor->isVisible();
    }));
    QCOMPARE(stillOpen, outcome == "open");
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")).value_or(QString()),
             outcome == "saved" ? QStringLiteral("Alpha") : QString());
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), outcome == "saved" ? 1 : 0);
    Stop(window);
}

void ModifyListTest::editorIsModal()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    bool modal = false;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        modal = editor->isModal() && editor->windowModality() == Qt::ApplicationModal
                && QApplication::activeModalWidget() == editor;
        QTest::mouseClick(Find<QPushButton>(editor, "cmdExit"), Qt::LeftButton);
    }));
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
    Stop(window);
}

void ModifyListTest::refusedSaveKeepsTheEditorOpen()
{
    Workspace workspace;
    QVERIFY(workspace.refuseWrites());
    QPointer<frmQuarrimax> window = Start();
    bool stillOpen = false;
    QString typedAfter;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        Retype(NameBox(editor, 1), QStringLiteral("Home"));
        QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
        stillOpen = editor->isVisible();
        typedAfter = NameBox(editor, 1)->text();
        QTest::mouseClick(Find<QPushButton>(editor, "cmdExit"), Qt::LeftButton);
    }));
    QVERIFY(stillOpen);
    QCOMPARE(typedAfter, QStringLiteral("Home"));
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().title, QStringLiteral("Critical Error"));
    QCOMPARE(workspace.platform().boxes.first().text, QStringLiteral("An Error Unknow Occured"));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 0);
    Stop(window);
}

QTEST_MAIN(ModifyListTest)
#include "tst_modifylist.moc"
