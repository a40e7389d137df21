// Where the program meets the system's own rules: the command line the
// external editor is started with, the decimal separator of the user's
// regional setting, what a galaxy file name means (on Windows blanks and dots
// at its end do not count, and a path may be longer than 260 characters), and
// a galaxy file deleted while it is selected.
#include "MainWindowDriver.h"
#include "UiFixture.h"
#include "galaxy/GalaxyFile.h"
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "support/DeletedWhileOpen.h"
#include "support/MessageTexts.h"
#include "support/PlanetLines.h"
#include "windows/frmMerge.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace uitest;
using testsupport::kMissingTitle;
using testsupport::MissingText;
using Box = testsupport::ScriptedPlatform::Box;

namespace {

// Two planets, the second with a fraction in its Hab value.
std::vector<galaxy::SystemRecord> SmallGalaxy()
{
    return {Record(12, 2, {{0.5F, 0.3F}, {0.375F, 0.08F}})};
}

// The report of SmallGalaxy with the thresholds 0 and 0, without the rating.
QByteArray SmallReport(char separator)
{
    return testsupport::Report(
        {testsupport::PlanetLine(QStringLiteral("12.A"), QStringLiteral("50"), QStringLiteral("30")),
         testsupport::PlanetLine(QStringLiteral("12.B"),
                                 QStringLiteral("37") + QLatin1Char(separator) + QStringLiteral("5"),
                                 QStringLiteral("8"))});
}

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Sets the dump's options as the tests here want them, whatever the store
// held: thresholds 0 and 0, no rating column, and the report opened after
// the dump only when asked.
void SetOptions(frmQuarrimax* window, bool openAfterDumping = false)
{
    if (!Find<QLineEdit>(window, "txtMinHab")->isEnabled()) {
        QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    }
    for (const char* name : {"txtMinHab", "txtMinMetal"}) {
        auto* box = Find<QLineEdit>(window, name);
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QStringLiteral("0"));
    }
    for (auto [name, ticked] : {std::pair{"chkRating", false}, std::pair{"chkOpen", openAfterDumping}}) {
        auto* box = Find<QCheckBox>(window, name);
        if (box->isChecked() != ticked) {
            QTest::mouseClick(box, Qt::LeftButton);
        }
    }
}

void ChooseNotePad(frmQuarrimax* window)
{
    SetOptions(window, true);
    QTest::mouseClick(Find<QRadioButton>(window, "optNotePad"), Qt::LeftButton);
}

// Makes the folder, below the workspace's, the program folder.
QString UseProgramFolder(Workspace& workspace, const QString& below)
{
    const QString folder = workspace.file(below);
    if (!QDir().mkpath(folder)) {
        return QString();
    }
    workspace.platform().folder = Native(folder);
    return folder;
}

// The desktop's own external editor, with a stand-in that records how it was
// started in the editor's place; everything else the scripted services answer.
class RecordingEditor final : public platform::ForwardingPlatform {
public:
    // Copies the stand-in into the folder, under Notepad's name.
    RecordingEditor(platform::Platform& scripted, const QString& folder)
        : ForwardingPlatform(scripted), m_folder(folder), m_program(Native(QDir(folder).filePath(kName)))
    {
        const QString standIn =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../") + QStringLiteral(QUARRIMAX_EDITOR_STANDIN);
        m_ready = QDir().mkpath(folder) && QFile::copy(standIn, m_program);
    }

    bool ready() const { return m_ready; }
    const QString& program() const { return m_program; }

    bool externalEditorExists() const override { return m_editor.externalEditorExists(); }
    bool startExternalEditor(const QString& filePath) override { return m_editor.startExternalEditor(filePath); }

    // What the stand-in recorded, once it has; empty when it never ran.
    QString commandLine() const
    {
        QFile record(QDir(m_folder).filePath(QStringLiteral("commandline.txt")));
        if (!record.open(QIODevice::ReadOnly)) {
            return QString();
        }
        return QString::fromUtf8(record.readAll());
    }

    // The record the program's command line should leave for this file.
    QString expectedFor(const QString& filePath) const
    {
#ifdef Q_OS_WIN
        // The editor's path, a blank and the file's path, neither quoted.
        return m_program + QLatin1Char(' ') + filePath;
#else
        // The file's path as the one argument.
        return filePath + QLatin1Char('\n');
#endif
    }

private:
#ifdef Q_OS_WIN
    static inline const QString kName = QStringLiteral("notepad.exe");
#else
    static inline const QString kName = QStringLiteral("notepad");
#endif
    QString m_folder;
    QString m_program;
    bool m_ready = false;
    platform::DesktopPlatform m_editor{m_program};
};

