// Faults met through the windows: writes that stop part-way, files and
// folders that refuse the program, folders and pipes where files belong, a
// settings store that refuses writes or holds garbage, and odd input of every
// kind: galaxy files, threshold texts, galaxy names and file names. Cases
// that rest on permissions run as the ordinary user "nobody" when the tests
// run as root.
#include "MainWindowDriver.h"
#include "UiFixture.h"
#include "galaxy/GalaxyError.h"
#include "galaxy/GalaxyFile.h"
#include "support/AsNobody.h"
#include "support/DeletedWhileOpen.h"
#include "support/FileSizeCap.h"
#include "support/FullDisk.h"
#include "support/GalaxyBuilder.h"
#include "support/MessageTexts.h"
#include "support/OpenHandles.h"
#include "support/PlanetLines.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmMerge.h"
#include "windows/frmQuarrimax.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <thread>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

using namespace uitest;
using testsupport::FileSizeCap;
using testsupport::kGeneric;
using testsupport::kMissingTitle;
using testsupport::kReportHeader;
using testsupport::MissingText;
using testsupport::OpenHandlesTo;
using testsupport::PlanetLine;
using testsupport::PlanetLines;
using Box = testsupport::ScriptedPlatform::Box;
using platform::MessageIcon;

namespace {

const QString kNoSourceText = QStringLiteral("The file to merge From MUST exist");
const QString kMergeDone = QStringLiteral("Merge completed Successfully");
const QByteArray kZeroHeader(4, '\0');
constexpr int kRecordSize = 492;
// The folder that a case run as nobody gets from root, in its environment.
const QString kFolderVariable = QStringLiteral("QUARRIMAX_TEST_FOLDER");

// One system record: its planets in slots 1, 2, ...; by default one of 50 and 50.
QByteArray Rec(qint16 system, qint16 count = 1, std::initializer_list<Planet> planets = {{0.5F, 0.5F}})
{
    return testsupport::RecordBytes(Record(system, count, planets));
}

QStringList Texts(const QList<Box>& boxes, qsizetype from = 0)
{
    QStringList texts;
    for (qsizetype i = from; i < boxes.size(); ++i) {
        texts.append(boxes[i].text);
    }
    return texts;
}

QString MergeFailure(int number, const QString& description)
{
    return QStringLiteral("The following unexpected Error Occured:") + QString::number(number) + QStringLiteral(":")
           + description + QStringLiteral(" The merge will stop here.");
}

// The message of a merge that the system refused, by its C error number; on
// Windows the system's own number and text for it.
QString MergeFailure(int error)
{
#ifdef _WIN32
    const unsigned long code = error == EACCES ? ERROR_ACCESS_DENIED : static_cast<unsigned long>(error);
    const galaxy::GalaxyResult refused = galaxy::GalaxyResult::FromSystemError(code);
    return MergeFailure(refused.number(), QString::fromStdString(refused.description()));
#else
    return MergeFailure(error, QString::fromLocal8Bit(std::strerror(error)));
#endif
}

// The message of a merge into a file whose name the system refuses (a name
// part longer than any the file system holds): the system's own number and
// text for that name, as creating the file outside the program gets them.
QString MergeFailureForName(const QString& path)
{
#ifdef _WIN32
    const HANDLE handle = CreateFileW(galaxy::SystemPath(Declare::FsPath(path)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return QStringLiteral("(the system took the name)");
    }
    const galaxy::GalaxyResult refused = galaxy::GalaxyResult::FromSystemError(GetLastError());
    return MergeFailure(refused.number(), QString::fromStdString(refused.description()));
#else
    (void)path;
    return MergeFailure(ENAMETOOLONG);
#endif
}

// On Windows a file carries one permission, the read-only attribute, which
// chmod sets when the owner may not write: it keeps a file from being
// written, but it cannot keep one from being read, folders ignore it, and
// files have no other owners. A case built on the others is skipped there.
#ifdef _WIN32
#define QUARRIMAX_NEEDS_PERMISSION_BITS(needed)                                                                        \
    do {                                                                                                               \
        if (needed) {                                                                                                  \
            QSKIP("Windows has no permission to read a file, nor to write in a folder, nor other owners");             \
        }                                                                                                              \
    } while (false)
// Windows forbids some characters in file names, the quote among them.
#define QUARRIMAX_NEEDS_A_POSSIBLE_FILE_NAME(name)                                                                     \
    do {                                                                                                               \
        if ((name).contains(QRegularExpression(QStringLiteral("[<>:\"|?*]")))) {                                       \
            QSKIP("Windows forbids the characters < > : \" | ? * in file names");                                      \
        }                                                                                                              \
    } while (false)
// On Windows the settings are in the registry: there is no store file.
#define QUARRIMAX_NEEDS_A_STORE_FILE() QSKIP("on Windows the settings are kept in the registry, not in a file")
#else
#define QUARRIMAX_NEEDS_PERMISSION_BITS(needed)                                                                        \
    do {                                                                                                               \
    } while (false)
#define QUARRIMAX_NEEDS_A_STORE_FILE()                                                                                 \
    do {                                                                                                               \
    } while (false)
#define QUARRIMAX_NEEDS_A_POSSIBLE_FILE_NAME(name)                                                                     \
    do {                                                                                                               \
    } while (false)
#endif

// The file that a name means to the system, as the program and the game
// open it: on Windows without the blanks and dots that end it. Qt's own file
// access keeps those, so the tests create and read files under this name.
QString SystemFileName(const QString& path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(galaxy::SystemPath(Declare::FsPath(path)).wstring());
#else
    return path;
#endif
}

bool NoPointerOverride()
{
    return QApplication::overrideCursor() == nullptr;
}

// Sets a file's or folder's mode and gives it back its old one at the end.
class Mode {
public:
    Mode(const QString& path, mode_t mode) : m_path(QFile::encodeName(path))
    {
        struct stat info {};
        m_ok = ::stat(m_path.constData(), &info) == 0 && ::chmod(m_path.constData(), mode) == 0;
        m_old = info.st_mode & 07777;
    }
    ~Mode()
    {
        if (m_ok) {
            ::chmod(m_path.constData(), m_old);
        }
    }
    Mode(const Mode&) = delete;
    Mode& operator=(const Mode&) = delete;
    bool ok() const { return m_ok; }

private:
    QByteArray m_path;
    mode_t m_old = 0;
    bool m_ok = false;
};

#ifndef _WIN32
// Watches a named pipe from a thread of its own: whenever someone has it
// open for reading, and so waits for a writer, opens it for writing and
// closes it again at once, which lets the reader go on (it reads an empty
// file). A program that opens the pipe is thus caught instead of hanging.
class PipeWatch {
public:
    explicit PipeWatch(const QString& pipe)
        : m_path(QFile::encodeName(pipe)), m_thread([this] {
              while (!m_stop) {
                  const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                  if (fd >= 0) {
                      m_opened = true;
                      ::close(fd);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          })
    {
    }
    ~PipeWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;
    // Whether anyone opened the pipe for reading while it was watched.
    bool opened() const { return m_opened; }

private:
    QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
};

bool IsPipe(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

bool IsCharacterDevice(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}
#endif

// Types a text key by key as a player would; unlike QTest::keyClicks it keeps
// the letters beyond Latin-1.
void Type(QWidget* box, const QString& text)
{
    for (const QChar letter : text) {
        QTest::sendKeyEvent(QTest::Click, box, static_cast<Qt::Key>(letter.toUpper().unicode()), QString(letter),
                            Qt::NoModifier);
    }
}

QLineEdit* EditorBox(const QDialog* editor, const char* stem, int row)
{
    return editor->findChild<QLineEdit*>(QString::fromLatin1(stem) + QString::number(row));
}

// A text of the given length made of a repeated phrase.
QString Repeated(const QString& phrase, qsizetype length)
{
    QString text;
    while (text.size() < length) {
        text += phrase;
    }
    return text.left(length);
}

// The monitor's announcements among the message boxes, told apart from the
// other windows' messages by their title.
QStringList Announcements(const QList<Box>& boxes)
{
    QStringList texts;
    for (const Box& box : boxes) {
        if (box.title == QStringLiteral("Quarrimax2")) {
            texts.append(box.text);
        }
    }
    return texts;
}

} // namespace

class ReliabilityTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QApplication::clipboard()->clear(); }

    void dumpUnderFileSizeCap_data();
    void dumpUnderFileSizeCap();
    void mergeUnderFileSizeCap_data();
    void mergeUnderFileSizeCap();
    void dumpWithRefusedFiles_data();
    void dumpWithRefusedFiles();
    void mergeWithRefusedFiles_data();
    void mergeWithRefusedFiles();
    void monitorLosesReadAccess();
    void storeThatCannotBeWritten_data();
    void storeThatCannotBeWritten();
    void storeOnAFullDisk_data();
    void storeOnAFullDisk();
    void garbageInTheStore_data();
    void garbageInTheStore();
    void storeTurnsToGarbageWhileRunning();
    void storeThatIsNoPlainFile_data();
    void storeThatIsNoPlainFile();
    void storeReachedThroughALink();
    void storeLockedByAnotherWriter();
    void reportNeverWrittenThroughALink();
    void galaxyFileIsAFolderOrPipe_data();
    void galaxyFileIsAFolderOrPipe();
    void mergeWithPipesAndDevices_data();
    void mergeWithPipesAndDevices();
    void mergeIntoAnIncompleteTarget_data();
    void mergeIntoAnIncompleteTarget();
    void oddGalaxyFiles_data();
    void oddGalaxyFiles();
    void oddThresholdTexts_data();
    void oddThresholdTexts();
    void oddGalaxyNames_data();
    void oddGalaxyNames();
    void mergePathsWithOddCharacters_data();
    void mergePathsWithOddCharacters();

private:
    testsupport::NobodyRun m_nobody;
};

// ---------------------------------------------------------------------------
// Writes that stop part-way

void ReliabilityTest::dumpUnderFileSizeCap_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("the store's file cannot be written") << QStringLiteral("store");
    QTest::newRow("the report stops at a line end") << QStringLiteral("line end");
    QTest::newRow("the report stops inside a line") << QStringLiteral("inside a line");
    QTest::newRow("the report stops in a later block") << QStringLiteral("later block");
}

void ReliabilityTest::dumpUnderFileSizeCap()
{
    QUARRIMAX_NEEDS_FILE_SIZE_CAP();
    QFETCH(QString, stop);
    Workspace workspace;
    testsupport::GalaxyBuilder galaxy;
    for (int i = 0; i < 2000; ++i) {
        galaxy.add(static_cast<galaxy::SystemNumber>(i), 2, {{0.5F, 0.25F}, {0.75F, 0.125F}});
    }
    QVERIFY(galaxy.writeTo(workspace.file(QStringLiteral("big.gxy"))));
    StoreGalaxy(1, QStringLiteral("Big"), QStringLiteral("big.gxy"));
    QPointer<frmQuarrimax> window = Start();
    Dump(window);
    const QByteArray complete = ReadAll(workspace.report());
    QVERIFY(workspace.platform().boxes.isEmpty());
    QVERIFY(complete.size() > 100000);
    const QByteArray storeBefore = ReadAll(workspace.storeFile());

    // A new threshold text, so that the store must be written again.
    Find<QLineEdit>(window, "txtMinHab")->setText(QStringLiteral("0"));
    const qint64 firstLineEnd = complete.indexOf("\r\n", 600) + 2;
    const qint64 cap = stop == "store"           ? 16
                       : stop == "line end"      ? firstLineEnd
                       : stop == "inside a line" ? firstLineEnd + 7
                                                 : 64 * 1024 + 1000;
    QVERIFY(stop == "store" ? cap < storeBefore.size() : cap > storeBefore.size() + 64);
    {
        FileSizeCap capped(cap);
        QVERIFY(capped.ok());
        Dump(window);
    }
    QCOMPARE(workspace.platform().boxes.size(), 1);
    const Box box = workspace.platform().boxes.first();
    QCOMPARE(box.title, QStringLiteral("Critical Error"));
    QCOMPARE(box.text, kGeneric);
    QCOMPARE(box.icon, MessageIcon::Critical);
    QVERIFY(!box.busyPointer);
    QVERIFY(NoPointerOverride());
    QCOMPARE(OpenHandlesTo(workspace.report()), 0);
    const QByteArray partial = ReadAll(workspace.report());
    if (stop == "store") {
        QCOMPARE(partial, complete);
        QCOMPARE(ReadAll(workspace.storeFile()), storeBefore);
    } else {
        QVERIFY(partial.size() <= cap);
        QVERIFY(partial.size() > kReportHeader.size());
        QVERIFY(complete.startsWith(partial));
        QVERIFY(partial.endsWith("\r\n"));
        QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("0"));
    }
    if (stop == "line end") {
        QCOMPARE(partial.size(), cap);
    }

