// "Dump to file": the options it stores, its checks and their order, the
// report it writes byte for byte, the viewers it opens, its generic failure,
// and the hourglass pointer during each of its messages.
#include "MainWindowDriver.h"
#include "UiFixture.h"
#include "support/AsNobody.h"
#include "support/DeletedWhileOpen.h"
#include "support/MessageTexts.h"
#include "support/PlanetLines.h"
#include "windows/frmMerge.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#endif

using namespace uitest;
using testsupport::kGeneric;
using testsupport::kMissingTitle;
using testsupport::kReportHeader;
using testsupport::MissingText;
using Box = testsupport::ScriptedPlatform::Box;

namespace {

QByteArray Blanks(int count)
{
    return QByteArray(count, ' ');
}

// A galaxy exercising the report's layout: two systems with planets beyond
// their planet count, a four-digit, a five-digit and a negative system number,
// planets exactly at and just below the thresholds 20 and 5, and a record
// the game has not finished writing.
std::vector<galaxy::SystemRecord> LayoutGalaxy()
{
    return {
        Record(12, 2, {{0.5F, 0.3F}, {0.375F, 0.08F}, {0.9F, 0.9F}}),
        Record(1234, 6, {{0.1F, 0.1F}, {0.19F, 0.9F}, {0.375F, 0.08F}, {0.9F, 0.04F}, {0.0F, 0.0F}, {0.53F, 0.3F}}),
        Record(12345, 1, {{0.2F, 0.05F}}),
        Record(-5, 3, {{0.0F, 0.0F}, {1.0F, 0.999F}}),
    };
}

// The report of LayoutGalaxy with the thresholds 20 and 5.
QByteArray LayoutReport(bool withRating, char separator)
{
    const QString s(QChar::fromLatin1(separator));
    const QStringList lines[] = {
        {"12.A", "50", "30", "280"},
        {"12.B", "37" + s + "5", "8", "195" + s + "5"},
        {"1234.C", "37" + s + "5", "8", "195" + s + "5"},
        {"1234.F", "53", "30", "295"},
        {"12345.A", "20", "5", "105"},
        {"-5.B", "100", "99" + s + "9", "599" + s + "9"},
    };
    QStringList report;
    for (const QStringList& line : lines) {
        report.append(testsupport::PlanetLine(line[0], line[1], line[2], withRating ? line[3] : QString()));
    }
    return testsupport::Report(report, withRating);
}

// Opens the panel and types the thresholds as a player would.
void SetThresholds(frmQuarrimax* window, const QString& hab, const QString& met)
{
    if (!Find<QLineEdit>(window, "txtMinHab")->isEnabled()) {
        QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    }
    for (auto [name, text] : {std::pair{"txtMinHab", hab}, std::pair{"txtMinMetal", met}}) {
        auto* box = Find<QLineEdit>(window, name);
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
}

void ChooseNotePad(frmQuarrimax* window)
{
    auto* open = Find<QCheckBox>(window, "chkOpen");
    if (!open->isChecked()) {
        QTest::mouseClick(open, Qt::LeftButton);
    }
    QTest::mouseClick(Find<QRadioButton>(window, "optNotePad"), Qt::LeftButton);
}

// A program folder holding the layout galaxy as entry 1, selected at startup.
QPointer<frmQuarrimax> StartOnLayoutGalaxy(Workspace& workspace)
{
    if (!WriteGalaxy(workspace.file(QStringLiteral("layout.gxy")), LayoutGalaxy(), 100)) {
        return nullptr;
    }
    StoreGalaxy(1, QStringLiteral("Layout"), QStringLiteral("layout.gxy"));
    return Start();
}

bool NoPointerOverride()
{
    return QApplication::overrideCursor() == nullptr;
}

} // namespace

class DumpTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void reportByteForByte_data();
    void reportByteForByte();
    void menuItemDumpsToo();
    void emptyThresholdsCountAsZero();
    void thresholdsCompareThePercentValues_data();
    void thresholdsCompareThePercentValues();
    void noQualifyingPlanetLeavesTheHeader();
    void repeatedDumpsAreIdentical();
    void aGrowingGalaxyIsReadToItsEnd();
    void optionsStoredAndRestoredAfterARestart();
    void optionsStoredEvenWhenNoGalaxyIsSelected();
    void optionsChangedWithoutADumpAreForgotten();
    void missingFileIsCheckedBeforeTheSelection();
    void missingFileAfterSaveNamesTheEmptyEntry();
    void galaxyFileNamesWithBackslashes_data();
    void galaxyFileNamesWithBackslashes();
    void backslashNamesAFolderNotAFileName();
    void galaxyWithoutFileNameFailsAfterTheHeader();
    void undeletableReportFailsBeforeTheHeader();
    void reportMarkedReadOnlyIsKeptForEveryUser_data();
    void reportMarkedReadOnlyIsKeptForEveryUser();
    void refusedOptionsStopTheDump();
    void overflowStopsTheReportAndClosesIt();
    void notePadStartsTheEditorOnTheReport();
    void notePadMissingIsSaidAfterTheReport();
    void editorThatWillNotStartIsAFailure();
    void builtInViewerChoiceShowsNoMessage();
    void reportNotOpenedWhenNotAsked();
    void mergeCommandsOpenOneMergeWindow();
    void reportLinkIsReplacedNotFollowed_data();
    void reportLinkIsReplacedNotFollowed();

private:
    testsupport::NobodyRun m_nobody;
};

