// Stand-ins for the system services: each is in use for as long as it lives,
// stand-ins nest, and the services in use before come back at the end of
// each, so that no stand-in outlives its test. The tests' scripted services
// stand in for the program folder as well.
#include "platform/SystemServices.h"
#include "state/Declare.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <functional>

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void standInsNestAndGiveWay_data();
    void standInsNestAndGiveWay();
    void scriptedServicesStandInForTheProgramFolder();
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
    const QString own = platform::SystemServices::current().programFolder();
    QCOMPARE(own, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    QStringList seen;
    std::function<void(int)> nest = [&](int level) {
        if (level > depth) {
            return;
        }
        const QString folder = QStringLiteral("/folder/stand-in %1").arg(level);
        testsupport::FolderServices services(folder);
        const platform::ScopedSystemServices installed(services);
        seen.append(platform::SystemServices::current().programFolder());
        nest(level + 1);
        QCOMPARE(platform::SystemServices::current().programFolder(), folder);
    };
    nest(1);
    QCOMPARE(seen.size(), depth);
    QCOMPARE(seen.last(), QStringLiteral("/folder/stand-in %1").arg(depth));
    QCOMPARE(platform::SystemServices::current().programFolder(), own);
}

// The tests' scripted services stand in for the program folder, which the
// galaxy state resolves galaxy files against, and the one before comes back
// when they end, also when another stand-in was in use before them.
void ServicesTest::scriptedServicesStandInForTheProgramFolder()
{
    testsupport::FolderServices outer(QStringLiteral("/outer"));
    const platform::ScopedSystemServices outerInstalled(outer);
    {
        testsupport::ScriptedPlatform scripted;
        scripted.folder = QStringLiteral("/games/quarrimax");
        QCOMPARE(&testsupport::ScriptedPlatform::InUse(), &scripted);
        QCOMPARE(Declare::GalaxyPath(QStringLiteral("sub\\alpha.gxy")),
                 QDir::toNativeSeparators(QStringLiteral("/games/quarrimax/sub/alpha.gxy")));
        {
            testsupport::ScriptedPlatform inner;
            inner.folder = QStringLiteral("/inner");
            QCOMPARE(&testsupport::ScriptedPlatform::InUse(), &inner);
        }
        QCOMPARE(&testsupport::ScriptedPlatform::InUse(), &scripted);
    }
    QCOMPARE(Declare::GalaxyPath(QStringLiteral("alpha.gxy")),
             QDir::toNativeSeparators(QStringLiteral("/outer/alpha.gxy")));
}

QTEST_GUILESS_MAIN(ServicesTest)
#include "tst_services.moc"