    // Nothing holds the report: the next dump replaces it whole.
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 1);
    QCOMPARE(ReadAll(workspace.report()), complete);
    Stop(window);
}

void ReliabilityTest::mergeUnderFileSizeCap_data()
{
    QTest::addColumn<bool>("newTarget");
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("recordsKept");
    QTest::newRow("room for nothing") << false << 0 << 0;
    QTest::newRow("room for part of a record") << false << 100 << 0;
    QTest::newRow("room for two and a half records") << false << 2 * kRecordSize + 246 << 2;
    QTest::newRow("a new target with room for half its header") << true << 2 << 0;
}

void ReliabilityTest::mergeUnderFileSizeCap()
{
    QUARRIMAX_NEEDS_FILE_SIZE_CAP();
    QFETCH(bool, newTarget);
    QFETCH(int, room);
    QFETCH(int, recordsKept);
    Workspace workspace;
    const QString target = workspace.file(QStringLiteral("target.gxy"));
    const QString source = workspace.file(QStringLiteral("source.gxy"));
    const QByteArray targetBytes = newTarget ? QByteArray() : QByteArray("HDR1") + Rec(1);
    QByteArray appended;
    for (qint16 n = 100; n < 110; ++n) {
        appended += Rec(n);
    }
    QVERIFY(WriteFile(source, "SRC9" + appended));
    if (!newTarget) {
        QVERIFY(WriteFile(target, targetBytes));
    }
    frmMerge* window = frmMerge::Show(Desktop());
    window->txtMergeIn->setText(target);
    window->txtMergeFrom->setText(source);
    {
        FileSizeCap capped(targetBytes.size() + room);
        QVERIFY(capped.ok());
        QTest::mouseClick(window->cmdStart, Qt::LeftButton);
    }
    QCOMPARE(workspace.platform().boxes.size(), 1);
    const Box box = workspace.platform().boxes.first();
    QCOMPARE(box.title, QStringLiteral("Merge Failed"));
    QCOMPARE(box.icon, MessageIcon::Critical);
    QCOMPARE(box.text, MergeFailure(EFBIG));
    QVERIFY(!box.busyPointer);
    const QByteArray after = ReadAll(target);
    if (newTarget) {
        // No record, and no half header either: that would be a target that
        // ends in an incomplete record, which no merge takes any more.
        QCOMPARE(after, QByteArray());
    } else {
        QCOMPARE(after, targetBytes + appended.left(kRecordSize * recordsKept));
    }
    QCOMPARE(ReadAll(source), "SRC9" + appended);

    // With room again, Start brings every record over, each exactly once.
    QTest::mouseClick(window->cmdStart, Qt::LeftButton);
    QCOMPARE(Texts(workspace.platform().boxes), (QStringList{MergeFailure(EFBIG), kMergeDone}));
    QCOMPARE(ReadAll(target), (newTarget ? kZeroHeader : targetBytes) + appended);
    delete window;
}

// ---------------------------------------------------------------------------
// Files and folders that refuse the program

void ReliabilityTest::dumpWithRefusedFiles_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<int>("startMessages");
    QTest::addColumn<QByteArray>("reportAfter"); // "<none>" when there is no report
    QTest::newRow("galaxy file that cannot be read") << QStringLiteral("galaxy") << 1 << kReportHeader;
    QTest::newRow("galaxy file replaced by one that cannot be read")
        << QStringLiteral("replaced galaxy") << 0 << QByteArray("kept\r\n");
    QTest::newRow("folder closed to writing, with an old report")
        << QStringLiteral("folder") << 0 << QByteArray("kept\r\n");
    QTest::newRow("folder closed to writing, no report")
        << QStringLiteral("folder, no report") << 0 << QByteArray("<none>");
    QTest::newRow("report marked read-only") << QStringLiteral("read-only report") << 0 << QByteArray("kept\r\n");
    QTest::newRow("report of another user in a shared folder")
        << QStringLiteral("other user's report") << 0 << QByteArray("kept\r\n");
}

