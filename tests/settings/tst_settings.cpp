// The settings store: where it lives, case-blind keys, values kept exactly as
// written, failed writes, and loading the Galaxy List.
#include "settings/Schema.h"
#include "settings/Settings.h"
#include "support/GalaxyBuilder.h"
#include "support/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSettings>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace testsupport;
using settings::LoadGalaxyList;
using settings::ReadSetting;
using settings::WriteSetting;

namespace {

// The names and numbers of the entries that the galaxy selector offers.
QStringList Offered(const QList<settings::GalaxyEntry>& entries)
{
    QStringList offered;
    for (const settings::GalaxyEntry& entry : entries) {
        offered.append(QString::number(entry.number) + QLatin1Char(' ') + entry.name);
    }
    return offered;
}

// What a dump's options read back as, key by key, in the order they are written.
QStringList ReadBack(const settings::Options& options)
{
    const auto flag = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
    return {options.hab, options.met, flag(options.rating), flag(options.open), flag(options.reader),
            flag(options.notePad)};
}

// The keys of a section as they stand in the store, "key=value", sorted.
QStringList StoredSection(const QString& section)
{
    QSettings store = RawStore();
    store.beginGroup(section);
    QStringList stored;
    for (const QString& key : store.childKeys()) {
        stored.append(key + QLatin1Char('=') + store.value(key).toString());
    }
    stored.sort();
    return stored;
}

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
    void loadGalaxyListFillsMemoryAndOffersNamedEntries();
    void loadGalaxyListLeavesTheSelectionAlone();
    void loadGalaxyListReadsTheEditorsKeys();
    void optionsReadBackByTheirForms_data();
    void optionsReadBackByTheirForms();
    void writtenOptionsReadBackTheSame_data();
    void writtenOptionsReadBackTheSame();
    void refusedWritesKeepNothing();
};

// Runs first, before any test points the store elsewhere: the store follows
// XDG_CONFIG_HOME, which main() set to a folder of this run.
void SettingsTest::storeLivesInTheUsersConfigFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY(!configHome.isEmpty());
    QVERIFY(WriteSetting(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("42")));
    const QString expected = configHome + QStringLiteral("/Quarrimax2/Quarrimax2.conf");
    QVERIFY2(QFileInfo(expected).isFile(), qPrintable(expected));
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Hab")), QStringLiteral("42"));
}

void SettingsTest::absentKeysReadEmpty()
{
    Sandbox workspace;
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QVERIFY(!QFileInfo::exists(workspace.storeFile()));
    StoreRaw(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("7"));
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QCOMPARE(ReadSetting(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), QString());
}

void SettingsTest::keysMatchWithoutRegardToCase()
{
    Sandbox workspace;
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile2"), QStringLiteral("second.gxy"));
    QCOMPARE(ReadSetting(QStringLiteral("Galaxies"), QStringLiteral("GalaxyFile2")), QStringLiteral("second.gxy"));
    QCOMPARE(ReadSetting(QStringLiteral("Galaxies"), QStringLiteral("GALAXYFILE2")), QStringLiteral("second.gxy"));
    QCOMPARE(ReadSetting(QStringLiteral("Galaxies"), QStringLiteral("GalaxyFile1")), QString());
}

void SettingsTest::sectionsMatchWithoutRegardToCase()
{
    Sandbox workspace;
    StoreRaw(QStringLiteral("options"), QStringLiteral("Rating"), QStringLiteral("1"));
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("rating")), QStringLiteral("1"));
    QVERIFY(WriteSetting(QStringLiteral("OPTIONS"), QStringLiteral("RATING"), QStringLiteral("0")));
    QCOMPARE(StoredRaw(QStringLiteral("options"), QStringLiteral("Rating")), QStringLiteral("0"));
    QVERIFY(!RawStore().childGroups().contains(QStringLiteral("OPTIONS")));
}

void SettingsTest::writeReplacesWhateverCaseWasStored()
{
    Sandbox workspace;
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("galaxyFILE3"), QStringLiteral("old.gxy"));
    QVERIFY(WriteSetting(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile3"), QStringLiteral("new.gxy")));
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("galaxyFILE3")), QStringLiteral("new.gxy"));
    QSettings store = RawStore();
    store.beginGroup(QStringLiteral("Galaxies"));
    QCOMPARE(store.childKeys(), QStringList{QStringLiteral("galaxyFILE3")});
    QCOMPARE(ReadSetting(QStringLiteral("Galaxies"), QStringLiteral("GalaxyFile3")), QStringLiteral("new.gxy"));
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
    QVERIFY(WriteSetting(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1"), value));
    QCOMPARE(ReadSetting(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), value);
    QCOMPARE(StoredRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy1")), value);
}

void SettingsTest::refusedWriteIsReported()
{
    Sandbox workspace;
    // A folder where the store's file should be: nothing can be written.
    QVERIFY(QDir().mkpath(workspace.storeFile()));
    QVERIFY(!WriteSetting(QStringLiteral("Options"), QStringLiteral("Hab"), QStringLiteral("5")));
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
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

    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Rating")), QString());
    QVERIFY(LoadGalaxyList().isEmpty());
    QCOMPARE(Declare::pstrGalaxyFile[1], QString());
    // Writing a key of its own changes neither that nor the fallback.
    QVERIFY(WriteSetting(QStringLiteral("Options"), QStringLiteral("Met"), QStringLiteral("3")));
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Met")), QStringLiteral("3"));
    QCOMPARE(ReadSetting(QStringLiteral("Options"), QStringLiteral("Hab")), QString());
    QFile in(fallback);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), held);
}

