// The settings store: where it lives, case-blind keys, values kept exactly as
// written, failed writes, and loading the Galaxy List.
#include "settings/Schema.h"
#include "settings/Settings.h"
#include "support/GalaxyBuilder.h"
#include "support/Sandbox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <memory>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include "support/AsNobody.h"

#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace testsupport;
namespace {

// One key read, or written, with the store opened for it alone.
QString ReadOne(const QString& section, const QString& key)
{
    settings::Store store(settings::Store::Use::Read);
    return store.text(section, key);
}

bool WriteOne(const QString& section, const QString& key, const QString& text)
{
    settings::Store store(settings::Store::Use::Write);
    store.setText(section, key, text);
    return store.save();
}

settings::Options StoredOptions()
{
    settings::Store store(settings::Store::Use::Read);
    return settings::ReadOptions(store);
}

// Galaxy List entries 1 to 4 as the store holds them, read from it once.
QList<settings::GalaxyEntry> StoredEntries()
{
    settings::Store store(settings::Store::Use::Read);
    QList<settings::GalaxyEntry> entries;
    for (int n = 1; n <= 4; ++n) {
        entries.append(settings::ReadGalaxyEntry(store, n));
    }
    return entries;
}

// The numbers and names of the stored entries that have a name.
QStringList Named(const QList<settings::GalaxyEntry>& entries)
{
    QStringList named;
    for (const settings::GalaxyEntry& entry : entries) {
        if (!entry.name.isEmpty()) {
            named.append(QString::number(entry.number) + QLatin1Char(' ') + entry.name);
        }
    }
    return named;
}

// What a dump's options read back as, key by key, in the order they are written.
QStringList ReadBack(const settings::Options& options)
{
    const auto flag = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
    return {options.hab,        options.met,          flag(options.rating),
            flag(options.open), flag(options.reader), flag(options.notePad)};
}

// The keys of a section as they stand in the store, "key=value", sorted.
QStringList StoredSection(const QString& section)
{
    QSettings store = FreshRawStore();
    store.beginGroup(section);
    QStringList stored;
    for (const QString& key : store.childKeys()) {
        stored.append(key + QLatin1Char('=') + store.value(key).toString());
    }
    stored.sort();
    return stored;
}

// Writes a file as if by hand, a while ago: QSettings takes a file it has
// read for unchanged while its size and time (to the millisecond) stay.
bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
           && file.flush()
           && file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

// A value as the program reads it as text, from what QSettings read.
QString AsText(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QStringList || value.metaType().id() == QMetaType::QVariantList) {
        return value.toStringList().join(QStringLiteral(", "));
    }
    return value.toString();
}

#ifndef Q_OS_WIN
QByteArray StoreBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The lock file a writer leaves behind when it ends without letting go: what
// QLockFile writes, with the number of a process that has ended.
QByteArray LockOfAnEndedWriter(const QString& scratch)
{
    QProcess ended;
    ended.start(QStringLiteral("true"), QStringList());
    if (!ended.waitForStarted()) {
        return {};
    }
    const qint64 pid = ended.processId();
    ended.waitForFinished();
    QLockFile lock(scratch);
    if (!lock.tryLock(0)) {
        return {};
    }
    QByteArray held = StoreBytes(scratch);
    lock.unlock();
    const qsizetype lineEnd = held.indexOf('\n');
    return lineEnd < 0 ? QByteArray() : QByteArray::number(pid) + held.sliced(lineEnd);
}

constexpr char kPlaceVariable[] = "QUARRIMAX_TEST_STORE_PLACE";
#endif

} // namespace

Q_DECLARE_METATYPE(settings::Options)

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void storeLivesInTheUsersConfigFolder();
    void absentKeysReadEmpty();
    void keysMatchWithoutRegardToCase();
    void sectionsMatchWithoutRegardToCase();
    void writeReplacesWhateverCaseWasStored();
    void valuesComeBackUnchanged_data();
    void valuesComeBackUnchanged();
    void refusedWriteIsReported();
    void fallbackStoresAreNotRead_data();
    void fallbackStoresAreNotRead();
    void galaxyEntriesReadAsStored();
    void galaxyEntriesReadTheEditorsKeys();
    void optionsReadBackByTheirForms_data();
    void optionsReadBackByTheirForms();
    void writtenOptionsReadBackTheSame_data();
    void writtenOptionsReadBackTheSame();
    void refusedWritesKeepNothing();
    void readsAsQSettingsReads_data();
    void readsAsQSettingsReads();
    void writeChangesOnlyWhatItWrites();
    void randomFilesReadAndChangeAsQSettingsSees();
    void writeGivesUpOnALockItCannotTake_data();
    void writeGivesUpOnALockItCannotTake();
    void largeStoreIsReadAndWrittenWhole();
    void changeOfTheSameSizeAndTimeIsRead();
    void storeIsTheRegistryKey();

private:
#ifndef Q_OS_WIN
    NobodyRun m_nobody;
#endif
};