void ReliabilityTest::dumpWithRefusedFiles()
{
    QFETCH(QString, refused);
    QFETCH(int, startMessages);
    QFETCH(QByteArray, reportAfter);
    QUARRIMAX_NEEDS_PERMISSION_BITS(refused != "read-only report");
    QUARRIMAX_NEEDS_READ_ONLY_KEPT();
    QProcessEnvironment environment;
    if (refused == "other user's report" && !testsupport::RunningAsNobodyAgain()) {
        if (!testsupport::RunningAsRoot()) {
            QSKIP("giving the report another owner needs root");
        }
        // A folder open to all with the sticky bit, holding root's report.
        const QString shared = m_nobody.sharedFolder();
        QVERIFY(!shared.isEmpty());
        const QString folder = shared + QStringLiteral("/sticky");
        QVERIFY(QDir(folder).removeRecursively() && QDir().mkdir(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 01777), 0);
        QVERIFY(WriteFile(folder + QStringLiteral("/dump.txt"), "kept\r\n"));
        QCOMPARE(::chmod(QFile::encodeName(folder + QStringLiteral("/dump.txt")).constData(), 0666), 0);
        environment.insert(kFolderVariable, folder);
    }
    QUARRIMAX_AS_NOBODY(m_nobody, environment);

    Workspace workspace;
    const QString folder =
        refused == "other user's report" ? qEnvironmentVariable("QUARRIMAX_TEST_FOLDER") : workspace.folder();
    workspace.platform().folder = QDir::toNativeSeparators(folder);
    const QString galaxyFile = folder + QStringLiteral("/g.gxy");
    const QString report = folder + QStringLiteral("/dump.txt");
    const QByteArray galaxy = QByteArray("GXY1") + Rec(1);
    QVERIFY(WriteFile(galaxyFile, galaxy));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    if (refused != "folder, no report" && refused != "other user's report") {
        QVERIFY(WriteFile(report, "kept\r\n"));
    }
    // Root's report and folder keep their modes.
    const bool own = refused != "other user's report";
    Mode galaxyMode(galaxyFile, refused == "galaxy" ? 0 : 0644);
    Mode reportMode(own ? report : QString(), refused == "read-only report" ? 0444 : 0644);
    Mode folderMode(own ? folder : QString(), refused.startsWith(QStringLiteral("folder")) ? 0555 : 0755);
    QVERIFY(galaxyMode.ok() && (folderMode.ok() || !own));

    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(workspace.platform().boxes.size(), startMessages);
    QCOMPARE(Texts(workspace.platform().boxes), QStringList(startMessages, kGeneric));
    const QByteArray replacement = QByteArray("GXY2") + Rec(2);
    if (refused == "replaced galaxy") {
        const QString unreadable = folder + QStringLiteral("/new.gxy");
        QVERIFY(WriteFile(unreadable, replacement));
        QCOMPARE(::chmod(QFile::encodeName(unreadable).constData(), 0), 0);
        QCOMPARE(::rename(QFile::encodeName(unreadable).constData(), QFile::encodeName(galaxyFile).constData()), 0);
    }
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), startMessages + 1);
    QCOMPARE(workspace.platform().boxes.last().text, kGeneric);
    QVERIFY(!workspace.platform().boxes.last().busyPointer);
    QVERIFY(NoPointerOverride());
    QCOMPARE(OpenHandlesTo(report), 0);
    QCOMPARE(QFileInfo::exists(report) ? ReadAll(report) : QByteArray("<none>"), reportAfter);
    // The options were stored before the failure, and the galaxy is as it was.
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Reader")), QStringLiteral("True"));
    Stop(window);
    QVERIFY(QFile::setPermissions(galaxyFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(ReadAll(galaxyFile), refused == "replaced galaxy" ? replacement : galaxy);
}

void ReliabilityTest::mergeWithRefusedFiles_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("message");
    QTest::newRow("target marked read-only") << QStringLiteral("read-only target") << MergeFailure(EACCES);
    QTest::newRow("source that cannot be read") << QStringLiteral("unreadable source") << MergeFailure(EACCES);
    QTest::newRow("new target in a folder closed to writing")
        << QStringLiteral("closed folder") << MergeFailure(EACCES);
    QTest::newRow("source in a folder that cannot be entered") << QStringLiteral("sealed folder") << kNoSourceText;
}

void ReliabilityTest::mergeWithRefusedFiles()
{
    QFETCH(QString, refused);
    QFETCH(QString, message);
    QUARRIMAX_NEEDS_PERMISSION_BITS(refused != "read-only target");
    QUARRIMAX_NEEDS_READ_ONLY_KEPT();
    QUARRIMAX_AS_NOBODY(m_nobody, QProcessEnvironment());

    Workspace workspace;
    const QString sub = workspace.file(QStringLiteral("sub"));
    QVERIFY(QDir().mkdir(sub));
    const bool newTarget = refused == "closed folder" || refused == "sealed folder";
    const QString target =
        newTarget ? sub + QStringLiteral("/target.gxy") : workspace.file(QStringLiteral("target.gxy"));
    const QString source =
        refused == "sealed folder" ? sub + QStringLiteral("/source.gxy") : workspace.file(QStringLiteral("source.gxy"));
    const QByteArray targetBytes = QByteArray("HDR1") + Rec(1);
    const QByteArray sourceBytes = QByteArray("SRC9") + Rec(2) + Rec(3);
    QVERIFY(WriteFile(source, sourceBytes));
    if (!newTarget) {
        QVERIFY(WriteFile(target, targetBytes));
    }
    {
        Mode targetMode(target, refused == "read-only target" ? 0444 : 0644);
        Mode sourceMode(source, refused == "unreadable source" ? 0 : 0644);
        Mode subMode(sub, refused == "closed folder" ? 0555 : refused == "sealed folder" ? 0600 : 0755);
        QVERIFY(sourceMode.ok() && subMode.ok());
        frmMerge* window = frmMerge::Show(Desktop());
        window->txtMergeIn->setText(target);
        window->txtMergeFrom->setText(source);
        QTest::mouseClick(window->cmdStart, Qt::LeftButton);
        QCOMPARE(Texts(workspace.platform().boxes), QStringList{message});
        QVERIFY(!workspace.platform().boxes.first().busyPointer);
        QCOMPARE(workspace.platform().boxes.first().icon, MessageIcon::Critical);
        delete window;
    }
    QCOMPARE(ReadAll(source), sourceBytes);
    if (newTarget) {
        QVERIFY(!QFileInfo::exists(target));
    } else {
        QCOMPARE(ReadAll(target), targetBytes);
    }
}

void ReliabilityTest::monitorLosesReadAccess()
{
    QUARRIMAX_NEEDS_PERMISSION_BITS(true);
    QUARRIMAX_AS_NOBODY(m_nobody, QProcessEnvironment());
    Workspace workspace;
    const QString galaxyFile = workspace.file(QStringLiteral("g.gxy"));
    QVERIFY(WriteFile(galaxyFile, QByteArray("GXY1") + Rec(1)));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    QPointer<frmQuarrimax> window = Start();
    frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), window->thresholdSource());
    QVERIFY(testsupport::AppendTo(galaxyFile, Rec(10)));
    monitor->tmrChecking_Timer();
    QCOMPARE(Texts(workspace.platform().boxes), PlanetLines({QStringLiteral("10.A 50 50")}));
    {
        // The game goes on writing a file the monitor may no longer read.
        Mode writeOnly(galaxyFile, 0200);
        QVERIFY(writeOnly.ok());
        QVERIFY(testsupport::AppendTo(galaxyFile, Rec(11)));
        monitor->tmrChecking_Timer();
        QCOMPARE(workspace.platform().boxes.size(), 1);
        QCOMPARE(monitor->lblSize->text(), QString());
    }
    monitor->tmrChecking_Timer();
    monitor->tmrChecking_Timer();
    QCOMPARE(Texts(workspace.platform().boxes),
             PlanetLines({QStringLiteral("10.A 50 50"), QStringLiteral("11.A 50 50")}));
    Stop(window);
}

void ReliabilityTest::storeThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("ordinaryUser");
    QTest::addColumn<bool>("readable");
    QTest::newRow("its folder is a plain file") << QStringLiteral("folder is a file") << false << false;
    QTest::newRow("its file is marked read-only") << QStringLiteral("read-only file") << true << true;
    QTest::newRow("its folder is closed to writing") << QStringLiteral("closed folder") << true << true;
    QTest::newRow("its file cannot be read") << QStringLiteral("unreadable file") << true << false;
}

void ReliabilityTest::storeThatCannotBeWritten()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
    QFETCH(QString, refusal);
    QFETCH(bool, ordinaryUser);
    QFETCH(bool, readable);
    if (ordinaryUser) {
        QUARRIMAX_AS_NOBODY(m_nobody, QProcessEnvironment());
    }
    Workspace workspace;
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    // Written as bytes: the store keeps what it read of a file as long as the
    // file's time and size stay, and a change of mode changes neither.
    const QString storeFolder = QFileInfo(workspace.storeFile()).path();
    if (refusal == "folder is a file") {
        QVERIFY(WriteFile(storeFolder, QByteArray()));
    } else {
        QVERIFY(QDir().mkpath(storeFolder));
        QVERIFY(WriteFile(workspace.storeFile(), "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=g.gxy\n[Options]\nHab=12\n"));
    }
    const QByteArray storeBefore = ReadAll(refusal == "folder is a file" ? storeFolder : workspace.storeFile());
    QVERIFY(WriteFile(workspace.report(), "kept\r\n"));
    QPointer<frmQuarrimax> window;
    {
        Mode fileMode(workspace.storeFile(), refusal == "read-only file"    ? 0444
                                             : refusal == "unreadable file" ? 0200
                                                                            : 0644);
        Mode folderMode(storeFolder, refusal == "closed folder" ? 0555 : 0755);
        QVERIFY(folderMode.ok());
        window = Start();
        // The stored texts where they can be read, the first run's defaults elsewhere.
        QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), readable ? QStringLiteral("12") : QString());
        QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), readable ? QStringLiteral("Home") : QString());
        QVERIFY(workspace.platform().boxes.isEmpty());

        Dump(window);
        QCOMPARE(Texts(workspace.platform().boxes), QStringList{kGeneric});
        QVERIFY(!workspace.platform().boxes.first().busyPointer);
        QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));

        // The Galaxy List editor stays open with what was typed, and says so.
        bool stillOpen = false;
        QVERIFY(UseEditor(window, [&](QDialog* editor) {
            Type(EditorBox(editor, "txtGalaxy", 2), QStringLiteral("Away"));
            QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
            stillOpen = editor->isVisible() && EditorBox(editor, "txtGalaxy", 2)->text() == QStringLiteral("Away");
        }));
        QVERIFY(stillOpen);
        QCOMPARE(Texts(workspace.platform().boxes), (QStringList{kGeneric, kGeneric}));
        QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), readable ? 1 : 0);
    }
    // Nothing in the store was lost or torn.
    QCOMPARE(ReadAll(refusal == "folder is a file" ? storeFolder : workspace.storeFile()), storeBefore);
    Stop(window);
}

