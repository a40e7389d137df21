// The settings store: where it lives, case-blind keys, values kept exactly as
// written, failed writes, and loading the Galaxy List.
#include "settings/Settings.h"
#include "support/GalaxyBuilder.h"
#include "support/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
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

} // namespace

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