// Runs first, before any test points the store elsewhere: the store follows
// XDG_CONFIG_HOME, which main() set to a folder of this run.
void SettingsTest::storeLivesInTheUsersConfigFolder()
{
#ifdef Q_OS_WIN
    QSKIP("the store is the registry on Windows: storeIsTheRegistryKey");
#endif
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY(!configHome.isEmpty());
    QVERIFY(WriteOne(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("42")));
    const QString expected = configHome + QStringLiteral("/Quarrimax2/Quarrimax2.conf");
    QVERIFY2(QFileInfo(expected).isFile(), qPrintable(expected));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("42"));
}

void SettingsTest::absentKeysReadEmpty()
{
    Sandbox workspace;
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QVERIFY(!QFileInfo::exists(workspace.storeFile()));
    StoreRaw(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("7"));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QCOMPARE(ReadOne(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), QString());
}

void SettingsTest::keysMatchWithoutRegardToCase()
{
    Sandbox workspace;
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile2"), QStringLiteral("second.gxy"));
    QCOMPARE(ReadOne(QStringLiteral("Galaxies"), QStringLiteral("GalaxyFile2")), QStringLiteral("second.gxy"));
    QCOMPARE(ReadOne(QStringLiteral("Galaxies"), QStringLiteral("GALAXYFILE2")), QStringLiteral("second.gxy"));
    QCOMPARE(ReadOne(QStringLiteral("Galaxies"), QStringLiteral("GalaxyFile1")), QString());
}

void SettingsTest::sectionsMatchWithoutRegardToCase()
{
    Sandbox workspace;
    StoreRaw(QStringLiteral("options"), QStringLiteral("Rating"), QStringLiteral("1"));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("rating")), QStringLiteral("1"));
    QVERIFY(WriteOne(QStringLiteral("OPTIONS"), QStringLiteral("RATING"), QStringLiteral("0")));
    QCOMPARE(StoredRaw(QStringLiteral("options"), QStringLiteral("Rating")), QStringLiteral("0"));
    QVERIFY(!FreshRawStore().childGroups().contains(QStringLiteral("OPTIONS")));
}

void SettingsTest::writeReplacesWhateverCaseWasStored()
{
    Sandbox workspace;
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("galaxyFILE3"), QStringLiteral("old.gxy"));
    QVERIFY(WriteOne(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile3"), QStringLiteral("new.gxy")));
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("galaxyFILE3")), QStringLiteral("new.gxy"));
    QSettings store = FreshRawStore();
    store.beginGroup(QStringLiteral("Galaxies"));
    QCOMPARE(store.childKeys(), QStringList{QStringLiteral("galaxyFILE3")});
    QCOMPARE(ReadOne(QStringLiteral("Galaxies"), QStringLiteral("GalaxyFile3")), QStringLiteral("new.gxy"));
}

void SettingsTest::valuesComeBackUnchanged_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks at both ends") << QStringLiteral("  Far Reach  ");
    QTest::newRow("comma") << QStringLiteral("Alpha, Beta");
    QTest::newRow("only a comma") << QStringLiteral(",");
    QTest::newRow("quotes") << QStringLiteral("\"Home\" 'galaxy'");
    QTest::newRow("semicolon and hash") << QStringLiteral("a;b #c");
    QTest::newRow("backslashes") << QStringLiteral("sub\\dir\\file.gxy\\");
    QTest::newRow("equals sign") << QStringLiteral("x=y");
    QTest::newRow("leading at sign") << QStringLiteral("@Variant(oops)");
    QTest::newRow("non-ASCII letters") << QStringLiteral("Ærøskøbing – Überwelt ĝalaksio");
    QTest::newRow("digits with zero") << QStringLiteral("07");
    QTest::newRow("word True") << QStringLiteral("True");
}

void SettingsTest::valuesComeBackUnchanged()
{
    QFETCH(QString, value);
    Sandbox workspace;
    QVERIFY(WriteOne(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1"), value));
    QCOMPARE(ReadOne(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), value);
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), value);
}

void SettingsTest::refusedWriteIsReported()
{
    Sandbox workspace;
    QVERIFY(workspace.refuseWrites());
    QVERIFY(!WriteOne(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("5")));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
}

// The stores that QSettings reads by default besides the program's own: the
// organization-wide file of the user and the system-wide files (/etc/xdg or
// XDG_CONFIG_DIRS, here a folder of the test's own). The product name is the
// organization too, so those files are Quarrimax2.conf beside the program's
// folder and the same two names in the system folder.
void SettingsTest::fallbackStoresAreNotRead_data()
{
    QTest::addColumn<bool>("systemWide");
    QTest::addColumn<QString>("file");
    QTest::newRow("the user's organization-wide file") << false << QStringLiteral("Quarrimax2.conf");
    QTest::newRow("the system-wide file of the program") << true << QStringLiteral("Quarrimax2/Quarrimax2.conf");
    QTest::newRow("the system-wide organization file") << true << QStringLiteral("Quarrimax2.conf");
}