constexpr int kStartTimeoutMs = 30000;

#ifdef Q_OS_WIN
bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Sets the decimal separator of the user's regional setting through the
// system, as the regional options do, and puts the old one back at its end.
class RegionalDecimal {
public:
    explicit RegionalDecimal(const QString& separator)
    {
        wchar_t old[8] = {};
        m_read = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, old, 8) > 0;
        m_previous = QString::fromWCharArray(old);
        m_set = m_read
                && SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL,
                                  reinterpret_cast<const wchar_t*>(separator.utf16()));
    }
    ~RegionalDecimal()
    {
        if (m_read) {
            SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, reinterpret_cast<const wchar_t*>(m_previous.utf16()));
        }
    }
    RegionalDecimal(const RegionalDecimal&) = delete;
    RegionalDecimal& operator=(const RegionalDecimal&) = delete;

    bool set() const { return m_set; }

private:
    QString m_previous;
    bool m_read = false;
    bool m_set = false;
};
#endif

} // namespace

class SystemRulesTest : public QObject {
    Q_OBJECT

private slots:
    void notePadGetsTheReportOnItsCommandLine_data();
    void notePadGetsTheReportOnItsCommandLine();
    void tooBigReportGoesToNotePadTheSameWay();
    void reportTakesTheRegionalDecimalSeparator_data();
    void reportTakesTheRegionalDecimalSeparator();
    void galaxyFileNamesMeanWhatTheSystemOpens_data();
    void galaxyFileNamesMeanWhatTheSystemOpens();
    void longPathsWork();
    void galaxyDeletedWhileSelectedIsMissing_data();
    void galaxyDeletedWhileSelectedIsMissing();
    void galaxyReplacedWhileSelectedIsReadAnew_data();
    void galaxyReplacedWhileSelectedIsReadAnew();
    void programFolderIsTheExecutablesFolder();
    void mergeFailureTellsTheSystemsNumberAndText();
    void mergeSourceNameMeansWhatTheSystemOpens();
};

void SystemRulesTest::notePadGetsTheReportOnItsCommandLine_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("editorFolder");
    QTest::newRow("plain folders") << "game"
                                   << "editor";
    QTest::newRow("blanks in the program folder") << "My Games/Quarrimax 2"
                                                  << "editor";
    QTest::newRow("blanks in both folders") << "My Games/Quarrimax 2"
                                            << "Windows Folder/sys tem";
}

void SystemRulesTest::notePadGetsTheReportOnItsCommandLine()
{
    QFETCH(QString, programFolder);
    QFETCH(QString, editorFolder);
    Workspace workspace;
    const QString folder = UseProgramFolder(workspace, programFolder);
    QVERIFY(!folder.isEmpty());
    RecordingEditor editor(workspace.platform(), workspace.file(editorFolder));
    QVERIFY2(editor.ready(), "the editor stand-in could not be copied from beside the test folder");
    QVERIFY(WriteGalaxy(QDir(folder).filePath(QStringLiteral("small.gxy")), SmallGalaxy()));
    StoreGalaxy(1, QStringLiteral("Small"), QStringLiteral("small.gxy"));
    QPointer<frmQuarrimax> window = Start(editor);
    ChooseNotePad(window);
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!editor.commandLine().isEmpty(), kStartTimeoutMs);
    QCOMPARE(editor.commandLine(), editor.expectedFor(Native(folder) + QDir::separator() + QStringLiteral("dump.txt")));
    Stop(window);
}

void SystemRulesTest::tooBigReportGoesToNotePadTheSameWay()
{
    Workspace workspace;
    const QString folder = UseProgramFolder(workspace, QStringLiteral("My Games/Quarrimax 2"));
    QVERIFY(!folder.isEmpty());
    RecordingEditor editor(workspace.platform(), workspace.file(QStringLiteral("Windows Folder")));
    QVERIFY2(editor.ready(), "the editor stand-in could not be copied from beside the test folder");
    // More characters than a text document counts, in a file that takes no
    // room on the disk.
    QFile report(QDir(folder).filePath(QStringLiteral("dump.txt")));
    QVERIFY(report.open(QIODevice::WriteOnly) && report.resize(qint64(std::numeric_limits<int>::max()) + 1));
    report.close();
    workspace.platform().answers.enqueue(platform::MessageAnswer::Yes);
    QCOMPARE(frmOpenText::Show(editor), nullptr);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().title, QStringLiteral("File Size too big"));
    QTRY_VERIFY_WITH_TIMEOUT(!editor.commandLine().isEmpty(), kStartTimeoutMs);
    QCOMPARE(editor.commandLine(), editor.expectedFor(Native(folder) + QDir::separator() + QStringLiteral("dump.txt")));
}