void DumpTest::reportByteForByte_data()
{
    QTest::addColumn<bool>("rating");
    QTest::addColumn<bool>("commaLocale");
    QTest::newRow("without rating") << false << false;
    QTest::newRow("with rating") << true << false;
    QTest::newRow("without rating, comma") << false << true;
    QTest::newRow("with rating, comma") << true << true;
}

void DumpTest::reportByteForByte()
{
    QFETCH(bool, rating);
    QFETCH(bool, commaLocale);
    QLocale::setDefault(commaLocale ? QLocale(QLocale::German, QLocale::Germany) : QLocale(QLocale::English));
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    SetThresholds(window, QStringLiteral("20"), QStringLiteral("5"));
    if (rating) {
        QTest::mouseClick(Find<QCheckBox>(window, "chkRating"), Qt::LeftButton);
    }
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(workspace.report()), LayoutReport(rating, commaLocale ? ',' : '.'));
    QVERIFY(NoPointerOverride());
    Stop(window);
}

void DumpTest::menuItemDumpsToo()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    SetThresholds(window, QStringLiteral("20"), QStringLiteral("5"));
    Find<QAction>(window, "mnuDump")->trigger();
    QCOMPARE(ReadAll(workspace.report()), LayoutReport(false, '.'));
    Stop(window);
}

void DumpTest::emptyThresholdsCountAsZero()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("g.gxy")),
                        {Record(7, 3, {{0.0F, 0.0F}, {-0.01F, 0.5F}, {0.25F, 0.0F}})}));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    QPointer<frmQuarrimax> window = Start();
    // A first run: both boxes empty, never focused.
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), QString());
    Find<QAction>(window, "mnuDump")->trigger();
    QCOMPARE(ReadAll(workspace.report()), kReportHeader + "7.A" + Blanks(11) + "0" + Blanks(12) + "0\r\n" + "7.C"
                                              + Blanks(11) + "25" + Blanks(11) + "0\r\n");
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    Stop(window);
}

void DumpTest::thresholdsCompareThePercentValues_data()
{
    QTest::addColumn<float>("hab");
    QTest::addColumn<QString>("minHab");
    QTest::addColumn<bool>("listed");
    QTest::newRow("exactly at the threshold") << 0.5F << "50" << true;
    QTest::newRow("just below") << 0.4999999F << "50" << false;
    QTest::newRow("0.53 prints 53 but is below 53") << 0.53F << "53" << false;
    QTest::newRow("0.53 reaches 52") << 0.53F << "52" << true;
    QTest::newRow("0.3 is a little above 30") << 0.3F << "30" << true;
}

void DumpTest::thresholdsCompareThePercentValues()
{
    QFETCH(float, hab);
    QFETCH(QString, minHab);
    QFETCH(bool, listed);
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("g.gxy")), {Record(3, 1, {{hab, 0.5F}})}));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    QPointer<frmQuarrimax> window = Start();
    SetThresholds(window, minHab, QStringLiteral("0"));
    Dump(window);
    const QByteArray report = ReadAll(workspace.report());
    QVERIFY(report.startsWith(kReportHeader));
    QCOMPARE(report.contains("3.A"), listed);
    Stop(window);
}