void SettingsTest::fallbackStoresAreNotRead()
{
#ifdef Q_OS_WIN
    QSKIP("these are the files QSettings falls back on on Linux; on Windows the store is one registry key");
#endif
    QFETCH(bool, systemWide);
    QFETCH(QString, file);
    Sandbox workspace;
    QTemporaryDir system;
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system.path());
    const QString userFolder = QFileInfo(QFileInfo(workspace.storeFile()).path()).path();
    const QString fallback = QDir(systemWide ? system.path() : userFolder).filePath(file);
    QVERIFY(QDir().mkpath(QFileInfo(fallback).path()));
    const QByteArray held = "[Options]\nHab=77\nRating=1\n[Galaxies]\nGalaxy1=Elsewhere\nGalaxyFile1=else.gxy\n";
    QFile out(fallback);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(held) == held.size());
    out.close();
    // A store opened as QSettings does by default finds the value there.
    QCOMPARE(RawStore().value(QStringLiteral("Options/Hab")).toString(), QStringLiteral("77"));

    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Rating")), QString());
    QVERIFY(Named(StoredEntries()).isEmpty());
    QCOMPARE(StoredEntries().at(0).file, QString());
    // Writing a key of its own changes neither that nor the fallback.
    QVERIFY(WriteOne(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("3")));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Met")), QStringLiteral("3"));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QFile in(fallback);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), held);
}

void SettingsTest::galaxyEntriesReadAsStored()
{
    Sandbox workspace;
    StoreGalaxy(1, QStringLiteral("One"), QStringLiteral("one.gxy"));
    StoreGalaxy(2, QString(), QStringLiteral("two.gxy"));
    StoreGalaxy(3, QStringLiteral("Three"), QStringLiteral("three.gxy"));
    const QList<settings::GalaxyEntry> entries = StoredEntries();
    QCOMPARE(entries.at(0).number, 1);
    QCOMPARE(entries.at(0).name, QStringLiteral("One"));
    QCOMPARE(entries.at(1).name, QString());
    QCOMPARE(entries.at(1).file, QStringLiteral("two.gxy"));
    QCOMPARE(entries.at(2).name, QStringLiteral("Three"));
    QCOMPARE(entries.at(2).file, QStringLiteral("three.gxy"));
    QCOMPARE(entries.at(3).number, 4);
    QCOMPARE(entries.at(3).name, QString());
    QCOMPARE(entries.at(3).file, QString());
}

void SettingsTest::galaxyEntriesReadTheEditorsKeys()
{
    Sandbox workspace;
    // The editor writes "Galaxyfile"; the list is read as "GalaxyFile".
    QVERIFY(WriteOne(QStringLiteral("Galaxies"), QStringLiteral("Galaxy2"), QStringLiteral("Second")));
    QVERIFY(WriteOne(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile2"), QStringLiteral("second.gxy")));
    const QList<settings::GalaxyEntry> entries = StoredEntries();
    QCOMPARE(entries.at(1).file, QStringLiteral("second.gxy"));
    QCOMPARE(Named(entries), QStringList{QStringLiteral("2 Second")});
}

// Each key of the options as stored, read back by the rule of its form.
void SettingsTest::optionsReadBackByTheirForms_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read"); // the text, or yes/no for a check box or an option button

    // Each stored text as a check box (Rating, Open) and as an option button
    // (Reader, NotePad) reads it.
    const struct {
        const char* stored;
        bool ticked;
        bool selected;
    } flags[] = {
        {"1", true, false},          {" 1", true, false},    {"1.0", true, false},    {"01", true, false},
        {"1 and more", true, false}, {"0", false, false},    {"2", false, false},     {"True", false, true},
        {"true", false, false},      {"TRUE", false, false}, {" True", false, false}, {"False", false, false},
        {"", false, false},
    };
    const struct {
        const char* name;
        bool tick;
    } keys[] = {{"Rating", true}, {"Open", true}, {"Reader", false}, {"NotePad", false}};
    for (const auto& flag : flags) {
        for (const auto& key : keys) {
            const bool read = key.tick ? flag.ticked : flag.selected;
            QTest::addRow("%s \"%s\"", key.name, flag.stored)
                << QString::fromLatin1(key.name) << QString::fromLatin1(flag.stored)
                << (read ? QStringLiteral("yes") : QStringLiteral("no"));
        }
    }
    QTest::newRow("Hab as stored") << QStringLiteral("Hab") << QStringLiteral(" 7abc") << QStringLiteral(" 7abc");
    QTest::newRow("Met as stored") << QStringLiteral("Met") << QStringLiteral("99999") << QStringLiteral("99999");
}

void SettingsTest::optionsReadBackByTheirForms()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, read);
    Sandbox workspace;
    StoreRaw(QStringLiteral("Options"), key, stored);
    const QStringList keys{QStringLiteral("Hab"),  QStringLiteral("Met"),    QStringLiteral("Rating"),
                           QStringLiteral("Open"), QStringLiteral("Reader"), QStringLiteral("NotePad")};
    QStringList expected = ReadBack(settings::Options{});
    expected[keys.indexOf(key)] = read;
    QCOMPARE(ReadBack(StoredOptions()), expected);
}