void SystemRulesTest::reportTakesTheRegionalDecimalSeparator_data()
{
    QTest::addColumn<QString>("separator");
    QTest::newRow("comma") << ",";
    QTest::newRow("period") << ".";
}

void SystemRulesTest::reportTakesTheRegionalDecimalSeparator()
{
#ifndef Q_OS_WIN
    QSKIP("the regional setting of Windows; elsewhere the report follows the locale, as the dump's tests check");
#else
    if (!UnderWine()) {
        QSKIP("changes the user's own regional setting for a moment; runs under Wine, in a prefix of the tests' own");
    }
    QFETCH(QString, separator);
    QLocale::setDefault(QLocale::system());
    Workspace workspace;
    RegionalDecimal regional(separator);
    QVERIFY(regional.set());
    // The setting the regional options keep, which the report is to follow.
    const QSettings international(QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\International"),
                                  QSettings::NativeFormat);
    QCOMPARE(international.value(QStringLiteral("sDecimal")).toString(), separator);
    QVERIFY(WriteGalaxy(workspace.file(QStringLiteral("small.gxy")), SmallGalaxy()));
    StoreGalaxy(1, QStringLiteral("Small"), QStringLiteral("small.gxy"));
    QPointer<frmQuarrimax> window = Start();
    SetOptions(window);
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(workspace.report()), SmallReport(separator.at(0).toLatin1()));
    Stop(window);
#endif
}

void SystemRulesTest::galaxyFileNamesMeanWhatTheSystemOpens_data()
{
    // The Galaxy List names the file as typed; on Windows blanks and dots at
    // the end of a name are not part of it, elsewhere they are.
    QTest::addColumn<QString>("listedName");
    QTest::addColumn<QString>("fileOnDisk");
    QTest::addColumn<bool>("sameFile");
#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    QTest::newRow("as it is") << "alpha.gxy"
                              << "alpha.gxy" << true;
    QTest::newRow("trailing blank") << "alpha.gxy "
                                    << "alpha.gxy" << windows;
    QTest::newRow("trailing blanks") << "alpha.gxy   "
                                     << "alpha.gxy" << windows;
    QTest::newRow("trailing dot") << "alpha.gxy."
                                  << "alpha.gxy" << windows;
    QTest::newRow("trailing dots and blanks") << "alpha.gxy. . "
                                              << "alpha.gxy" << windows;
    QTest::newRow("in a folder, with \\") << "sub\\alpha.gxy"
                                          << "sub/alpha.gxy" << true;
    QTest::newRow("in a folder, trailing blank") << "sub\\alpha.gxy "
                                                 << "sub/alpha.gxy" << windows;
}

void SystemRulesTest::galaxyFileNamesMeanWhatTheSystemOpens()
{
    QFETCH(QString, listedName);
    QFETCH(QString, fileOnDisk);
    QFETCH(bool, sameFile);
    Workspace workspace;
    QVERIFY(QDir(workspace.folder()).mkpath(QStringLiteral("sub")));
    QVERIFY(WriteGalaxy(workspace.file(fileOnDisk), SmallGalaxy()));
    StoreGalaxy(1, QStringLiteral("Alpha"), listedName);
    // The existence check and the open agree: either the file is found and
    // dumped, or it is missing for both.
    QCOMPARE(Declare::GalaxyFileExists(listedName), sameFile);
    QPointer<frmQuarrimax> window = Start();
    SetOptions(window);
    QCOMPARE(Declare::openGalaxyFile.isOpen(), sameFile);
    if (sameFile) {
        QVERIFY(workspace.platform().boxes.isEmpty());
        Dump(window);
        QVERIFY(workspace.platform().boxes.isEmpty());
        QCOMPARE(ReadAll(workspace.report()), SmallReport('.'));
    } else {
        QCOMPARE(workspace.platform().boxes.size(), 1);
        QCOMPARE(workspace.platform().boxes.first().text, MissingText(QStringLiteral("Alpha")));
        Dump(window);
        QCOMPARE(workspace.platform().boxes.size(), 2);
        QCOMPARE(workspace.platform().boxes.last().title, kMissingTitle);
        QVERIFY(!QFileInfo::exists(workspace.report()));
    }
    Stop(window);
}