void ReliabilityTest::garbageInTheStore_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QString>("hab");
    QTest::addColumn<QString>("met");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QStringList>("galaxies");
    QTest::newRow("binary noise") << QByteArray("\x00\x01\x02\xff\xfe\x7f[[[=\n]]]\x00 ", 16) << QString() << QString()
                                  << false << QStringList();
    QTest::newRow("values of stored types") << QByteArray(
        "[Options]\nHab=@Rect(1 2 3 4)\nMet=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\aQPixmap)\nOpen=@Invalid()\n")
                                            << QString() << QString() << false << QStringList();
    QTest::newRow("lists where texts belong")
        << QByteArray("[Options]\nHab=4, 5\nMet=1,2,3\nOpen=1, 0\n") << QStringLiteral("4, 5")
        << QStringLiteral("1, 2, 3") << true << QStringList();
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("[Galaxies]\nGalaxy1=\xff\xfeHome\nGalaxyFile1=home.gxy\n") << QString() << QString() << false
        << QStringList{QString::fromUtf8("\xff\xfeHome")};
    QTest::newRow("keys in other letter cases")
        << QByteArray("[OPTIONS]\nhAB=5\nMET=\nOPEN=1\n[galaxies]\nGALAXY3=Far\ngalaxyfile3=far.gxy\n")
        << QStringLiteral("5") << QString() << true << QStringList{QStringLiteral("Far")};
    QTest::newRow("a threshold of 10,000 characters")
        << QByteArray("[Options]\nHab=") + QByteArray(10000, '7') + "\n"
        << QString(10000, QChar(u'7')) << QString() << false << QStringList();
}

void ReliabilityTest::garbageInTheStore()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
    QFETCH(QByteArray, store);
    QFETCH(QString, hab);
    QFETCH(QString, met);
    QFETCH(bool, open);
    QFETCH(QStringList, galaxies);
    Workspace workspace;
    QVERIFY(QDir().mkpath(QFileInfo(workspace.storeFile()).path()));
    QVERIFY(WriteFile(workspace.storeFile(), store));
    for (int run = 1; run <= 2; ++run) {
        // The program starts on the garbage, and again on what the dump left:
        // the same texts, apart from the Met threshold changed before it.
        workspace.platform().boxes.clear();
        QPointer<frmQuarrimax> window = Start();
        QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), hab);
        QCOMPARE(Find<QLineEdit>(window, "txtMinMetal")->text(), run == 1 ? met : QStringLiteral("3"));
        QCOMPARE(Find<QCheckBox>(window, "chkOpen")->isChecked(), open);
        auto* selector = Find<QComboBox>(window, "cboGalaxies");
        QStringList items;
        for (int i = 0; i < selector->count(); ++i) {
            items.append(selector->itemText(i));
        }
        QCOMPARE(items, galaxies);
        // The first named galaxy's file is missing; the dump stores the options
        // and then stops at its own checks, not at the store.
        const QStringList missing = galaxies.isEmpty() ? QStringList() : QStringList{MissingText(galaxies.first())};
        QCOMPARE(Texts(workspace.platform().boxes), missing);
        Find<QLineEdit>(window, "txtMinMetal")->setText(QStringLiteral("3"));
        Find<QAction>(window, "mnuDump")->trigger();
        QCOMPARE(workspace.platform().boxes.size(), missing.size() + 1);
        QCOMPARE(workspace.platform().boxes.last().title,
                 galaxies.isEmpty() ? QStringLiteral("No Galaxy Selected") : kMissingTitle);
        Stop(window);
    }
}

// The store's file edited by hand into something only partly readable while
// the program runs: the dump writes the options all the same and goes on.
void ReliabilityTest::storeTurnsToGarbageWhileRunning()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
    Workspace workspace;
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    StoreGalaxy(1, QStringLiteral("Home"), QStringLiteral("g.gxy"));
    QPointer<frmQuarrimax> window = Start();
    Find<QLineEdit>(window, "txtMinHab")->setText(QStringLiteral("12"));
    QVERIFY(WriteFile(workspace.storeFile(), "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=g.gxy\n[[[\n\x01\n"));
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(workspace.report()), testsupport::Report(PlanetLines({QStringLiteral("1.A 50 50")})));
    Stop(window);
    window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), QStringLiteral("12"));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), QStringLiteral("Home"));
    QVERIFY(workspace.platform().boxes.isEmpty());
    Stop(window);
}

// A pipe or a device where the store's file belongs, or a link to one: the
// program starts as on a first run, the dump refuses with the generic
// message since the options cannot be stored, and the pipe or device stays
// what it was. A device node of this test's own stands in for /dev/null
// when the tests run as root; anyone else cannot replace /dev/null anyway.
void ReliabilityTest::storeThatIsNoPlainFile_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("a named pipe") << QStringLiteral("pipe");
    QTest::newRow("a link to a named pipe") << QStringLiteral("link to pipe");
    QTest::newRow("a link to a device") << QStringLiteral("link to device");
    QTest::newRow("a named pipe as the store's lock file") << QStringLiteral("pipe as lock");
}

void ReliabilityTest::storeThatIsNoPlainFile()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
#ifndef _WIN32
    QFETCH(QString, what);
    Workspace workspace;
    const QString store = workspace.storeFile();
    const QString folder = QFileInfo(store).path();
    QVERIFY(QDir().mkpath(folder));
    const QString pipe = what == "pipe"           ? store
                         : what == "pipe as lock" ? store + QStringLiteral(".lock")
                                                  : folder + QStringLiteral("/elsewhere");
    QString device;
    if (what == "link to device") {
        device = folder + QStringLiteral("/null");
        if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            device = QStringLiteral("/dev/null");
        }
        QVERIFY(IsCharacterDevice(device));
        QVERIFY(QFile::link(device, store));
    } else {
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    }
    if (what == "link to pipe") {
        QVERIFY(QFile::link(pipe, store));
    }
    QByteArray kept;
    if (what == "pipe as lock") {
        kept = "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=g.gxy\n[Options]\nHab=12\n";
        QVERIFY(WriteFile(store, kept));
    }
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    QVERIFY(WriteFile(workspace.report(), "kept\r\n"));

    QPointer<frmQuarrimax> window;
    {
        std::unique_ptr<PipeWatch> watch = device.isEmpty() ? std::make_unique<PipeWatch>(pipe) : nullptr;
        window = Start();
        QVERIFY(window->isVisible());
        // A first run, except that a store beside a pipe for a lock file still reads.
        const bool readable = what == "pipe as lock";
        QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), readable ? QStringLiteral("12") : QString());
        QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), readable ? QStringLiteral("Home") : QString());
        QVERIFY(Find<QRadioButton>(window, "optQuarrimax")->isChecked());
        QVERIFY(workspace.platform().boxes.isEmpty());
        Find<QLineEdit>(window, "txtMinMetal")->setText(QStringLiteral("3"));
        Dump(window);
        QCOMPARE(Texts(workspace.platform().boxes), QStringList{kGeneric});
        QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));
        Stop(window);
        window = Start();
        QCOMPARE(Find<QLineEdit>(window, "txtMinMetal")->text(), QString());
        if (watch) {
            QVERIFY2(!watch->opened(), "the program opened the pipe");
        }
    }
    if (device.isEmpty()) {
        QVERIFY(IsPipe(pipe));
    } else {
        QVERIFY(IsCharacterDevice(device));
    }
    if (what.startsWith(QStringLiteral("link"))) {
        QCOMPARE(QFileInfo(store).symLinkTarget(), device.isEmpty() ? pipe : device);
    }
    if (!kept.isEmpty()) {
        QCOMPARE(ReadAll(store), kept);
    }
    Stop(window);
#endif
}

// A store kept elsewhere through a link still works, and stays a link.
void ReliabilityTest::storeOnAFullDisk_data()
{
    QTest::addColumn<bool>("save");   // the editor's Save, or else a dump
    QTest::addColumn<int>("padding"); // bytes of other settings in the file
    QTest::addColumn<qint64>("room"); // bytes left to write
#ifdef _WIN32
    // One case, skipped with its reason: the store is no file there.
    QTest::newRow("the registry") << false << 0 << qint64{0};
    return;
#endif
    constexpr qint64 kPage = 4096;
    for (const bool save : {false, true}) {
        for (const int padding : {0, 11000}) {
            for (const qint64 room : {qint64{0}, qint64{200}, kPage, 2 * kPage, 3 * kPage, 4 * kPage, 64 * kPage}) {
                QTest::addRow("%s, %d bytes more, %lld free", save ? "save" : "dump", padding, room)
                    << save << padding << room;
            }
        }
    }
}