// Options written and read again are the options written, whatever they are,
// and the store holds each in its form.
void SettingsTest::writtenOptionsReadBackTheSame_data()
{
    QTest::addColumn<settings::Options>("options");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("nothing ticked") << settings::Options{} << QStringList{"Hab=",   "Met=",     "NotePad=False",
                                                                          "Open=0", "Rating=0", "Reader=False"};
    QTest::newRow("everything ticked") << settings::Options{"5", "7", true, true, true, true}
                                       << QStringList{"Hab=5",  "Met=7",    "NotePad=True",
                                                      "Open=1", "Rating=1", "Reader=True"};
    QTest::newRow("texts as typed") << settings::Options{" 4x", "-", false, true, false, true}
                                    << QStringList{"Hab= 4x", "Met=-",    "NotePad=True",
                                                   "Open=1",  "Rating=0", "Reader=False"};
}

void SettingsTest::writtenOptionsReadBackTheSame()
{
    QFETCH(settings::Options, options);
    QFETCH(QStringList, stored);
    Sandbox workspace;
    QVERIFY(settings::WriteOptions(options));
    QCOMPARE(StoredSection(QStringLiteral("Options")), stored);
    QCOMPARE(ReadBack(StoredOptions()), ReadBack(options));
}

// A store that refuses writes keeps nothing of the options or the Galaxy
// List, and each operation says it failed.
void SettingsTest::refusedWritesKeepNothing()
{
    Sandbox workspace;
    QVERIFY(workspace.refuseWrites());
    QVERIFY(!settings::WriteOptions({QStringLiteral("40"), QStringLiteral("30"), true, true, true, false}));
    QVERIFY(!settings::WriteGalaxyList({{1, QStringLiteral("One"), QStringLiteral("one.gxy")},
                                        {2, QStringLiteral("Two"), QStringLiteral("two.gxy")}}));
    QCOMPARE(StoredSection(QStringLiteral("Options")), QStringList());
    QCOMPARE(StoredSection(QStringLiteral("Galaxies")), QStringList());
    QCOMPARE(ReadBack(StoredOptions()), ReadBack(settings::Options{}));
    QVERIFY(Named(StoredEntries()).isEmpty());
}

// Files edited by hand in every way QSettings accepts, and some it only
// partly reads: each key reads as QSettings reads it.
void SettingsTest::readsAsQSettingsReads_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("plain") << QByteArray("[Options]\nHab=12\nMet=7\n");
    QTest::newRow("blanks and tabs around") << QByteArray("[Options]\n  Hab \t=  12 \t\n\tMet=\t\n");
    QTest::newRow("quoted") << QByteArray("[Options]\nHab=\"  12, 3 \"  \nMet=\"a\"b \"c\"\n");
    QTest::newRow("lists") << QByteArray("[Options]\nHab=4, 5\nMet=1,2,\"3, 4\"\nOpen=1, 0\nRating=,\n");
    QTest::newRow("escapes") << QByteArray(
        "[Options]\nHab=a\\tb\\nc\\\\d\\\"e\\x41\\101\\q\\\nMet=\\x\nOpen=\\0\nRating=\\x4g\n");
    QTest::newRow("comments") << QByteArray("; top\n[Options]\n; Hab=1\nHab=2 ; not three\n#Met=4\nMet=5;6\n");
    QTest::newRow("line breaks of every kind")
        << QByteArray("[Options]\r\nHab=1\r\nMet=2\rOpen=1\n\rRating=\"1\n0\"\n");
    QTest::newRow("continued lines") << QByteArray("[Options]\nHab=1\\\n2\nMet=3\\\r\n4\n");
    QTest::newRow("stored types") << QByteArray("[Options]\nHab=@Rect(1 2 3 4)\nMet=@Size(1)\nOpen=@Invalid()\n"
                                                "Rating=@@Open\nReader=@String(True)\nNotePad=@ByteArray(True)\n");
    QTest::newRow("lists with stored types") << QByteArray("[Options]\nHab=@@a, b\nMet=@Invalid(), 1\n");
    QTest::newRow("keys and sections in other cases")
        << QByteArray("[options]\nhab=1\n[OPTIONS]\nHAB=2\nhAb=3\n[Options]\nMet=4\n");
    QTest::newRow("a section twice, a key twice")
        << QByteArray("[Options]\nHab=1\n[Galaxies]\nGalaxy1=A\n[Options]\nHab=2\nHab=3\n");
    QTest::newRow("escaped names") << QByteArray("[Opt%69ons]\nH%61b=1\n%55Met=2\nMe%U0074=3\n");
    QTest::newRow("a key below the section") << QByteArray("[Options]\nHab\\x=1\nMet=3\n[Options\\Deeper]\nHab=2\n");
    QTest::newRow("a byte order mark") << QByteArray("\xef\xbb\xbf[Options]\nHab=1\n");
    QTest::newRow("bytes that are not UTF-8") << QByteArray("[Options]\nHab=\xff\xfe\x41\nMet=\xc3\\n\n");
    QTest::newRow("garbage") << QByteArray("[[[\n\x01\n[Options\nHab=1\n=2\n]]]\n[Options]\nMet=\"open quote\n");
    QTest::newRow("general section") << QByteArray("[General]\nHab=1\n[%General]\nHab=2\n[Options]\nHab=3\n");
}