void SystemRulesTest::longPathsWork()
{
    // A program folder whose galaxy and report paths are longer than 260
    // characters, the old limit of Windows paths.
    Workspace workspace;
    const QString below = QString(90, QLatin1Char('a')) + QLatin1Char('/') + QString(90, QLatin1Char('b'))
                          + QLatin1Char('/') + QString(90, QLatin1Char('c'));
    const QString folder = UseProgramFolder(workspace, below);
    QVERIFY(!folder.isEmpty());
    const QString name = QString(20, QLatin1Char('g')) + QStringLiteral(".gxy");
    QVERIFY(Native(folder + QLatin1Char('/') + name).size() > 260);
    QVERIFY(WriteGalaxy(QDir(folder).filePath(name), SmallGalaxy()));
    StoreGalaxy(1, QStringLiteral("Far"), name);
    QVERIFY(Declare::GalaxyFileExists(name));
    QPointer<frmQuarrimax> window = Start();
    SetOptions(window);
    QVERIFY(Declare::openGalaxyFile.isOpen());
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("dump.txt"))), SmallReport('.'));
    // The next dump replaces the report there.
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("dump.txt"))), SmallReport('.'));
    Stop(window);
}

void SystemRulesTest::galaxyDeletedWhileSelectedIsMissing_data()
{
    QTest::addColumn<bool>("selectAgain");
    QTest::newRow("the dump's check") << false;
    QTest::newRow("the selection's check") << true;
}

void SystemRulesTest::galaxyDeletedWhileSelectedIsMissing()
{
    QFETCH(bool, selectAgain);
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("gone.gxy"));
    QVERIFY(WriteGalaxy(path, SmallGalaxy()));
    StoreGalaxy(1, QStringLiteral("Gone"), QStringLiteral("gone.gxy"));
    // The game holds the file open too, as it does while it plays.
    galaxy::GalaxyFile game;
    QVERIFY(game.open(Declare::FsPath(Native(path)), galaxy::GalaxyFile::Mode::ReadShared).ok());
    QPointer<frmQuarrimax> window = Start();
    SetOptions(window);
    QVERIFY(Declare::openGalaxyFile.isOpen());
    QVERIFY(QFile::remove(path));
    QUARRIMAX_SKIP_WHERE_THE_DELETE_IS_UNSEEN(path);
    QVERIFY(!Declare::GalaxyFileExists(QStringLiteral("gone.gxy")));
    if (selectAgain) {
        emit Find<QComboBox>(window, "cboGalaxies")->activated(0);
        QVERIFY(!Declare::openGalaxyFile.isOpen());
        QCOMPARE(workspace.platform().boxes.size(), 1);
        QCOMPARE(workspace.platform().boxes.first().title, kMissingTitle);
        QCOMPARE(workspace.platform().boxes.first().text, MissingText(QStringLiteral("Gone")));
    }
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), selectAgain ? 2 : 1);
    QCOMPARE(workspace.platform().boxes.last().title, kMissingTitle);
    QCOMPARE(workspace.platform().boxes.last().text, MissingText(QStringLiteral("Gone")));
    QVERIFY(!QFileInfo::exists(workspace.report()));
    Stop(window);
    QVERIFY(game.close().ok());
}

void SystemRulesTest::galaxyReplacedWhileSelectedIsReadAnew_data()
{
    QTest::addColumn<QString>("how");
    // Windows refuses to rename over a file held open and keeps the name of a
    // deleted one until its last handle closes; it lets a held file be
    // renamed away, though.
    QTest::newRow("renamed away, another renamed into its name") << QStringLiteral("away");
#ifndef Q_OS_WIN
    QTest::newRow("another renamed over it") << QStringLiteral("over");
    QTest::newRow("deleted and made anew") << QStringLiteral("anew");
#endif
}