// A write of the store on a full disk leaves the old file as it was and says
// so, or it writes the new file whole: never a part of it.
void ReliabilityTest::storeOnAFullDisk()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
    QFETCH(bool, save);
    QFETCH(int, padding);
    QFETCH(qint64, room);
    testsupport::FullDisk disk(1024 * 1024);
    if (!disk.ok()) {
        QSKIP("neither a file system of its own nor a cap on file sizes can be had here");
    }
    Workspace workspace;
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    const QByteArray before = "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=g.gxy\n[Options]\nHab=12\n"
                              + (padding > 0 ? "[Notes]\nText=" + QByteArray(padding, 'n') + "\n" : QByteArray());
    // Changes a setting through the window with the store in this place.
    struct Outcome {
        bool ready = false;        // the store and the disk were made as asked
        bool editorStayed = false; // Save left the editor open
        QStringList messages;
    };
    const auto change = [&](const QString& place) {
        Outcome outcome;
        const settings::ScopedStorePlace placed(place);
        const QString store = place + QStringLiteral("/Quarrimax2/Quarrimax2.conf");
        if (!QDir().mkpath(QFileInfo(store).path()) || !WriteFile(store, before)
            || !WriteFile(workspace.report(), "kept\r\n")) {
            return outcome;
        }
        workspace.platform().boxes.clear();
        QPointer<frmQuarrimax> window = Start();
        outcome.ready = place != disk.path() || disk.fill(room);
        if (outcome.ready && save) {
            outcome.ready = UseEditor(window, [&](QDialog* editor) {
                EditorBox(editor, "txtGalaxy", 1)->setText(QStringLiteral("Alpha"));
                QTest::mouseClick(editor->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
                outcome.editorStayed = editor->isVisible();
            });
        } else if (outcome.ready) {
            Find<QLineEdit>(window, "txtMinHab")->setText(QStringLiteral("7"));
            Dump(window);
        }
        outcome.messages = Texts(workspace.platform().boxes);
        Stop(window);
        return outcome;
    };
    const QTemporaryDir roomy;
    const Outcome reference = change(roomy.path());
    QVERIFY(reference.ready);
    QVERIFY(reference.messages.isEmpty());
    const QByteArray whole = ReadAll(roomy.filePath(QStringLiteral("Quarrimax2/Quarrimax2.conf")));
    const QByteArray report = ReadAll(workspace.report());
    QVERIFY(whole != before);

    const Outcome outcome = change(disk.path());
    QVERIFY(outcome.ready);
    const bool written = outcome.messages.isEmpty();
    const QString store = disk.path() + QStringLiteral("/Quarrimax2/Quarrimax2.conf");
    if (written) {
        QCOMPARE(ReadAll(store), whole);
        QCOMPARE(ReadAll(workspace.report()), report);
    } else {
        QCOMPARE(outcome.messages, QStringList{kGeneric});
        QCOMPARE(ReadAll(store), before);
        QCOMPARE(outcome.editorStayed, save);
        // The dump stops before it touches the report.
        QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));
    }
    // Nothing of the new file is left behind beside the store.
    QCOMPARE(QDir(QFileInfo(store).path()).entryList(QDir::Files), QStringList{QStringLiteral("Quarrimax2.conf")});
    if (room == 0) {
        QVERIFY(!written);
    }
    if (room >= 64 * 4096) {
        QVERIFY(written);
    }
}

void ReliabilityTest::storeReachedThroughALink()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
    Workspace workspace;
    const QString store = workspace.storeFile();
    QVERIFY(QDir().mkpath(QFileInfo(store).path()));
    const QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath(QStringLiteral("kept.conf"));
    QVERIFY(WriteFile(real, "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=g.gxy\n[Options]\nHab=12\n"));
    QVERIFY(QFile::link(real, store));
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), QStringLiteral("12"));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), QStringLiteral("Home"));
    Find<QLineEdit>(window, "txtMinMetal")->setText(QStringLiteral("3"));
    Dump(window);
    QVERIFY(workspace.platform().boxes.isEmpty());
    QCOMPARE(ReadAll(workspace.report()), testsupport::Report(PlanetLines({QStringLiteral("1.A 50 50")})));
    Stop(window);
    QCOMPARE(QFileInfo(store).symLinkTarget(), real);
    QVERIFY(ReadAll(real).contains("Met=3"));
    window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinMetal")->text(), QStringLiteral("3"));
    Stop(window);
}

// Another writer holds the store's lock longer than the program waits: the
// program starts on what the store holds, the dump stops with the generic
// message before it touches the report, and Save in the Galaxy List editor
// says so with the same message and keeps the editor open with what was
// typed. Neither changes the store. Once the lock is let go, both work.
void ReliabilityTest::storeLockedByAnotherWriter()
{
    QUARRIMAX_NEEDS_A_STORE_FILE();
    Workspace workspace;
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    const QByteArray stored = "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=g.gxy\n[Options]\nHab=12\n";
    QVERIFY(QDir().mkpath(QFileInfo(workspace.storeFile()).path()));
    QVERIFY(WriteFile(workspace.storeFile(), stored));
    QVERIFY(WriteFile(workspace.report(), "kept\r\n"));
    QLockFile held(workspace.storeFile() + QStringLiteral(".lock"));
    QVERIFY(held.tryLock(0));

    QPointer<frmQuarrimax> window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), QStringLiteral("12"));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), QStringLiteral("Home"));
    QVERIFY(workspace.platform().boxes.isEmpty());
    Find<QLineEdit>(window, "txtMinMetal")->setText(QStringLiteral("3"));
    Dump(window);
    QCOMPARE(Texts(workspace.platform().boxes), QStringList{kGeneric});
    QCOMPARE(workspace.platform().boxes.first().icon, MessageIcon::Critical);
    QVERIFY(!workspace.platform().boxes.first().busyPointer);
    QVERIFY(NoPointerOverride());
    QCOMPARE(ReadAll(workspace.report()), QByteArray("kept\r\n"));

    bool stillOpen = false;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        Type(EditorBox(editor, "txtGalaxy", 2), QStringLiteral("Away"));
        QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
        stillOpen = editor->isVisible() && EditorBox(editor, "txtGalaxy", 2)->text() == QStringLiteral("Away");
        if (stillOpen) {
            // Saved again once the other writer let go.
            held.unlock();
            QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
        }
    }));
    QVERIFY(stillOpen);
    QCOMPARE(Texts(workspace.platform().boxes), (QStringList{kGeneric, kGeneric}));
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->count(), 2);
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy2")), QStringLiteral("Away"));

    // The galaxy picked again, as after every Save.
    auto* selector = Find<QComboBox>(window, "cboGalaxies");
    QCOMPARE(selector->currentIndex(), -1);
    selector->setCurrentIndex(0);
    emit selector->activated(0);
    Dump(window);
    QCOMPARE(workspace.platform().boxes.size(), 2);
    QCOMPARE(ReadAll(workspace.report()), testsupport::Report(PlanetLines({QStringLiteral("1.A 50 50")})));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Met")), QStringLiteral("3"));
    Stop(window);
}

// ---------------------------------------------------------------------------
// Folders and pipes where files belong

// Another program keeps putting a link to another file in the report's place
// while the player dumps: the report goes into a file of its own or the dump
// fails, but the other file is never written.
void ReliabilityTest::reportNeverWrittenThroughALink()
{
#ifdef _WIN32
    QSKIP("making links takes a privilege on Windows");
#else
    Workspace workspace;
    QVERIFY(WriteFile(workspace.file(QStringLiteral("g.gxy")), QByteArray("GXY1") + Rec(1)));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    const QByteArray victim = QByteArray("HDR1") + Rec(2);
    const QByteArray victimPath = QFile::encodeName(workspace.file(QStringLiteral("victim.gxy")));
    QVERIFY(WriteFile(QFile::decodeName(victimPath), victim));
    const QByteArray report = QFile::encodeName(workspace.report());
    QPointer<frmQuarrimax> window = Start();
    std::atomic<bool> stop{false};
    std::thread linker([&] {
        while (!stop) {
            ::unlink(report.constData());
            (void)::symlink(victimPath.constData(), report.constData());
        }
    });
    for (int dump = 0; dump < 60; ++dump) {
        Dump(window);
    }
    stop = true;
    linker.join();
    QCOMPARE(ReadAll(QFile::decodeName(victimPath)), victim);
    for (const Box& box : workspace.platform().boxes) {
        QCOMPARE(box.text, kGeneric);
    }
    Stop(window);
#endif
}

void ReliabilityTest::galaxyFileIsAFolderOrPipe_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("a folder") << QStringLiteral("folder");
    QTest::newRow("a named pipe") << QStringLiteral("pipe");
    QTest::newRow("a folder once the galaxy is selected") << QStringLiteral("folder later");
}