void DumpTest::noQualifyingPlanetLeavesTheHeader()
{
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("g.gxy")), {Record(8, 2, {{0.98F, 0.99F}, {0.99F, 0.98F}})}));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    QPointer<frmQuarrimax> window = Start();
    SetThresholds(window, QStringLiteral("99"), QStringLiteral("99"));
    QVERIFY(WriteFile(workspace.report(), "an old report\r\n"));
    Dump(window);
    QCOMPARE(ReadAll(workspace.report()), QByteArray("Planet.Sys    Hab          Met\r\n\r\n"));
    Stop(window);
}

void DumpTest::repeatedDumpsAreIdentical()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    SetThresholds(window, QStringLiteral("20"), QStringLiteral("5"));
    Dump(window);
    const QByteArray first = ReadAll(workspace.report());
    Dump(window);
    QCOMPARE(ReadAll(workspace.report()), first);
    Dump(window);
    QCOMPARE(ReadAll(workspace.report()), first);
    QCOMPARE(first, LayoutReport(false, '.'));
    Stop(window);
}

void DumpTest::aGrowingGalaxyIsReadToItsEnd()
{
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("grow.gxy"));
    QVERIFY(WriteGalaxy(path, {Record(1, 1, {{0.5F, 0.5F}})}));
    StoreGalaxy(1, QStringLiteral("Grow"), QStringLiteral("grow.gxy"));
    QPointer<frmQuarrimax> window = Start();
    Dump(window);
    QCOMPARE(ReadAll(workspace.report()), kReportHeader + "1.A" + Blanks(11) + "50" + Blanks(11) + "50\r\n");
    // The game appends a system while the galaxy stays selected.
    QVERIFY(WriteGalaxy(path, {Record(2, 1, {{0.25F, 0.75F}})}, 0, true));
    Dump(window);
    QCOMPARE(ReadAll(workspace.report()), kReportHeader + "1.A" + Blanks(11) + "50" + Blanks(11) + "50\r\n" + "2.A"
                                              + Blanks(11) + "25" + Blanks(11) + "75\r\n");
    Stop(window);
}

void DumpTest::optionsStoredAndRestoredAfterARestart()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    SetThresholds(window, QStringLiteral("07"), QStringLiteral("42"));
    QTest::mouseClick(Find<QCheckBox>(window, "chkRating"), Qt::LeftButton);
    ChooseNotePad(window);
    Dump(window);
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("07"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Met")), QStringLiteral("42"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Rating")), QStringLiteral("1"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Open")), QStringLiteral("1"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Reader")), QStringLiteral("False"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("NotePad")), QStringLiteral("True"));
    Stop(window);

    window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), QStringLiteral("07"));
    QCOMPARE(Find<QLineEdit>(window, "txtMinMetal")->text(), QStringLiteral("42"));
    QVERIFY(Find<QCheckBox>(window, "chkRating")->isChecked());
    QVERIFY(Find<QCheckBox>(window, "chkOpen")->isChecked());
    QVERIFY(Find<QRadioButton>(window, "optNotePad")->isChecked());
    QVERIFY(Find<QRadioButton>(window, "optNotePad")->isEnabled());
    QVERIFY(!Find<QRadioButton>(window, "optQuarrimax")->isChecked());
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), QStringLiteral("Layout"));
    Stop(window);
}

void DumpTest::optionsStoredEvenWhenNoGalaxyIsSelected()
{
    Workspace workspace;
    QVERIFY(WriteFile(workspace.report(), "kept\r\n"));
    QPointer<frmQuarrimax> window = Start();
    SetThresholds(window, QStringLiteral("3"), QStringLiteral(""));
    QString storedHabDuringBox;
    workspace.platform().onBox = [&](const Box&) {
        storedHabDuringBox = StoredRaw(QStringLiteral("Options"), QStringLiteral("Hab")).value_or(QStringLiteral("?"));
    };
    Find<QAction>(window, "mnuDump")->trigger();
    QCOMPARE(workspace.platform().boxes.size(), 1);
    const Box box = workspace.platform().boxes.first();
    QCOMPARE(box.icon, platform::MessageIcon::Critical);
    QCOMPARE(box.buttons, platform::MessageButtons::Ok);
    QCOMPARE(box.title, QStringLiteral("No Galaxy Selected"));
    QCOMPARE(box.text, QStringLiteral("You must Select a Galaxy to Retrive data from"));
    QVERIFY(box.busyPointer);
    QVERIFY(NoPointerOverride());
    QCOMPARE(storedHabDuringBox, QStringLiteral("3"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Met")), QString());
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Reader")), QStringLiteral("True"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("NotePad")), QStringLiteral("False"));
    QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));
    Stop(window);
}

