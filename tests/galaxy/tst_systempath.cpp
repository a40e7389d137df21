// How the galaxy core takes a path: on Windows by Windows' own rule for
// names, with the long form only for what is past 260 characters; elsewhere
// as given. And which paths name a plain file that is there.
#include "galaxy/SystemFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <string>

namespace {

std::filesystem::path Path(const QString& text)
{
    return std::filesystem::path(text.toStdU16String());
}

QString Text(const std::filesystem::path& path)
{
    return QString::fromStdU16String(path.u16string());
}

} // namespace

class SystemPathTest : public QObject {
    Q_OBJECT

private slots:
    void pathsAsTheSystemTakesThem_data();
    void pathsAsTheSystemTakesThem();
    void plainFilesThatAreThere_data();
    void plainFilesThatAreThere();
};

void SystemPathTest::pathsAsTheSystemTakesThem_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
    const QString far = QStringLiteral("C:\\") + QString(100, QLatin1Char('a')) + QLatin1Char('\\')
                        + QString(100, QLatin1Char('b')) + QLatin1Char('\\') + QString(60, QLatin1Char('c'))
                        + QStringLiteral(".gxy");
    QTest::newRow("as it is") << "C:\\game\\alpha.gxy"
                              << "C:\\game\\alpha.gxy";
    QTest::newRow("trailing blank") << "C:\\game\\alpha.gxy "
                                    << "C:\\game\\alpha.gxy";
    QTest::newRow("trailing dots and blanks") << "C:\\game\\alpha.gxy. . "
                                              << "C:\\game\\alpha.gxy";
    QTest::newRow("forward slashes") << "C:/game/sub/alpha.gxy"
                                     << "C:\\game\\sub\\alpha.gxy";
    QTest::newRow("folders walked") << "C:\\game\\sub\\..\\.\\alpha.gxy"
                                    << "C:\\game\\alpha.gxy";
    QTest::newRow("259 characters stay short") << far.left(259) << far.left(259);
    QTest::newRow("260 characters take the long form") << far.left(260) << "\\\\?\\" + far.left(260);
    QTest::newRow("long, with a trailing blank") << far + " "
                                                 << "\\\\?\\" + far;
    QTest::newRow("long on a share") << "\\\\server\\share\\" + far.mid(3)
                                     << "\\\\?\\UNC\\server\\share\\" + far.mid(3);
    QTest::newRow("long form given stays") << "\\\\?\\C:\\game\\alpha.gxy "
                                           << "\\\\?\\C:\\game\\alpha.gxy ";
    QTest::newRow("device path stays") << "\\\\.\\NUL"
                                       << "\\\\.\\NUL";
#else
    QTest::newRow("as it is") << "/game/alpha.gxy"
                              << "/game/alpha.gxy";
    QTest::newRow("trailing blank is part of the name") << "/game/alpha.gxy "
                                                        << "/game/alpha.gxy ";
    QTest::newRow("trailing dot is part of the name") << "/game/alpha.gxy."
                                                      << "/game/alpha.gxy.";
    QTest::newRow("relative") << "sub/alpha.gxy"
                              << "sub/alpha.gxy";
#endif
}

void SystemPathTest::pathsAsTheSystemTakesThem()
{
    QFETCH(QString, given);
    QFETCH(QString, expected);
    QCOMPARE(Text(galaxy::SystemPath(Path(given))), expected);
}

void SystemPathTest::plainFilesThatAreThere_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    QTest::newRow("the file") << "alpha.gxy" << true;
    QTest::newRow("with a trailing blank") << "alpha.gxy " << windows;
    QTest::newRow("with a trailing dot") << "alpha.gxy." << windows;
    QTest::newRow("another name") << "beta.gxy" << false;
    QTest::newRow("a folder") << "folder" << false;
    QTest::newRow("the empty name") << "" << false;
#ifdef Q_OS_WIN
    QTest::newRow("a device") << "nul.gxy" << false;
#else
    QTest::newRow("a device") << "/dev/null" << false;
#endif
}

void SystemPathTest::plainFilesThatAreThere()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("alpha.gxy")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    const QString path = name.isEmpty() || name.startsWith(QLatin1Char('/'))
                             ? name
                             : QDir::toNativeSeparators(folder.path() + QLatin1Char('/') + name);
    QCOMPARE(galaxy::IsExistingPlainFile(Path(path)), exists);
}

QTEST_GUILESS_MAIN(SystemPathTest)
#include "tst_systempath.moc"