void SettingsTest::readsAsQSettingsReads()
{
    QFETCH(QByteArray, file);
#ifdef Q_OS_WIN
    QSKIP("the store is the registry on Windows, not a file");
#endif
    Sandbox workspace;
    const QString path = workspace.storeFile();
    QVERIFY(WriteAll(path, file));
    QSettings reference(path, QSettings::IniFormat);
    settings::Store read(settings::Store::Use::Read);
    // The name QSettings holds that the program takes for wanted: the same
    // spelling, or the first in QSettings' order that differs only in case.
    const auto matching = [](const QStringList& names, const QString& wanted) {
        if (names.contains(wanted)) {
            return wanted;
        }
        for (const QString& name : names) {
            if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
                return name;
            }
        }
        return QString();
    };
    const QStringList groups = reference.childGroups();
    QStringList sections = groups;
    sections << QStringLiteral("Options") << QStringLiteral("OPTIONS") << QStringLiteral("Galaxies");
    QStringList keys{QStringLiteral("Hab"),     QStringLiteral("hab"),    QStringLiteral("Met"),
                     QStringLiteral("Open"),    QStringLiteral("Rating"), QStringLiteral("Reader"),
                     QStringLiteral("NotePad"), QStringLiteral("Galaxy1")};
    for (const QString& group : groups) {
        reference.beginGroup(group);
        keys += reference.childKeys();
        reference.endGroup();
    }
    keys.removeAll(QString());
    int compared = 0;
    for (const QString& section : std::as_const(sections)) {
        const QString group = matching(groups, section);
        for (const QString& key : std::as_const(keys)) {
            std::optional<QString> expected;
            if (!group.isEmpty()) {
                reference.beginGroup(group);
                const QString stored = matching(reference.childKeys(), key);
                if (!stored.isEmpty()) {
                    expected = AsText(reference.value(stored));
                }
                reference.endGroup();
            }
            const QString where = section + QLatin1Char('/') + key;
            QVERIFY2(expected.value_or(QString()) == read.text(section, key),
                     qPrintable(where + QStringLiteral(": ") + expected.value_or(QStringLiteral("(none)"))
                                + QStringLiteral(" / ") + read.text(section, key)));
            compared += expected ? 1 : 0;
        }
    }
    QVERIFY(compared > 0);
}