void ReliabilityTest::galaxyFileIsAFolderOrPipe()
{
    QFETCH(QString, what);
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("g.gxy"));
    if (what == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (what == "pipe") {
#ifdef _WIN32
        QSKIP("Windows keeps named pipes out of the file system (\\\\.\\pipe\\): no galaxy file name can be one");
#else
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
#endif
    } else {
        QVERIFY(WriteFile(path, QByteArray("GXY1") + Rec(1)));
    }
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QStringList expected = what == "folder later" ? QStringList() : QStringList{MissingText(QStringLiteral("G"))};
    QCOMPARE(Texts(workspace.platform().boxes), expected);
    if (what == "folder later") {
        QVERIFY(QFile::remove(path));
        QUARRIMAX_SKIP_WHERE_THE_DELETE_IS_UNSEEN(path);
        QVERIFY(QDir().mkdir(path));
    }
    // The monitor neither waits on a pipe nor takes a folder for a galaxy.
    frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), window->thresholdSource());
    monitor->tmrChecking_Timer();
    QCOMPARE(monitor->lblSize->text(), QString());
    QCOMPARE(Texts(workspace.platform().boxes), expected);
    Dump(window);
    expected.append(MissingText(QStringLiteral("G")));
    QCOMPARE(Texts(workspace.platform().boxes), expected);
    QVERIFY(!QFileInfo::exists(workspace.report()));
    Stop(window);
}

void ReliabilityTest::mergeWithPipesAndDevices_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("message");
    const QString notPlain =
        MergeFailure(galaxy::kErrorNotAPlainFile, QStringLiteral("Not a plain file (a device or a pipe)"));
#ifdef _WIN32
    // Windows' devices are names in every folder; its named pipes are below \\.\pipe\.
    const QString targetDevice = QStringLiteral("NUL");
    const QString sourceDevice = QStringLiteral("NUL");
#else
    const QString targetDevice = QStringLiteral("/dev/null");
    const QString sourceDevice = QStringLiteral("/dev/zero");
#endif
    QTest::newRow("target is a named pipe") << QStringLiteral("<pipe>") << QStringLiteral("<galaxy>") << notPlain;
    QTest::newRow("target is a device") << targetDevice << QStringLiteral("<galaxy>") << notPlain;
    QTest::newRow("source is a named pipe") << QStringLiteral("<galaxy>") << QStringLiteral("<pipe>") << kNoSourceText;
    QTest::newRow("source is a device") << QStringLiteral("<galaxy>") << sourceDevice << kNoSourceText;
}

void ReliabilityTest::mergeWithPipesAndDevices()
{
    QFETCH(QString, target);
    QFETCH(QString, source);
    QFETCH(QString, message);
    Workspace workspace;
    const QString galaxy = workspace.file(QStringLiteral("g.gxy"));
    const QByteArray galaxyBytes = QByteArray("GXY1") + Rec(1);
    QVERIFY(WriteFile(galaxy, galaxyBytes));
#ifdef _WIN32
    const QString pipe = QStringLiteral("\\\\.\\pipe\\quarrimax-test-%1").arg(QCoreApplication::applicationPid());
    const HANDLE pipeHandle =
        ::CreateNamedPipeW(reinterpret_cast<const wchar_t*>(pipe.utf16()), PIPE_ACCESS_DUPLEX,
                           PIPE_TYPE_BYTE | PIPE_NOWAIT, PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
    QVERIFY(pipeHandle != INVALID_HANDLE_VALUE);
    const std::unique_ptr<void, decltype(&::CloseHandle)> pipeOwner(pipeHandle, &::CloseHandle);
#else
    const QString pipe = workspace.file(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
#endif
    const auto resolve = [&](const QString& name) {
        return name == "<pipe>" ? pipe : name == "<galaxy>" ? galaxy : name;
    };
    frmMerge* window = frmMerge::Show(Desktop());
    window->txtMergeIn->setText(resolve(target));
    window->txtMergeFrom->setText(resolve(source));
    QTest::mouseClick(window->cmdStart, Qt::LeftButton);
    QCOMPARE(Texts(workspace.platform().boxes), QStringList{message});
    QCOMPARE(workspace.platform().boxes.first().icon, MessageIcon::Critical);
    QCOMPARE(ReadAll(galaxy), galaxyBytes);
    QVERIFY(!QFileInfo(pipe).isFile());
    delete window;
}

// A target that ends in a record the game has not finished: one message, and
// the target exactly as it was, also for a target of two bytes, a header
// never finished.
void ReliabilityTest::mergeIntoAnIncompleteTarget_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("two bytes") << 2;
    QTest::newRow("a record and one byte") << 4 + 492 + 1;
    QTest::newRow("two records and 100 bytes") << 4 + 492 * 2 + 100;
}

void ReliabilityTest::mergeIntoAnIncompleteTarget()
{
    QFETCH(int, length);
    Workspace workspace;
    const QByteArray target = (QByteArray("GXY1") + Rec(1) + Rec(2) + Rec(3)).left(length);
    QVERIFY(WriteFile(workspace.file(QStringLiteral("in.gxy")), target));
    QVERIFY(WriteFile(workspace.file(QStringLiteral("from.gxy")), QByteArray("SRC9") + Rec(500) + Rec(501)));
    frmMerge* window = frmMerge::Show(Desktop());
    window->txtMergeIn->setText(workspace.file(QStringLiteral("in.gxy")));
    window->txtMergeFrom->setText(workspace.file(QStringLiteral("from.gxy")));
    for (int press = 1; press <= 2; ++press) {
        QTest::mouseClick(window->cmdStart, Qt::LeftButton);
        QCOMPARE(workspace.platform().boxes.size(), press);
        const Box& box = workspace.platform().boxes.last();
        QCOMPARE(box.title, QStringLiteral("Merge Failed"));
        QCOMPARE(box.icon, MessageIcon::Critical);
        QCOMPARE(box.text, MergeFailure(galaxy::kErrorIncompleteTarget,
                                        QStringLiteral("The file to merge in ends in an incomplete record (the game "
                                                       "may still be writing it); nothing was written to it.")));
        QCOMPARE(ReadAll(workspace.file(QStringLiteral("in.gxy"))), target);
    }
    delete window;
}

// ---------------------------------------------------------------------------
// Odd input

// Each galaxy goes through the dump (thresholds empty), the monitor (opened
// on its first four bytes, then the rest appended) and the merge (as the
// source, into a target holding system 4000).
void ReliabilityTest::oddGalaxyFiles_data()
{
    QTest::addColumn<QByteArray>("galaxy");
    QTest::addColumn<QStringList>("listed");    // planets in the report, as "1.A 50 50"
    QTest::addColumn<bool>("dumpFails");        // the dump ends with the generic message
    QTest::addColumn<QStringList>("announced"); // planets the monitor announces
    QTest::addColumn<QList<int>>("merged");     // records of the galaxy appended to the target
    QTest::addColumn<int>("mergeError");        // 0 for success

    const QByteArray h("GXY1");
    const QString a = QStringLiteral("1.A 50 50");
    const QStringList six{a,
                          QStringLiteral("1.B 50 50"),
                          QStringLiteral("1.C 50 50"),
                          QStringLiteral("1.D 50 50"),
                          QStringLiteral("1.E 50 50"),
                          QStringLiteral("1.F 50 50")};
    const Planet half{0.5F, 0.5F};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float largestSubnormal = std::numeric_limits<float>::min() - tiny;
    using Ints = QList<int>;

    for (int size = 0; size <= 4; ++size) {
        QTest::addRow("file of %d bytes", size)
            << h.left(size) << QStringList() << false << QStringList() << Ints{} << 0;
    }
    QTest::newRow("header and part of a record")
        << h + Rec(1).left(300) << QStringList() << false << QStringList() << Ints{} << 0;
    QTest::newRow("a record and part of the next")
        << h + Rec(1) + Rec(2).left(100) << QStringList{a} << false << QStringList{a} << Ints{0} << 0;
    for (const qint16 count : {qint16(-32768), qint16(-1), qint16(0)}) {
        QTest::addRow("planet count %d", count) << h + Rec(1, count, {half, half, half, half, half, half})
                                                << QStringList() << false << QStringList() << Ints{0} << 0;
    }
    for (const qint16 count : {qint16(7), qint16(32767)}) {
        QTest::addRow("planet count %d", count)
            << h + Rec(1, count, {half, half, half, half, half, half}) << six << false << six << Ints{0} << 0;
    }
    for (const qint16 system : {qint16(-32768), qint16(-1), qint16(4097), qint16(32767)}) {
        const QStringList planets{a, QStringLiteral("%1.A 50 50").arg(system), QStringLiteral("2.A 50 50")};
        QTest::addRow("system %d", system)
            << h + Rec(1) + Rec(system) + Rec(2) << planets << false << planets << Ints{0} << 9;
    }
    QTest::newRow("system 4096") << h + Rec(4096) << QStringList{QStringLiteral("4096.A 50 50")} << false
                                 << QStringList{QStringLiteral("4096.A 50 50")} << Ints{0} << 0;

    const QStringList second{QStringLiteral("1.B 50 50")};
    QTest::newRow("Hab not a number") << h + Rec(1, 2, {{nan, 0.5F}, half}) << second << false << second << Ints{0}
                                      << 0;
    QTest::newRow("Met not a number") << h + Rec(1, 2, {{0.5F, -nan}, half}) << second << false << second << Ints{0}
                                      << 0;
    QTest::newRow("Hab infinite") << h + Rec(1, 2, {{inf, 0.5F}, half}) << second << false << second << Ints{0} << 0;
    QTest::newRow("Met minus infinite") << h + Rec(1, 2, {{0.5F, -inf}, half}) << second << false << second << Ints{0}
                                        << 0;
    QTest::newRow("Hab negative") << h + Rec(1, 2, {{-0.25F, 0.5F}, half}) << second << false << second << Ints{0} << 0;
    const QStringList zero{QStringLiteral("1.A 0 50")};
    QTest::newRow("Hab minus zero") << h + Rec(1, 1, {{-0.0F, 0.5F}}) << zero << false << zero << Ints{0} << 0;
    const QStringList subnormal{QStringLiteral("1.A 1.401298E-43 1.175494E-36")};
    QTest::newRow("Hab and Met subnormal")
        << h + Rec(1, 1, {{tiny, largestSubnormal}}) << subnormal << false << subnormal << Ints{0} << 0;
    const QStringList huge{QStringLiteral("1.A 3.4E+38 50")};
    QTest::newRow("Hab with the largest finite hundredfold")
        << h + Rec(1, 1, {{3.4e36F, 0.5F}}) << huge << false << huge << Ints{0} << 0;
    const QStringList around{a, QStringLiteral("3.A 50 50")};
    QTest::newRow("Hab whose hundredfold overflows")
        << h + Rec(1) + Rec(2, 1, {{1e37F, 0.5F}}) + Rec(3) << QStringList{a} << true << around << Ints{0, 1, 2} << 0;
    QTest::newRow("Met whose hundredfold overflows below")
        << h + Rec(1) + Rec(2, 1, {{0.5F, -1e37F}}) + Rec(3) << QStringList{a} << true << around << Ints{0, 1, 2} << 0;
}

void ReliabilityTest::oddGalaxyFiles()
{
    QFETCH(QByteArray, galaxy);
    QFETCH(QStringList, listed);
    QFETCH(bool, dumpFails);
    QFETCH(QStringList, announced);
    QFETCH(QList<int>, merged);
    QFETCH(int, mergeError);
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("odd.gxy"));
    QVERIFY(WriteFile(path, galaxy.left(4)));
    StoreGalaxy(1, QStringLiteral("Odd"), QStringLiteral("odd.gxy"));
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(Declare::openGalaxyFile.isOpen());

    frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), window->thresholdSource());
    QVERIFY(testsupport::AppendTo(path, galaxy.mid(4)));
    monitor->tmrChecking_Timer();
    monitor->tmrChecking_Timer();
    QCOMPARE(Announcements(workspace.platform().boxes), PlanetLines(announced));
    QCOMPARE(monitor->lblSize->text(), QString::number(galaxy.size()));
    const qsizetype before = workspace.platform().boxes.size();

    Dump(window);
    const QByteArray report = testsupport::Report(PlanetLines(listed));
    QCOMPARE(ReadAll(workspace.report()), report);
    QCOMPARE(Texts(workspace.platform().boxes, before), dumpFails ? QStringList{kGeneric} : QStringList());
    QVERIFY(NoPointerOverride());

    const QString target = workspace.file(QStringLiteral("target.gxy"));
    const QByteArray targetBytes = QByteArray("HDR1") + Rec(4000);
    QVERIFY(WriteFile(target, targetBytes));
    frmMerge* merge = frmMerge::Show(Desktop());
    merge->txtMergeIn->setText(target);
    merge->txtMergeFrom->setText(path);
    QTest::mouseClick(merge->cmdStart, Qt::LeftButton);
    const Box box = workspace.platform().boxes.last();
    if (mergeError == 0) {
        QCOMPARE(box.text, kMergeDone);
    } else {
        QVERIFY2(box.text.startsWith(QStringLiteral("The following unexpected Error Occured:%1:").arg(mergeError)),
                 qPrintable(box.text));
    }
    QByteArray appended;
    for (const int k : merged) {
        appended += galaxy.mid(4 + kRecordSize * k, kRecordSize);
    }
    QCOMPARE(ReadAll(target), targetBytes + appended);
    QCOMPARE(ReadAll(path), galaxy);
    Stop(window);
}