void SettingsTest::loadGalaxyListFillsMemoryAndOffersNamedEntries()
{
    Sandbox workspace;
    StoreGalaxy(1, QStringLiteral("One"), QStringLiteral("one.gxy"));
    StoreGalaxy(2, QString(), QStringLiteral("two.gxy"));
    StoreGalaxy(3, QStringLiteral("Three"), QStringLiteral("three.gxy"));
    const QList<settings::GalaxyEntry> offered = LoadGalaxyList();
    QCOMPARE(Declare::pstrGalaxyName[1], QStringLiteral("One"));
    QCOMPARE(Declare::pstrGalaxyName[2], QString());
    QCOMPARE(Declare::pstrGalaxyFile[2], QStringLiteral("two.gxy"));
    QCOMPARE(Declare::pstrGalaxyName[3], QStringLiteral("Three"));
    QCOMPARE(Declare::pstrGalaxyFile[3], QStringLiteral("three.gxy"));
    QCOMPARE(Declare::pstrGalaxyName[4], QString());
    QCOMPARE(Declare::pstrGalaxyFile[4], QString());
    QCOMPARE(Declare::pstrGalaxyName[0], QString());
    // An entry without a name is not offered and shifts no later entry.
    QCOMPARE(Offered(offered), (QStringList{QStringLiteral("1 One"), QStringLiteral("3 Three")}));
}

void SettingsTest::loadGalaxyListLeavesTheSelectionAlone()
{
    Sandbox workspace;
    QVERIFY(GalaxyBuilder().writeTo(workspace.file(QStringLiteral("earlier.gxy"))));
    Declare::pstrGalaxyName[1] = QStringLiteral("Earlier");
    Declare::pstrGalaxyFile[1] = QStringLiteral("earlier.gxy");
    QCOMPARE(Declare::SelectGalaxy(1), Declare::Selection::Opened);
    StoreGalaxy(4, QStringLiteral("Four"), QStringLiteral("four.gxy"));
    QCOMPARE(Offered(LoadGalaxyList()), QStringList{QStringLiteral("4 Four")});
    QCOMPARE(Declare::pstrGalaxyName[1], QString());
    QCOMPARE(Declare::pstrCurrentGalaxyFile, QStringLiteral("earlier.gxy"));
    QVERIFY(Declare::openGalaxyFile.isOpen());
}

void SettingsTest::loadGalaxyListReadsTheEditorsKeys()
{
    Sandbox workspace;
    // The editor writes "Galaxyfile"; the list is read as "GalaxyFile".
    QVERIFY(WriteSetting(QStringLiteral("Galaxies"), QStringLiteral("Galaxy2"), QStringLiteral("Second")));
    QVERIFY(WriteSetting(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile2"), QStringLiteral("second.gxy")));
    const QList<settings::GalaxyEntry> offered = LoadGalaxyList();
    QCOMPARE(Declare::pstrGalaxyFile[2], QStringLiteral("second.gxy"));
    QCOMPARE(Offered(offered), QStringList{QStringLiteral("2 Second")});
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
        {"1", true, false},    {" 1", true, false},       {"1.0", true, false},    {"01", true, false},
        {"1 and more", true, false}, {"0", false, false}, {"2", false, false},     {"True", false, true},
        {"true", false, false}, {"TRUE", false, false},   {" True", false, false}, {"False", false, false},
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
    QCOMPARE(ReadBack(settings::ReadOptions()), expected);
}

// Options written and read again are the options written, whatever they are,
// and the store holds each in its form.
void SettingsTest::writtenOptionsReadBackTheSame_data()
{
    QTest::addColumn<settings::Options>("options");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("nothing ticked") << settings::Options{}
                                    << QStringList{"Hab=", "Met=", "NotePad=False", "Open=0", "Rating=0", "Reader=False"};
    QTest::newRow("everything ticked") << settings::Options{"5", "7", true, true, true, true}
                                       << QStringList{"Hab=5", "Met=7", "NotePad=True", "Open=1", "Rating=1",
                                                      "Reader=True"};
    QTest::newRow("texts as typed") << settings::Options{" 4x", "-", false, true, false, true}
                                    << QStringList{"Hab= 4x", "Met=-", "NotePad=True", "Open=1", "Rating=0",
                                                   "Reader=False"};
}

void SettingsTest::writtenOptionsReadBackTheSame()
{
    QFETCH(settings::Options, options);
    QFETCH(QStringList, stored);
    Sandbox workspace;
    QVERIFY(settings::WriteOptions(options));
    QCOMPARE(StoredSection(QStringLiteral("Options")), stored);
    QCOMPARE(ReadBack(settings::ReadOptions()), ReadBack(options));
}

// A store that refuses writes keeps nothing of the options or the Galaxy
// List, and each operation says it failed.
void SettingsTest::refusedWritesKeepNothing()
{
    Sandbox workspace;
    // A folder where the store's file should be: nothing can be written.
    QVERIFY(QDir().mkpath(workspace.storeFile()));
    QVERIFY(!settings::WriteOptions({QStringLiteral("40"), QStringLiteral("30"), true, true, true, false}));
    QVERIFY(!settings::SaveGalaxyList({{1, QStringLiteral("One"), QStringLiteral("one.gxy")},
                                       {2, QStringLiteral("Two"), QStringLiteral("two.gxy")}}));
    QCOMPARE(StoredSection(QStringLiteral("Options")), QStringList());
    QCOMPARE(StoredSection(QStringLiteral("Galaxies")), QStringList());
    QCOMPARE(ReadBack(settings::ReadOptions()), ReadBack(settings::Options{}));
    QVERIFY(settings::LoadGalaxyList().isEmpty());
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