void DumpTest::optionsChangedWithoutADumpAreForgotten()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    SetThresholds(window, QStringLiteral("12"), QStringLiteral("34"));
    Dump(window);
    SetThresholds(window, QStringLiteral("56"), QStringLiteral("78"));
    QTest::mouseClick(Find<QCheckBox>(window, "chkOpen"), Qt::LeftButton);
    Stop(window);
    window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), QStringLiteral("12"));
    QCOMPARE(Find<QLineEdit>(window, "txtMinMetal")->text(), QStringLiteral("34"));
    QVERIFY(!Find<QCheckBox>(window, "chkOpen")->isChecked());
    Stop(window);
}

void DumpTest::missingFileIsCheckedBeforeTheSelection()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    QVERIFY(WriteFile(workspace.report(), "kept\r\n"));
    // The galaxy's file goes away after it was selected.
    QVERIFY(QFile::remove(workspace.file(QStringLiteral("layout.gxy"))));
    QUARRIMAX_SKIP_WHERE_THE_DELETE_IS_UNSEEN(workspace.file(QStringLiteral("layout.gxy")));
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    const Box box = workspace.platform().boxes.first();
    QCOMPARE(box.title, kMissingTitle);
    QCOMPARE(box.text, MissingText(QStringLiteral("Layout")));
    QCOMPARE(box.icon, platform::MessageIcon::Critical);
    QVERIFY(box.busyPointer);
    QVERIFY(NoPointerOverride());
    QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Open")), QStringLiteral("0"));
    Stop(window);
}

// A Galaxy List typed as on Windows: "\\" in a file name parts folders below
// the program folder on every system, "/" too.
void DumpTest::galaxyFileNamesWithBackslashes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("file");
    QTest::newRow("one folder") << QStringLiteral("sub\\alpha.gxy") << QStringLiteral("sub/alpha.gxy");
    QTest::newRow("two folders") << QStringLiteral("sub\\deeper\\alpha.gxy") << QStringLiteral("sub/deeper/alpha.gxy");
    QTest::newRow("this folder first") << QStringLiteral(".\\sub\\alpha.gxy") << QStringLiteral("sub/alpha.gxy");
    QTest::newRow("up again") << QStringLiteral("sub\\..\\alpha.gxy") << QStringLiteral("alpha.gxy");
    QTest::newRow("both separators") << QStringLiteral("sub/deeper\\alpha.gxy")
                                     << QStringLiteral("sub/deeper/alpha.gxy");
    QTest::newRow("forward slashes") << QStringLiteral("sub/alpha.gxy") << QStringLiteral("sub/alpha.gxy");
}

void DumpTest::galaxyFileNamesWithBackslashes()
{
    QFETCH(QString, typed);
    QFETCH(QString, file);
    Workspace workspace;
    QVERIFY(QDir(workspace.folder()).mkpath(QStringLiteral("sub/deeper")));
    QVERIFY(WriteGalaxy(workspace.file(file), {Record(77, 1, {{0.5F, 0.3F}})}));
    StoreGalaxy(1, QStringLiteral("Alpha"), typed);
    QPointer<frmQuarrimax> window = Start();
    // The selection opens the file without a message; the name stays as typed.
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QCOMPARE(Declare::pstrCurrentGalaxyFile, typed);
    QVERIFY(Declare::GalaxyFileExists(typed));
    SetThresholds(window, QStringLiteral("0"), QStringLiteral("0"));
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(workspace.report()), kReportHeader + "77.A" + Blanks(10) + "50" + Blanks(11) + "30\r\n");
    // The report stays in the program folder itself.
    QVERIFY(!QFileInfo::exists(workspace.file(QStringLiteral("sub/dump.txt"))));
    Stop(window);
}