// Files pieced together at random from what INI files are made of, each
// read by the program and by QSettings; then one value set and the file
// written: the new file reads the new value, by the program and by
// QSettings, and every other value QSettings read is as it was.
void SettingsTest::randomFilesReadAndChangeAsQSettingsSees()
{
#ifdef Q_OS_WIN
    QSKIP("QSettings matches the names of INI files without regard to case on Windows, unlike the Linux store");
#else
    static const char* const kPieces[] = {
        "[Options]\n",
        "[options]\n",
        "[Galaxies]\n",
        "[Other]\n",
        "[Options\\Sub]\n",
        "[%General]\n",
        "[General]\n",
        "Hab",
        "hab",
        "Met",
        "Galaxy1",
        "=",
        "=",
        "=",
        " ",
        "\t",
        "\"",
        "\"",
        "\\",
        ",",
        ";",
        "#",
        "\n",
        "\n",
        "\n",
        "\r\n",
        "\r",
        "@",
        "@Invalid()",
        "@Rect(1 2 3 4)",
        "x",
        "12",
        "\xc3\xa9",
        "\xff",
        "\\x41",
        "%41",
        "[",
        "]",
        "\\n",
        "\\0",
        "\\\n",
    };
    static const char* const kSections[] = {"Options", "options", "Galaxies", "New"};
    static const char* const kKeys[] = {"Hab", "hab", "Met", "Galaxy1"};
    static const char* const kTexts[] = {"", "40", " a, b ", "\"q\"", "back\\slash", "@at", "ä;#=", "tab\there", "x\\"};
    QRandomGenerator random(20261208);
    QTemporaryDir folder;
    int files = 0;
    // Every value QSettings reads in the file, by group and key. Each file
    // has a name of its own: QSettings keeps what it read of a file by name
    // for as long as its size and time stay the same.
    const auto everything = [&](const QByteArray& bytes) {
        const QString path = folder.filePath(QStringLiteral("store%1.conf").arg(++files));
        QMap<QString, QString> values;
        if (!WriteAll(path, bytes)) {
            values.insert(QStringLiteral("(unwritten)"), QString());
            return values;
        }
        QSettings reference(path, QSettings::IniFormat);
        for (const QString& key : reference.allKeys()) {
            // Keys QSettings lists but cannot be asked for by that name.
            if (!key.isEmpty() && !key.endsWith(u'/') && !key.startsWith(u'/') && !key.contains(QStringLiteral("//"))) {
                values.insert(key, AsText(reference.value(key)));
            }
        }
        return values;
    };
    for (int round = 0; round < 600; ++round) {
        QByteArray file;
        const int pieces = static_cast<int>(random.bounded(40));
        for (int i = 0; i < pieces; ++i) {
            file += kPieces[random.bounded(static_cast<quint32>(std::size(kPieces)))];
        }
        const QString section = QString::fromLatin1(kSections[random.bounded(4)]);
        const QString key = QString::fromLatin1(kKeys[random.bounded(4)]);
        const QString text = QString::fromUtf8(kTexts[random.bounded(static_cast<quint32>(std::size(kTexts)))]);
        const QString context = QStringLiteral("round %1, %2/%3 = %4 in ").arg(round).arg(section, key, text)
                                + QString::fromLatin1(file.toPercentEncoding());

        QMap<QString, QString> before = everything(file);
        // A store of its own each round: QSettings keeps what it read of a
        // file by name for as long as its size and time stay the same.
        Sandbox workspace;
        QVERIFY(WriteAll(workspace.storeFile(), file));
        // Read as QSettings reads it (the same spelling, when it is there).
        const QString exact = section + QLatin1Char('/') + key;
        if (before.contains(exact) && !file.contains("[General]") && !file.contains("[%General]")) {
            QVERIFY2(ReadOne(section, key) == before.value(exact), qPrintable(context));
        }
        QVERIFY2(WriteOne(section, key, text), qPrintable(context));
        QVERIFY2(ReadOne(section, key) == text, qPrintable(context));
        const QByteArray written = StoreBytes(workspace.storeFile());
        QMap<QString, QString> after = everything(written);
        // The key QSettings finds for the one written: the spelling that
        // stood in the file, or the new one.
        QString stored;
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            const qsizetype slash = it.key().indexOf(u'/');
            if (slash > 0 && it.key().indexOf(u'/', slash + 1) < 0
                && it.key().left(slash).compare(section, Qt::CaseInsensitive) == 0
                && it.key().sliced(slash + 1).compare(key, Qt::CaseInsensitive) == 0 && it.value() == text) {
                stored = it.key();
            }
        }
        QVERIFY2(!stored.isEmpty(), qPrintable(context + QStringLiteral("\nwritten: ")
                                               + QString::fromLatin1(written.toPercentEncoding())));
        after.remove(stored);
        before.remove(stored);
        QVERIFY2(after == before, qPrintable(context + QStringLiteral("\nwritten: ")
                                             + QString::fromLatin1(written.toPercentEncoding())));
    }
#endif
}

// A write replaces the values it writes, in the spelling the keys already
// have, and keeps every other key and section, this program's or not.
void SettingsTest::writeChangesOnlyWhatItWrites()
{
#ifdef Q_OS_WIN
    QSKIP("the store is the registry on Windows");
#endif
    Sandbox workspace;
    const QByteArray before = "; written by hand\n[Galaxies]\nGalaxy1 = Home ; my home\n"
                              "galaxyfile1=home.gxy\n\n[Other]\nx=\"a, b\"\ny=@Rect(1 2 3 4)\nz=old\\\\sub\n";
    QVERIFY(WriteAll(workspace.storeFile(), before));
    QVERIFY(settings::WriteGalaxyList(
        {{1, QStringLiteral("Away"), QStringLiteral("away.gxy")}, {2, QStringLiteral("Two"), QString()}}));
    QVERIFY(settings::WriteOptions({QStringLiteral("5"), QString(), false, true, true, false}));
    QCOMPARE(StoredSection(QStringLiteral("Galaxies")),
             (QStringList{"Galaxy1=Away", "Galaxy2=Two", "Galaxyfile2=", "galaxyfile1=away.gxy"}));
    QCOMPARE(StoredSection(QStringLiteral("Options")),
             (QStringList{"Hab=5", "Met=", "NotePad=False", "Open=1", "Rating=0", "Reader=True"}));
    QSettings stored(workspace.storeFile(), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("Other/x")), QVariant(QStringLiteral("a, b")));
    QCOMPARE(stored.value(QStringLiteral("Other/y")), QVariant(QRect(1, 2, 3, 4)));
    QCOMPARE(stored.value(QStringLiteral("Other/z")), QVariant(QStringLiteral("old\\sub")));
    QCOMPARE(Named(StoredEntries()), (QStringList{QStringLiteral("1 Away"), QStringLiteral("2 Two")}));
}