// The thresholds, pasted into the boxes (which keep two characters of a paste,
// as of typing) or stored in the settings store (which the boxes show whole),
// against one system whose six planets have Hab -50, -4, 0, 7, 50 and 100 and
// Met 100. "fail" is the generic message.
void ReliabilityTest::oddThresholdTexts_data()
{
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("hab");
    QTest::addColumn<QString>("met");
    QTest::addColumn<QString>("listed");    // slot letters in the report, or "fail"
    QTest::addColumn<QString>("announced"); // slot letters the monitor announces

    const auto row = [](const char* tag, bool pasted, const QString& hab, const QString& met, const char* listed,
                        const char* announced) {
        QTest::newRow(tag) << pasted << hab << met << QString::fromLatin1(listed) << QString::fromLatin1(announced);
    };
    const QString zero = QStringLiteral("0");
    row("pasted blanks", true, QStringLiteral("  "), zero, "CDEF", "CDEF");
    row("pasted blank and digit", true, QStringLiteral(" 7"), zero, "DEF", "DEF");
    row("pasted negative", true, QStringLiteral("-5"), zero, "BCDEF", "BCDEF");
    row("pasted minus sign", true, QStringLiteral("-"), zero, "CDEF", "CDEF");
    row("pasted letters", true, QStringLiteral("ab"), QStringLiteral("xy"), "CDEF", "CDEF");
    row("pasted half", true, QStringLiteral(".5"), zero, "CDEF", "CDEF");
    row("pasted other digits", true, QStringLiteral("٣٤"), zero, "CDEF", "CDEF");
    row("pasted five digits keeps two", true, QStringLiteral("99999"), zero, "F", "F");
    row("stored blanks", false, QStringLiteral("   "), QString(), "CDEF", "CDEF");
    row("stored tab and digit", false, QStringLiteral("\t8"), zero, "EF", "EF");
    row("stored plus sign", false, QStringLiteral("+7"), zero, "DEF", "DEF");
    row("stored 2.5 rounds to 2", false, QStringLiteral("2.5"), zero, "DEF", "DEF");
    row("stored 7.5 rounds to 8", false, QStringLiteral("7.5"), zero, "EF", "EF");
    row("stored digits then letters", false, QStringLiteral("7abc"), zero, "DEF", "DEF");
    row("stored hexadecimal", false, QStringLiteral("0x60"), zero, "CDEF", "CDEF");
    row("stored nan", false, QStringLiteral("nan"), QStringLiteral("inf"), "CDEF", "CDEF");
    row("stored -50", false, QStringLiteral("-50"), zero, "ABCDEF", "ABCDEF");
    row("stored -32768", false, QStringLiteral("-32768"), zero, "ABCDEF", "ABCDEF");
    row("stored -32768.5 rounds to -32768", false, QStringLiteral("-32768.5"), zero, "ABCDEF", "ABCDEF");
    row("stored 32767", false, QStringLiteral("32767"), zero, "", "");
    row("stored 1e4", false, QStringLiteral("1e4"), zero, "", "");
    row("stored Met 101", false, zero, QStringLiteral("101"), "", "");
    row("stored -32769", false, QStringLiteral("-32769"), zero, "fail", "ABCDEF");
    row("stored 32767.5 rounds to 32768", false, QStringLiteral("32767.5"), zero, "fail", "");
    row("stored 32768", false, QStringLiteral("32768"), zero, "fail", "");
    row("stored 99999", false, QStringLiteral("99999"), zero, "fail", "");
    row("stored 1e5", false, QStringLiteral("1e5"), zero, "fail", "");
    row("stored 1e400", false, QStringLiteral("1e400"), zero, "fail", "");
    row("stored 1,000 nines", false, QString(1000, QChar(u'9')), zero, "fail", "");
    row("stored Met 99999", false, zero, QStringLiteral("99999"), "fail", "");
    row("stored Met -99999", false, zero, QStringLiteral("-99999"), "fail", "CDEF");
}

