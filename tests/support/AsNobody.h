// Runs one case of a window test as the ordinary user "nobody". Permission
// checks do not hold for root, and a process that holds a Qt application
// cannot safely fork, so when the tests run as root the case is started
// afresh in a copy of the same test program through setpriv, as nobody from
// its first instruction on. Run by anyone else, the case runs in place, and
// so it always does on Windows, which has no such root.
//
// In a test function, before anything else:
//     QUARRIMAX_AS_NOBODY(runner, environment);
// where runner is a NobodyRun that lives as long as the test program.
#pragma once

#include "support/Unprivileged.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace testsupport {

// Set in the environment of a case that runs again as nobody.
inline constexpr char kAsNobodyVariable[] = "QUARRIMAX_TEST_AS_NOBODY";

inline bool RunningAsNobodyAgain()
{
    return qEnvironmentVariableIsSet(kAsNobodyVariable);
}

// The case must run again: the tests run as root.
inline bool MustRunAsNobody()
{
    return RunningAsRoot() && !RunningAsNobodyAgain();
}

// In a case run again: whether it runs as nobody, as it must.
inline bool RunningAsNobody()
{
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == kNobody;
#endif
}

class NobodyRun {
public:
    enum class Outcome { Passed, Failed, Skipped, NotRun };

    // A folder that every user may enter and write in (with the sticky bit,
    // like /tmp), holding the copy of the test program; removed at the end.
    QString sharedFolder()
    {
        if (!m_shared) {
            m_shared = std::make_unique<QTemporaryDir>();
            if (!m_shared->isValid() || !OpenToEveryone(m_shared->path())) {
                m_shared.reset();
                return {};
            }
        }
        return m_shared->path();
    }

    // Runs the current test function and data row of the test class again as
    // nobody, with the given variables added to its environment. detail is
    // the reason of a skip or the output of a failed run.
    Outcome run(const char* testClass, QString& detail, const QProcessEnvironment& extra = {})
    {
#ifdef _WIN32
        Q_UNUSED(testClass);
        Q_UNUSED(extra);
        detail = QStringLiteral("Windows has no root to give up");
        return Outcome::NotRun;
#else
        const QString shared = sharedFolder();
        if (shared.isEmpty()) {
            detail = QStringLiteral("no folder open to every user could be made");
            return Outcome::NotRun;
        }
        // A copy in the shared folder: the build tree may be closed to nobody.
        const QString program =
            shared + QStringLiteral("/") + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        if (!QFileInfo::exists(program)
            && (!QFile::copy(QCoreApplication::applicationFilePath(), program)
                || !QFile::setPermissions(program, Runnable()))) {
            detail = QStringLiteral("the test program could not be copied where nobody can run it");
            return Outcome::NotRun;
        }

        const QString function = QString::fromLatin1(QTest::currentTestFunction());
        const QString tag = QTest::currentDataTag() != nullptr ? QString::fromUtf8(QTest::currentDataTag()) : QString();
        const QString testCase = tag.isEmpty() ? function : function + QStringLiteral(":") + tag;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(extra);
        environment.insert(QString::fromLatin1(kAsNobodyVariable), QStringLiteral("1"));
        environment.insert(QStringLiteral("TMPDIR"), shared);
        environment.insert(QStringLiteral("HOME"), shared);
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), shared + QStringLiteral("/cache"));
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));

        QProcess child;
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(shared);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.setStandardInputFile(QProcess::nullDevice());
        const QString nobody = QString::number(kNobody);
        child.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=") + nobody, QStringLiteral("--regid=") + nobody,
                     QStringLiteral("--clear-groups"), QStringLiteral("--"), program, testCase});
        if (!child.waitForStarted(60000)) {
            detail = QStringLiteral("setpriv could not be started to run the case as nobody: ") + child.errorString();
            return Outcome::NotRun;
        }
        const bool finished = child.waitForFinished(10 * 60 * 1000);
        if (!finished) {
            child.kill();
            child.waitForFinished(60000);
        }
        const QString output = QString::fromLocal8Bit(child.readAll());
        detail = output;
        if (finished && !output.contains(QStringLiteral("********* Start testing of "))) {
            // setpriv itself failed, or the program could not start as nobody.
            detail = QStringLiteral("the test program could not be run as nobody: ") + output.trimmed();
            return Outcome::NotRun;
        }
        if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            return Outcome::Failed;
        }
        const QRegularExpressionMatch skipped =
            QRegularExpression(QStringLiteral("^SKIP   : [^\\n]*?\\) (.*)$"), QRegularExpression::MultilineOption)
                .match(output);
        if (skipped.hasMatch()) {
            detail = QStringLiteral("as nobody: ") + skipped.captured(1);
            return Outcome::Skipped;
        }
        const QString passed = QStringLiteral("PASS   : ") + QString::fromLatin1(testClass) + QStringLiteral("::")
                               + function + QStringLiteral("(") + tag + QStringLiteral(")");
        return output.contains(passed) ? Outcome::Passed : Outcome::Failed;
#endif
    }

private:
    static bool OpenToEveryone(const QString& folder)
    {
#ifdef _WIN32
        return QFileInfo(folder).isDir();
#else
        return ::chmod(QFile::encodeName(folder).constData(), 01777) == 0;
#endif
    }

    static QFileDevice::Permissions Runnable()
    {
        return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
               | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    }

    std::unique_ptr<QTemporaryDir> m_shared;
};

} // namespace testsupport

// Ends the test function with the outcome of the case run again as nobody
// when the tests run as root; in the case run again, makes sure that it does
// not run as root.
#define QUARRIMAX_AS_NOBODY(runner, environment)                                                                       \
    do {                                                                                                               \
        if (testsupport::MustRunAsNobody()) {                                                                          \
            QString detail_;                                                                                           \
            switch ((runner).run(metaObject()->className(), detail_, (environment))) {                                 \
            case testsupport::NobodyRun::Outcome::Passed: return;                                                      \
            case testsupport::NobodyRun::Outcome::Skipped:                                                             \
            case testsupport::NobodyRun::Outcome::NotRun: QSKIP(qPrintable(detail_));                                  \
            case testsupport::NobodyRun::Outcome::Failed: QFAIL(qPrintable(detail_));                                  \
            }                                                                                                          \
            QFAIL("unknown outcome");                                                                                  \
        }                                                                                                              \
        if (testsupport::RunningAsNobodyAgain()) {                                                                     \
            QVERIFY(testsupport::RunningAsNobody());                                                                   \
        }                                                                                                              \
    } while (false)