// A lock beside the store that is not let go within the patience: the write
// fails at once and the store stays as it was; reads do not wait for it. A
// lock left by a writer that died is taken over.
void SettingsTest::writeGivesUpOnALockItCannotTake_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<bool>("taken");
    QTest::newRow("another writer holds it") << QStringLiteral("held") << false;
    QTest::newRow("a writer that ended left it") << QStringLiteral("ended") << true;
    QTest::newRow("another user left it where it cannot be removed") << QStringLiteral("other user") << false;
}

void SettingsTest::writeGivesUpOnALockItCannotTake()
{
#ifdef Q_OS_WIN
    QSKIP("the registry has no lock file");
#else
    QFETCH(QString, lock);
    QFETCH(bool, taken);
    const QByteArray stored = "[Galaxies]\nGalaxy1=Home\nGalaxyfile1=home.gxy\n[Options]\nHab=12\n";
    QProcessEnvironment environment;
    if (lock == "other user" && !RunningAsNobodyAgain()) {
        if (::geteuid() != 0) {
            QSKIP("a lock of another user needs root to be made");
        }
        // A settings folder open to all with the sticky bit, as a shared
        // folder is: nobody's store, and root's lock that nobody may remove.
        const QString shared = m_nobody.sharedFolder();
        QVERIFY(!shared.isEmpty());
        const QString place = shared + QStringLiteral("/place");
        const QString folder = place + QStringLiteral("/Quarrimax2");
        QVERIFY(QDir(place).removeRecursively() && QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 01777), 0);
        QVERIFY(WriteAll(folder + QStringLiteral("/Quarrimax2.conf"), stored));
        QCOMPARE(::chown(QFile::encodeName(folder + QStringLiteral("/Quarrimax2.conf")).constData(), kNobody, kNobody),
                 0);
        const QByteArray left = LockOfAnEndedWriter(shared + QStringLiteral("/scratch.lock"));
        QVERIFY(!left.isEmpty());
        QVERIFY(WriteAll(folder + QStringLiteral("/Quarrimax2.conf.lock"), left));
        environment.insert(QString::fromLatin1(kPlaceVariable), place);
    }
    QUARRIMAX_AS_NOBODY(m_nobody, environment);

    Sandbox workspace;
    std::optional<settings::ScopedStorePlace> elsewhere;
    if (lock == "other user") {
        if (!RunningAsNobodyAgain()) {
            QSKIP("a lock of another user needs root to be made");
        }
        elsewhere.emplace(qEnvironmentVariable(kPlaceVariable));
    } else {
        QVERIFY(WriteAll(workspace.storeFile(), stored));
    }
    const QString store = lock == "other user"
                              ? qEnvironmentVariable(kPlaceVariable) + QStringLiteral("/Quarrimax2/Quarrimax2.conf")
                              : workspace.storeFile();
    const QString lockFile = store + QStringLiteral(".lock");
    std::optional<QLockFile> held;
    if (lock == "held") {
        held.emplace(lockFile);
        QVERIFY(held->tryLock(0));
    } else if (lock == "ended") {
        const QByteArray left = LockOfAnEndedWriter(workspace.folder() + QStringLiteral("/scratch.lock"));
        QVERIFY(!left.isEmpty());
        QVERIFY(WriteAll(lockFile, left));
    }
    if (lock == "other user") {
        // The folder takes new files and the store is this user's: only the
        // lock, which this user cannot remove, stands in the way.
        const QString probe = QFileInfo(store).path() + QStringLiteral("/probe");
        QVERIFY(WriteAll(probe, "x"));
        QVERIFY(QFile::remove(probe));
        QVERIFY(QFileInfo(store).isWritable());
        QVERIFY(!QFile::remove(lockFile));
    }
    const QByteArray lockBefore = StoreBytes(lockFile);
    // Reads do not take the lock.
    QCOMPARE(StoredOptions().hab, QStringLiteral("12"));
    QCOMPARE(Named(StoredEntries()), QStringList{QStringLiteral("1 Home")});

    const settings::Options options{QStringLiteral("40"), QStringLiteral("30"), true, true, false, true};
    QCOMPARE(settings::WriteOptions(options), taken);
    QCOMPARE(settings::WriteGalaxyList({{1, QStringLiteral("Away"), QStringLiteral("away.gxy")}}), taken);
    QCOMPARE(WriteOne(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("31")), taken);
    if (taken) {
        // Written, and readable by QSettings; the lock is gone.
        QSettings reference(store, QSettings::IniFormat);
        QCOMPARE(reference.value(QStringLiteral("Options/Hab")).toString(), QStringLiteral("40"));
        QCOMPARE(reference.value(QStringLiteral("Options/Met")).toString(), QStringLiteral("31"));
        QCOMPARE(reference.value(QStringLiteral("Galaxies/Galaxyfile1")).toString(), QStringLiteral("away.gxy"));
        QCOMPARE(StoredEntries().at(0).name, QStringLiteral("Away"));
        QVERIFY(!QFileInfo::exists(lockFile));
    } else {
        // Nothing stored, the lock left alone.
        QCOMPARE(StoreBytes(store), stored);
        QCOMPARE(StoredEntries().at(0).name, QStringLiteral("Home"));
        QCOMPARE(StoreBytes(lockFile), lockBefore);
    }
    if (held) {
        // Once it is let go, the next write goes through.
        held->unlock();
        QVERIFY(settings::WriteOptions(options));
        QCOMPARE(ReadBack(StoredOptions()), ReadBack(options));
    }
