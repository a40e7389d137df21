// Stand-ins for the desktop's services and the system services: each is in
// use for as long as it lives, stand-ins nest, and the services in use before
// come back at the end of each, so that no stand-in outlives its test.
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "state/Declare.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <functional>
#include <utility>

namespace {

// Desktop services that do nothing but say whose they are.
class Desktop final : public platform::Platform {
public:
    explicit Desktop(QString name) : name(std::move(name)) {}
    const QString name;

    platform::MessageAnswer messageBox(QWidget*, platform::MessageIcon, platform::MessageButtons, const QString&,
                                       const QString&) override
    {
        return platform::MessageAnswer::No;
    }
    std::optional<QString> inputBox(QWidget*, const QString&, const QString&, const QString&) override { return name; }
    std::optional<QString> openFileDialog(QWidget*, const QString&, const QString&) override { return name; }
    bool externalEditorExists() const override { return false; }
    bool startExternalEditor(const QString&) override { return false; }
};

// The desktop services in use, by what they say; the desktop's own are never
// asked, since they would show a dialog.
QString InUse(const platform::Platform* own)
{
    platform::Platform& services = platform::Platform::services();
    if (&services == own) {
        return QStringLiteral("the desktop's");
    }
    return services.inputBox(nullptr, {}, {}, {}).value_or(QString());
}

} // namespace

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void standInsNestAndGiveWay_data();
    void standInsNestAndGiveWay();
    void scriptedServicesAnswerForBoth();
};

void ServicesTest::standInsNestAndGiveWay_data()
{
    QTest::addColumn<int>("depth");
    QTest::newRow("one stand-in") << 1;
    QTest::newRow("two, one inside the other") << 2;
    QTest::newRow("five deep") << 5;
}

// At every depth the innermost live stand-in answers; when it ends, the one
// around it answers again, and after the outermost the system's own.
void ServicesTest::standInsNestAndGiveWay()
{
    QFETCH(int, depth);
    const platform::Platform* desktop = &platform::Platform::services();
    const QString own = platform::SystemServices::current().programFolder();
    QCOMPARE(own, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    QCOMPARE(InUse(desktop), QStringLiteral("the desktop's"));
    QStringList seen;
    std::function<void(int)> nest = [&](int level) {
        if (level > depth) {
            return;
        }
        const QString name = QStringLiteral("stand-in %1").arg(level);
        testsupport::FolderServices folder(QStringLiteral("/folder/") + name);
        Desktop standIn(name);
        const platform::ScopedSystemServices folderInstalled(folder);
        const platform::ScopedPlatform standInInstalled(standIn);
        seen.append(InUse(desktop));
        QCOMPARE(platform::SystemServices::current().programFolder(), QStringLiteral("/folder/") + name);
        nest(level + 1);
        QCOMPARE(InUse(desktop), name);
        QCOMPARE(platform::SystemServices::current().programFolder(), QStringLiteral("/folder/") + name);
    };
    nest(1);
    QCOMPARE(seen.size(), depth);
    QCOMPARE(seen.last(), QStringLiteral("stand-in %1").arg(depth));
    QCOMPARE(InUse(desktop), QStringLiteral("the desktop's"));
    QCOMPARE(platform::SystemServices::current().programFolder(), own);
}

// The tests' scripted services stand in for the desktop and for the program
// folder, which the galaxy state resolves galaxy files against, and both come
// back when it ends, also when another stand-in was in use before it.
void ServicesTest::scriptedServicesAnswerForBoth()
{
    const platform::Platform* desktop = &platform::Platform::services();
    Desktop outer(QStringLiteral("outer"));
    const platform::ScopedPlatform outerInstalled(outer);
    {
        testsupport::ScriptedPlatform scripted;
        scripted.folder = QStringLiteral("/games/quarrimax");
        scripted.inputAnswers.enqueue(QStringLiteral("scripted"));
        QCOMPARE(InUse(desktop), QStringLiteral("scripted"));
        QCOMPARE(Declare::GalaxyPath(QStringLiteral("sub\\alpha.gxy")),
                 QDir::toNativeSeparators(QStringLiteral("/games/quarrimax/sub/alpha.gxy")));
    }
    QCOMPARE(InUse(desktop), QStringLiteral("outer"));
    QCOMPARE(Declare::GalaxyPath(QStringLiteral("alpha.gxy")),
             QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QStringLiteral("/alpha.gxy")));
}

QTEST_GUILESS_MAIN(ServicesTest)
#include "tst_services.moc"