void ReliabilityTest::oddThresholdTexts()
{
    QFETCH(bool, pasted);
    QFETCH(QString, hab);
    QFETCH(QString, met);
    QFETCH(QString, listed);
    QFETCH(QString, announced);
    Workspace workspace;
    const QString path = workspace.file(QStringLiteral("g.gxy"));
    const std::initializer_list<Planet> planets{{-0.5F, 1.0F}, {-0.04F, 1.0F}, {0.0F, 1.0F},
                                                {0.07F, 1.0F}, {0.5F, 1.0F},   {1.0F, 1.0F}};
    const QByteArray galaxy = QByteArray("GXY1") + Rec(1, 6, planets);
    QVERIFY(WriteFile(path, galaxy));
    StoreGalaxy(1, QStringLiteral("G"), QStringLiteral("g.gxy"));
    if (!pasted) {
        StoreRaw(QStringLiteral("Options"), QStringLiteral("Hab"), hab);
        StoreRaw(QStringLiteral("Options"), QStringLiteral("Met"), met);
    }
    QPointer<frmQuarrimax> window = Start();
    auto* habBox = Find<QLineEdit>(window, "txtMinHab");
    auto* metBox = Find<QLineEdit>(window, "txtMinMetal");
    if (pasted) {
        QTest::mouseClick(Find<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
        for (auto [box, text] : {std::pair{habBox, hab}, std::pair{metBox, met}}) {
            box->setFocus(Qt::TabFocusReason);
            QTest::keyClick(box, Qt::Key_Delete);
            QApplication::clipboard()->setText(text);
            box->paste();
        }
    }
    const QString habShown = pasted ? hab.left(2) : hab;
    const QString metShown = pasted ? met.left(2) : met;
    QCOMPARE(habBox->text(), habShown);
    QCOMPARE(metBox->text(), metShown);

    // The monitor reads the boxes as they stand on each tick.
    frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), window->thresholdSource());
    QVERIFY(testsupport::AppendTo(path, Rec(2, 6, planets)));
    monitor->tmrChecking_Timer();
    const QStringList percents{QStringLiteral("-50"), QStringLiteral("-4"), QStringLiteral("0"),
                               QStringLiteral("7"),   QStringLiteral("50"), QStringLiteral("100")};
    const auto planetsOf = [&](int system, const QString& letters) {
        QStringList lines;
        for (const QChar letter : letters) {
            lines.append(QStringLiteral("%1.%2 %3 100").arg(system).arg(letter).arg(percents[letter.unicode() - 'A']));
        }
        return lines;
    };
    QCOMPARE(Announcements(workspace.platform().boxes), PlanetLines(planetsOf(2, announced)));
    const qsizetype before = workspace.platform().boxes.size();

    QVERIFY(WriteFile(workspace.report(), "old\r\n"));
    Dump(window);
    if (listed == "fail") {
        QCOMPARE(Texts(workspace.platform().boxes, before), QStringList{kGeneric});
        QVERIFY(!workspace.platform().boxes.last().busyPointer);
        // The thresholds are read after the old report is deleted.
        QVERIFY(!QFileInfo::exists(workspace.report()));
    } else {
        QCOMPARE(Texts(workspace.platform().boxes, before), QStringList());
        QStringList both = planetsOf(1, listed) + planetsOf(2, listed);
        QCOMPARE(ReadAll(workspace.report()), testsupport::Report(PlanetLines(both)));
    }
    // The texts are stored as they stand and shown again at the next start.
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Hab")), habShown);
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Met")), metShown);
    QCOMPARE(ReadAll(path), galaxy + Rec(2, 6, planets));
    Stop(window);
    window = Start();
    QCOMPARE(Find<QLineEdit>(window, "txtMinHab")->text(), habShown);
    QCOMPARE(Find<QLineEdit>(window, "txtMinMetal")->text(), metShown);
    Stop(window);
}

// A galaxy typed into row 2 of the Galaxy List editor and saved, then the
// program started again: the names survive, the galaxy is selected and its
// planets dumped and announced, or its missing file is named.
void ReliabilityTest::oddGalaxyNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("fileCanExist");
    QTest::newRow("blanks") << QStringLiteral("  Far   Reach  ") << QStringLiteral(" far reach.gxy ") << true;
    QTest::newRow("quotes") << QStringLiteral("\"Home\" 'base'") << QStringLiteral("\"quoted\" 'file'.gxy") << true;
    QTest::newRow("non-ASCII letters") << QStringLiteral("Ærøskøbing – Überwelt ĝalaksio 銀河")
                                       << QStringLiteral("Überwelt ĝalaksio 銀河.gxy") << true;
    QTest::newRow("a folder part") << QStringLiteral("Sub") << QStringLiteral("sub dir/ünïcode \"x\".gxy") << true;
    QTest::newRow("a name of 1,000 characters")
        << Repeated(QStringLiteral("Sternenmeer \"Ω\" "), 1000) << QStringLiteral("long.gxy") << true;
    QTest::newRow("a file name of 200 characters")
        << QStringLiteral("Long file") << Repeated(QStringLiteral("galaxy "), 196) + QStringLiteral(".gxy") << true;
    QTest::newRow("a file name of 1,000 characters")
        << QStringLiteral("Too long") << Repeated(QStringLiteral("Überwelt "), 1000) << false;
}

void ReliabilityTest::oddGalaxyNames()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(bool, fileCanExist);
    QUARRIMAX_NEEDS_A_POSSIBLE_FILE_NAME(file);
    Workspace workspace;
    const QString path = SystemFileName(workspace.file(file));
    if (fileCanExist) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(WriteFile(path, QByteArray("GXY1") + Rec(1)));
    } else {
        QVERIFY(!WriteFile(path, QByteArray("GXY1")));
    }
    QPointer<frmQuarrimax> window = Start();
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        Type(EditorBox(editor, "txtGalaxy", 2), name);
        Type(EditorBox(editor, "txtGalaxyfile", 2), file);
        QTest::mouseClick(Find<QPushButton>(editor, "cmdSave"), Qt::LeftButton);
    }));
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy2")), name);
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile2")), file);
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->itemText(0), name);
    Stop(window);

    window = Start();
    QCOMPARE(Find<QComboBox>(window, "cboGalaxies")->currentText(), name);
    QStringList expected = fileCanExist ? QStringList() : QStringList{MissingText(name)};
    QCOMPARE(Texts(workspace.platform().boxes), expected);
    QCOMPARE(Declare::openGalaxyFile.isOpen(), fileCanExist);
    Dump(window);
    if (fileCanExist) {
        QCOMPARE(ReadAll(workspace.report()), testsupport::Report(PlanetLines({QStringLiteral("1.A 50 50")})));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), window->thresholdSource());
        QVERIFY(testsupport::AppendTo(path, Rec(2)));
        monitor->tmrChecking_Timer();
        expected.append(PlanetLine(QStringLiteral("2.A 50 50")));
    } else {
        expected.append(MissingText(name));
        QVERIFY(!QFileInfo::exists(workspace.report()));
    }
    QCOMPARE(Texts(workspace.platform().boxes), expected);
    QString shownName;
    QString shownFile;
    QVERIFY(UseEditor(window, [&](QDialog* editor) {
        shownName = EditorBox(editor, "txtGalaxy", 2)->text();
        shownFile = EditorBox(editor, "txtGalaxyfile", 2)->text();
    }));
    QCOMPARE(shownName, name);
    QCOMPARE(shownFile, file);
    Stop(window);
}

void ReliabilityTest::mergePathsWithOddCharacters_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("message");
    QTest::newRow("blanks") << QStringLiteral(" target file .gxy") << QStringLiteral("source  file.gxy ") << kMergeDone;
    QTest::newRow("quotes") << QStringLiteral("\"target\".gxy") << QStringLiteral("'source' \"x\".gxy") << kMergeDone;
    QTest::newRow("non-ASCII letters") << QStringLiteral("Zielgalaxie ü.gxy") << QStringLiteral("源 ĝalaksio.gxy")
                                       << kMergeDone;
    QTest::newRow("target name of 1,000 characters")
        << Repeated(QStringLiteral("Ziel "), 1000) << QStringLiteral("source.gxy") << QString(); // refused name
    QTest::newRow("source name of 1,000 characters")
        << QStringLiteral("target.gxy") << Repeated(QStringLiteral("Quelle "), 1000) << kNoSourceText;
}

void ReliabilityTest::mergePathsWithOddCharacters()
{
    QFETCH(QString, target);
    QFETCH(QString, source);
    QFETCH(QString, message);
    QUARRIMAX_NEEDS_A_POSSIBLE_FILE_NAME(target + source);
    Workspace workspace;
    if (message.isEmpty()) {
        message = MergeFailureForName(workspace.file(target));
    }
    const QByteArray records = Rec(3) + Rec(4);
    const bool sourceCanExist = source.size() < 255;
    if (sourceCanExist) {
        QVERIFY(WriteFile(SystemFileName(workspace.file(source)), QByteArray("SRC9") + records));
    }
    frmMerge* window = frmMerge::Show(Desktop());
    const auto closeWindow = qScopeGuard([window] { delete window; });
    Type(window->txtMergeIn, workspace.file(target));
    Type(window->txtMergeFrom, workspace.file(source));
    QTest::mouseClick(window->cmdStart, Qt::LeftButton);
    QCOMPARE(Texts(workspace.platform().boxes), QStringList{message});
    QCOMPARE(ReadAll(SystemFileName(workspace.file(target))),
             message == kMergeDone ? kZeroHeader + records : QByteArray());
    QCOMPARE(QDir(workspace.folder()).entryList(QDir::Files).size(), sourceCanExist ? 1 + (message == kMergeDone) : 0);
}

QTEST_MAIN(ReliabilityTest)
#include "tst_reliability.moc"