// With no folder sub, a file that happens to carry a backslash in its name on
// Linux or macOS is not taken for sub\alpha.gxy: the galaxy is missing.
void DumpTest::backslashNamesAFolderNotAFileName()
{
#ifdef Q_OS_WIN
    QSKIP("on Windows no file name holds a backslash");
#endif
    Workspace workspace;
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("sub\\alpha.gxy")), {Record(77, 1, {{0.5F, 0.3F}})}));
    StoreGalaxy(1, QStringLiteral("Alpha"), QStringLiteral("sub\\alpha.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().title, kMissingTitle);
    QCOMPARE(workspace.platform().boxes.first().text, MissingText(QStringLiteral("Alpha")));
    QVERIFY(!Declare::openGalaxyFile.isOpen());
    // Once the file is in the folder sub, the name finds it.
    QVERIFY(QDir(workspace.folder()).mkpath(QStringLiteral("sub")));
    QVERIFY(QFile::rename(workspace.file(QStringLiteral("sub\\alpha.gxy")),
                          workspace.file(QStringLiteral("sub/alpha.gxy"))));
    QVERIFY(Declare::GalaxyFileExists(QStringLiteral("sub\\alpha.gxy")));
    Stop(window);
}

// After a Save nothing is selected, while the last selection's file name stays
// current: with that file gone the message names entry 0, which is empty.
void DumpTest::missingFileAfterSaveNamesTheEmptyEntry()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    QVERIFY(UseEditor(
        window, [](QDialog* editor) { QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton); }));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentIndex(), -1);
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("layout.gxy"));
    QVERIFY(QFile::remove(workspace.file(QStringLiteral("layout.gxy"))));
    QUARRIMAX_SKIP_WHERE_THE_DELETE_IS_UNSEEN(workspace.file(QStringLiteral("layout.gxy")));
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().text,
             QStringLiteral("The file associated with the galaxy  doesn't exist, please modify the Galaxy List!"));
    QVERIFY(!QFileInfo::exists(workspace.report()));
    Stop(window);
}

void DumpTest::galaxyWithoutFileNameFailsAfterTheHeader()
{
    Workspace workspace;
    StoreGalaxy(1, QStringLiteral("Blank"), QString());
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(workspace.platform().boxes.size(), 1); // the selection's own message
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 2);
    const Box box = workspace.platform().boxes.last();
    QCOMPARE(box.title, QStringLiteral("Critical Error"));
    QCOMPARE(box.text, kGeneric);
    QCOMPARE(box.icon, platform::MessageIcon::Critical);
    QCOMPARE(box.buttons, platform::MessageButtons::Ok);
    QVERIFY(!box.busyPointer);
    QVERIFY(NoPointerOverride());
    QCOMPARE(ReadAll(workspace.report()), kReportHeader);
    Stop(window);
}

void DumpTest::undeletableReportFailsBeforeTheHeader()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    // A folder full of things where the report should be cannot be deleted.
    QVERIFY(QDir().mkpath(workspace.file(QStringLiteral("dump.txt/inside"))));
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().text, kGeneric);
    QVERIFY(!workspace.platform().boxes.first().busyPointer);
    QVERIFY(QFileInfo(workspace.file(QStringLiteral("dump.txt/inside"))).isDir());
    QVERIFY(NoPointerOverride());
    Stop(window);
}

void DumpTest::reportMarkedReadOnlyIsKeptForEveryUser_data()
{
    QTest::addColumn<bool>("asNobody"); // else as the user who runs the tests, root included
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("kept");
    struct Mode {
        const char* name;
        int mode;
        bool kept;
    };
    // Marked read-only means that no one may write the file: no write bit for
    // its owner, its group or anyone else.
    const Mode modes[] = {
        {"read-only for everyone (0444)", 0444, true},      {"readable by its owner only (0400)", 0400, true},
        {"no permissions at all (0000)", 0000, true},       {"writable by its owner (0644)", 0644, false},
        {"writable by its owner only (0200)", 0200, false}, {"writable by its group only (0464)", 0464, false},
        {"writable by others only (0446)", 0446, false},
    };
    for (const Mode& mode : modes) {
#ifdef _WIN32
        // On Windows chmod sets the read-only attribute, the one mark there
        // is, when the owner may not write; the other bits are not kept.
        const bool kept = (mode.mode & 0200) == 0;
#else
        const bool kept = mode.kept;
#endif
        QTest::newRow((QByteArray(mode.name) + " as the user running the tests").constData())
            << false << mode.mode << kept;
        QTest::newRow((QByteArray(mode.name) + " as nobody").constData()) << true << mode.mode << kept;
    }
}