// Another program puts a new file under the selected galaxy's name (a copy
// program, a backup tool or an editor does): the dump lists its planets, not
// those of the file the selection opened.
void SystemRulesTest::galaxyReplacedWhileSelectedIsReadAnew()
{
    QFETCH(QString, how);
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("home.gxy"));
    const QString fresh = workspace.file(QStringLiteral("fresh.gxy"));
    QVERIFY(WriteGalaxy(path, SmallGalaxy()));
    QVERIFY(WriteGalaxy(fresh, {Record(77, 1, {{0.25F, 0.75F}})}));
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("home.gxy"));
    QPointer<frmQuarrimax> window = Start();
    SetOptions(window);
    QVERIFY(Declare::openGalaxyFile.isOpen());
    // Done by another program where the system lets one.
    if (how == "away") {
        QVERIFY(QFile::rename(path, workspace.file(QStringLiteral("old.gxy"))));
        QVERIFY(QFile::rename(fresh, path));
    } else if (how == "over") {
        QCOMPARE(QProcess::execute(QStringLiteral("mv"), {fresh, path}), 0);
    } else {
        QCOMPARE(
            QProcess::execute(QStringLiteral("sh"),
                              {QStringLiteral("-c"), QStringLiteral("rm \"$0\" && cp \"$1\" \"$0\""), path, fresh}),
            0);
    }
    const QByteArray freshReport = testsupport::Report(
        {testsupport::PlanetLine(QStringLiteral("77.A"), QStringLiteral("25"), QStringLiteral("75"))});
    for (int dump = 0; dump < 2; ++dump) {
        Dump(window);
        QVERIFY(workspace.platform().boxes.isEmpty());
        QCOMPARE(ReadAll(workspace.report()), freshReport);
    }
    QVERIFY(Declare::openGalaxyFile.isFileAt(Declare::FsPath(Native(path))));
    Stop(window);
}

void SystemRulesTest::programFolderIsTheExecutablesFolder()
{
    // The system's own services, not a stand-in.
    const QString folder = platform::SystemServices().programFolder();
#ifdef Q_OS_WIN
    std::wstring self(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    QVERIFY(length > 0 && length < self.size());
    self.resize(length);
    const QString expected = QString::fromStdWString(self.substr(0, self.find_last_of(L'\\')));
    QVERIFY2(!folder.contains(QLatin1Char('/')), qPrintable(folder));
    QCOMPARE(folder.toLower(), expected.toLower());
#else
    QCOMPARE(folder, QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2));
#endif
}

void SystemRulesTest::mergeFailureTellsTheSystemsNumberAndText()
{
    // A target in a folder that is not there: the system's own error number
    // and its own text for it.
    Workspace workspace;
    const QString source = workspace.file(QStringLiteral("source.gxy"));
    QVERIFY(WriteGalaxy(source, SmallGalaxy()));
    frmMerge* merge = frmMerge::Show(Desktop());
    merge->txtMergeIn->setText(Native(workspace.file(QStringLiteral("no folder/target.gxy"))));
    merge->txtMergeFrom->setText(Native(source));
    merge->cmdStart_Click();
#ifdef Q_OS_WIN
    const int number = ERROR_PATH_NOT_FOUND;
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   number, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString description = QString::fromWCharArray(text).trimmed();
    LocalFree(text);
#else
    const int number = ENOENT;
    const QString description = QString::fromLocal8Bit(std::strerror(ENOENT));
#endif
    QVERIFY(!description.isEmpty());
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(workspace.platform().boxes.first().title, QStringLiteral("Merge Failed"));
    QCOMPARE(workspace.platform().boxes.first().text, QStringLiteral("The following unexpected Error Occured:")
                                                          + QString::number(number) + QLatin1Char(':') + description
                                                          + QStringLiteral(" The merge will stop here."));
    delete Opened<frmMerge>();
}

void SystemRulesTest::mergeSourceNameMeansWhatTheSystemOpens()
{
    // The source named with a blank at its end: on Windows that is the file
    // without it, and the merge takes it; elsewhere no such file exists.
    Workspace workspace;
    const QString source = workspace.file(QStringLiteral("source.gxy"));
    const QString target = workspace.file(QStringLiteral("target.gxy"));
    QVERIFY(WriteGalaxy(source, SmallGalaxy()));
    frmMerge* merge = frmMerge::Show(Desktop());
    merge->txtMergeIn->setText(Native(target));
    merge->txtMergeFrom->setText(Native(source) + QStringLiteral(" "));
    merge->cmdStart_Click();
    QCOMPARE(workspace.platform().boxes.size(), 1);
#ifdef Q_OS_WIN
    QCOMPARE(workspace.platform().boxes.first().title, QStringLiteral("Merge Successful"));
    QCOMPARE(ReadAll(target).mid(4), ReadAll(source).mid(4));
#else
    QCOMPARE(workspace.platform().boxes.first().title, QStringLiteral("File Not Found"));
    QVERIFY(!QFileInfo::exists(target));
#endif
    delete Opened<frmMerge>();
}

QTEST_MAIN(SystemRulesTest)
#include "tst_systemrules.moc"
