// The program started without a desktop to show its windows on: one line that
// says so, and a failure exit status, instead of the toolkit's report and an
// abort.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An X display number that no server on this machine answers.
QString UnusedXDisplay()
{
    for (int number = 7391; number < 7491; ++number) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
            && !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) {
            return QStringLiteral(":%1").arg(number);
        }
    }
    return {};
}

} // namespace

class NoDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void saysSoInOneLine_data();
    void saysSoInOneLine();
};

void NoDesktopTest::saysSoInOneLine_data()
{
    QTest::addColumn<QStringList>("settings"); // NAME=VALUE, on top of an environment without a display
    QTest::addColumn<QString>("reason");
    const QString noDisplay = QStringLiteral("no display is set (DISPLAY and WAYLAND_DISPLAY are empty)");
    QTest::newRow("no display set") << QStringList() << noDisplay;
    QTest::newRow("empty display names") << QStringList{"DISPLAY=", "WAYLAND_DISPLAY="} << noDisplay;
    QTest::newRow("X11 asked for, no display set") << QStringList{"QT_QPA_PLATFORM=xcb"} << noDisplay;
    QTest::newRow("X11 display that does not answer")
        << QStringList{"DISPLAY=%x"} << QStringLiteral("the display \"%x\" could not be opened");
    QTest::newRow("Wayland display that does not answer")
        << QStringList{"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=quarrimax-no-such-display"}
        << QStringLiteral("the display \"quarrimax-no-such-display\" could not be opened");
    // A display is set, but the plugin to reach it is not installed: the
    // missing plugin is the cause, also when a second plugin is tried after it
    // and fails for want of its own display.
    const QString missing = QStringLiteral("the Qt platform plugin \"quarrimax-no-such-plugin\" is not installed");
    QTest::newRow("platform plugin not installed")
        << QStringList{"QT_QPA_PLATFORM=quarrimax-no-such-plugin", "WAYLAND_DISPLAY=quarrimax-no-such-display"}
        << missing;
    QTest::newRow("first of two platform plugins not installed")
        << QStringList{"QT_QPA_PLATFORM=quarrimax-no-such-plugin;xcb", "WAYLAND_DISPLAY=quarrimax-no-such-display",
                       "DISPLAY=%x"}
        << missing;
}

void NoDesktopTest::saysSoInOneLine()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, reason);
#ifdef _WIN32
    QSKIP("a Windows program always has a desktop to show its windows on");
#endif
    const QString xDisplay = UnusedXDisplay();
    if (xDisplay.isEmpty()) {
        QSKIP("every X display number tried is in use on this machine");
    }
    settings.replaceInStrings(QStringLiteral("%x"), xDisplay);
    reason.replace(QStringLiteral("%x"), xDisplay);

    // The player's own settings are not touched, should the program get that far.
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    // A desktop gives its programs a private runtime folder; without one the Wayland
    // client library prints a complaint of its own before the program speaks.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    for (const QString& setting : settings) {
        const qsizetype equals = setting.indexOf(QLatin1Char('='));
        environment.insert(setting.left(equals), setting.mid(equals + 1));
    }

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(home.path());
    program.start(QStringLiteral(QUARRIMAX_PROGRAM), QStringList());
    QVERIFY(program.waitForStarted());
    QVERIFY2(program.waitForFinished(60000), "the program kept running");
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    QCOMPARE(err, QStringLiteral("Quarrimax needs a desktop to show its windows: %1.\n").arg(reason));
}

QTEST_GUILESS_MAIN(NoDesktopTest)
#include "tst_nodesktop.moc"