void DumpTest::reportMarkedReadOnlyIsKeptForEveryUser()
{
    QFETCH(bool, asNobody);
    QFETCH(int, mode);
    QFETCH(bool, kept);
    if (asNobody) {
        QUARRIMAX_AS_NOBODY(m_nobody, QProcessEnvironment());
    }
#ifdef _WIN32
    if (kept) {
        QUARRIMAX_NEEDS_READ_ONLY_KEPT();
    }
#endif
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    const QByteArray old = "an old report\r\n";
    QVERIFY(WriteFile(workspace.report(), old));
    QCOMPARE(::chmod(QFile::encodeName(workspace.report()).constData(), static_cast<mode_t>(mode)), 0);
    const QFileDevice::Permissions marked = QFileInfo(workspace.report()).permissions();
    Dump(window);
    if (kept) {
        // Kept like a report that cannot be deleted: the generic message, and
        // the old report as it was.
        QCOMPARE(workspace.platform().boxes.size(), 1);
        QCOMPARE(workspace.platform().boxes.first().text, kGeneric);
        QVERIFY(!workspace.platform().boxes.first().busyPointer);
        QCOMPARE(QFileInfo(workspace.report()).permissions(), marked);
        QVERIFY(QFile::setPermissions(workspace.report(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(ReadAll(workspace.report()), old);
    } else {
        QCOMPARE(workspace.platform().boxes.size(), 0);
        QVERIFY(ReadAll(workspace.report()).startsWith(kReportHeader));
    }
    QVERIFY(NoPointerOverride());
    Stop(window);
}

void DumpTest::refusedOptionsStopTheDump()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    QVERIFY(WriteFile(workspace.report(), "kept\r\n"));
    QVERIFY(workspace.refuseWrites());
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().title, QStringLiteral("Critical Error"));
    QCOMPARE(workspace.platform().boxes.first().text, kGeneric);
    QVERIFY(!workspace.platform().boxes.first().busyPointer);
    QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));
    QVERIFY(NoPointerOverride());
    Stop(window);
}

void DumpTest::overflowStopsTheReportAndClosesIt()
{
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("odd.gxy"));
    const float huge = std::numeric_limits<float>::max();
    QVERIFY(
        WriteGalaxy(path, {Record(1, 1, {{0.5F, 0.5F}}), Record(2, 1, {{huge, 0.5F}}), Record(3, 1, {{0.5F, 0.5F}})}));
    StoreGalaxy(1, QStringLiteral("Odd"), QStringLiteral("odd.gxy"));
    QPointer<frmQuarrimax> window = Start();
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().text, kGeneric);
    QVERIFY(!workspace.platform().boxes.first().busyPointer);
    QCOMPARE(ReadAll(workspace.report()), kReportHeader + "1.A" + Blanks(11) + "50" + Blanks(11) + "50\r\n");
    // The report was closed: once the galaxy is mended the next dump replaces it.
    QVERIFY(WriteGalaxy(path, {Record(3, 1, {{0.5F, 0.5F}})}));
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(ReadAll(workspace.report()), kReportHeader + "3.A" + Blanks(11) + "50" + Blanks(11) + "50\r\n");
    Stop(window);
}

void DumpTest::notePadStartsTheEditorOnTheReport()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    ChooseNotePad(window);
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(workspace.platform().launches, QList<QString>{QDir::toNativeSeparators(workspace.report())});
    QVERIFY(ReadAll(workspace.report()).startsWith(kReportHeader));
    QVERIFY(NoPointerOverride());
    Stop(window);
}