#endif
}

// A store of some 50 MB, most of it not this program's: the options and the
// Galaxy List read and write, and what else it holds stays.
void SettingsTest::largeStoreIsReadAndWrittenWhole()
{
#ifdef Q_OS_WIN
    QSKIP("the store is the registry on Windows");
#else
    Sandbox workspace;
    QByteArray big = "[Notes]\n";
    const QByteArray filler(100, 'x');
    int notes = 0;
    for (; big.size() < 50 * 1000 * 1000; ++notes) {
        big += "note" + QByteArray::number(notes) + '=' + filler + '\n';
    }
    QVERIFY(WriteAll(workspace.storeFile(), big + "[Options]\nHab=12\nMet=7\n"));
    QCOMPARE(StoredOptions().met, QStringLiteral("7"));
    QVERIFY(settings::WriteOptions({QStringLiteral("40"), QStringLiteral("30"), true, true, false, true}));
    QVERIFY(settings::WriteGalaxyList({{1, QStringLiteral("Away"), QStringLiteral("away.gxy")}}));
    QCOMPARE(ReadBack(StoredOptions()),
             ReadBack({QStringLiteral("40"), QStringLiteral("30"), true, true, false, true}));
    QSettings reference(workspace.storeFile(), QSettings::IniFormat);
    reference.beginGroup(QStringLiteral("Notes"));
    QCOMPARE(reference.childKeys().size(), notes);
    QCOMPARE(reference.value(QStringLiteral("note12345")).toString(), QString::fromLatin1(filler));
#endif
}

// Another program writes the store anew within the same millisecond, to the
// same size: the store reads what is there now, not what it read before.
void SettingsTest::changeOfTheSameSizeAndTimeIsRead()
{
#ifdef Q_OS_WIN
    QSKIP("the store is the registry on Windows");
#else
    Sandbox workspace;
    QVERIFY(WriteAll(workspace.storeFile(), "[Options]\nHab=12\n"));
    const QDateTime written = QFileInfo(workspace.storeFile()).lastModified();
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("12"));
    QVERIFY(WriteAll(workspace.storeFile(), "[Options]\nHab=34\n"));
    QFile store(workspace.storeFile());
    QVERIFY(store.open(QIODevice::ReadWrite) && store.setFileTime(written, QFileDevice::FileModificationTime));
    store.close();
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("34"));
    QVERIFY(WriteOne(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("5")));
    QCOMPARE(ReadOne(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("34"));
#endif
}

// On Windows the values are strings in the registry, under the key of the
// store's place; the player's own key is where the program keeps them.
void SettingsTest::storeIsTheRegistryKey()
{
#ifndef Q_OS_WIN
    QSKIP("the registry is Windows' store");
#else
    Sandbox workspace;
    QVERIFY(settings::WriteOptions({QStringLiteral("40"), QString(), true, false, true, false}));
    QVERIFY(settings::WriteGalaxyList({{3, QStringLiteral("@Home"), QStringLiteral("home.gxy")}}));
    const QString key = workspace.storeKey().mid(QStringLiteral("HKEY_CURRENT_USER\\").size());
    const auto type = [&](const QString& section, const QString& name) {
        DWORD found = 0;
        const std::wstring path = (key + QLatin1Char('\\') + section).toStdWString();
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.toStdWString().c_str(),
                                            RRF_RT_ANY | RRF_NOEXPAND, &found, nullptr, nullptr);
        return status == ERROR_SUCCESS ? found : DWORD(0xffffffff);
    };
    for (const char* name : {"Hab", "Met", "Rating", "Open", "Reader", "NotePad"}) {
        QCOMPARE(type(QStringLiteral("Options"), QString::fromLatin1(name)), DWORD(REG_SZ));
    }
    QCOMPARE(type(QStringLiteral("Galaxies"), QStringLiteral("Galaxy3")), DWORD(REG_SZ));
    QCOMPARE(type(QStringLiteral("GALAXIES"), QStringLiteral("GALAXYFILE3")), DWORD(REG_SZ));
    QCOMPARE(StoredRaw(QStringLiteral("Options"), QStringLiteral("Met")), QString());
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy3")), QStringLiteral("@Home"));
    QCOMPARE(ReadOne(QStringLiteral("galaxies"), QStringLiteral("GalaxyFile3")), QStringLiteral("home.gxy"));
#endif
}

int main(int argc, char* argv[])
{
    // The store's folder must be known before the first use of the store.
    const auto configHome = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", configHome->path().toLocal8Bit());
    QCoreApplication application(argc, argv);
    SettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings.moc"