void DumpTest::notePadMissingIsSaidAfterTheReport()
{
    Workspace workspace;
    workspace.platform().editorPresent = false;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    SetThresholds(window, QStringLiteral("20"), QStringLiteral("5"));
    ChooseNotePad(window);
    QByteArray reportDuringBox;
    workspace.platform().onBox = [&](const Box&) { reportDuringBox = ReadAll(workspace.report()); };
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    const Box box = workspace.platform().boxes.first();
    QCOMPARE(box.title, QStringLiteral("Error Opening notepad"));
    QCOMPARE(box.text,
             QStringLiteral("Notepad.exe not Found in dir C:\\windows\\ please use the built in text displayer"));
    QCOMPARE(box.icon, platform::MessageIcon::Critical);
    QVERIFY(box.busyPointer);
    QCOMPARE(reportDuringBox, LayoutReport(false, '.'));
    QVERIFY(workspace.platform().launches.isEmpty());
    QVERIFY(NoPointerOverride());
    Stop(window);
}

void DumpTest::editorThatWillNotStartIsAFailure()
{
    Workspace workspace;
    workspace.platform().editorStarts = false;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    ChooseNotePad(window);
    Dump(window);
    QCOMPARE(workspace.platform().launches.size(), 1);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().text, kGeneric);
    QVERIFY(!workspace.platform().boxes.first().busyPointer);
    QVERIFY(ReadAll(workspace.report()).startsWith(kReportHeader));
    Stop(window);
}

void DumpTest::builtInViewerChoiceShowsNoMessage()
{
    Workspace workspace;
    workspace.platform().editorPresent = false;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    QTest::mouseClick(Find<QCheckBox>(window, "chkOpen"), Qt::LeftButton);
    QVERIFY(Find<QRadioButton>(window, "optQuarrimax")->isChecked());
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(workspace.platform().launches.isEmpty());
    const QByteArray report = ReadAll(workspace.report());
    QVERIFY(report.startsWith(kReportHeader));
    QVERIFY(NoPointerOverride());

    // The viewer shows the new report; a second dump only brings it forward.
    QPointer<frmOpenText> viewer = Opened<frmOpenText>();
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->txtReport->toPlainText().toLatin1(), QByteArray(report).replace("\r\n", "\n"));
    SetThresholds(window, QStringLiteral("99"), QStringLiteral("99"));
    Dump(window);
    QCOMPARE(Opened<frmOpenText>(), viewer.data());
    QCOMPARE(viewer->txtReport->toPlainText().toLatin1(), QByteArray(report).replace("\r\n", "\n"));
    QVERIFY(ReadAll(workspace.report()) != report);
    viewer->close();
    Stop(window);
}

void DumpTest::mergeCommandsOpenOneMergeWindow()
{
    Workspace workspace;
    QPointer<frmQuarrimax> window = Start();
    QTest::mouseClick(Find<QPushButton>(window, "cmdMerge"), Qt::LeftButton);
    QPointer<frmMerge> merge = Opened<frmMerge>();
    QVERIFY(merge && merge->isVisible());
    Find<QAction>(window, "mnuMerge")->trigger();
    QCOMPARE(Opened<frmMerge>(), merge.data());
    // Closing the main window leaves the merge window open.
    window->close();
    QVERIFY(merge && merge->isVisible());
    merge->close();
    Stop(window);
}

void DumpTest::reportNotOpenedWhenNotAsked()
{
    Workspace workspace;
    workspace.platform().editorPresent = false;
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    // Notepad chosen, then "Open After Dumping" cleared again.
    ChooseNotePad(window);
    QTest::mouseClick(Find<QCheckBox>(window, "chkOpen"), Qt::LeftButton);
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(workspace.platform().launches.isEmpty());
    Stop(window);
}

void DumpTest::reportLinkIsReplacedNotFollowed_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("link to a file") << true;
    QTest::newRow("link that leads nowhere") << false;
}

void DumpTest::reportLinkIsReplacedNotFollowed()
{
    QFETCH(bool, targetExists);
    Workspace workspace;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("precious.txt"));
    if (targetExists) {
        QVERIFY(WriteFile(target, "keep me"));
    }
    QVERIFY(QFile::link(target, workspace.report()));
    QPointer<frmQuarrimax> window = StartOnLayoutGalaxy(workspace);
    QVERIFY(window);
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(!QFileInfo(workspace.report()).isSymLink());
    QVERIFY(ReadAll(workspace.report()).startsWith(kReportHeader));
    QCOMPARE(QFileInfo::exists(target), targetExists);
    if (targetExists) {
        QCOMPARE(ReadAll(target), QByteArray("keep me"));
    }
    Stop(window);
}

QTEST_MAIN(DumpTest)
#include "tst_dump.moc"
