// How long the main window waits on the settings store: from the start of
// the main window until it is built (the options and the Galaxy List read),
// and a click on "Dump to file" (the six options written, then the dump),
// on the store that XDG_CONFIG_HOME holds. Message boxes are answered as
// soon as they show. Run it on the offscreen platform:
//   QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=DIR settings_bench [RUNS]
// It prints the times of each run and which message boxes came up.
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "settings/Settings.h"
#include "windows/frmQuarrimax.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

class FolderServices final : public platform::SystemServices {
public:
    explicit FolderServices(QString folder) : m_folder(std::move(folder)) {}
    QString programFolder() const override { return m_folder; }

private:
    QString m_folder;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3;
    // A program folder of its own with a galaxy of one system, named by
    // Galaxy1 of the store if the store names one.
    QTemporaryDir program;
    QFile galaxy(program.filePath(QStringLiteral("g.gxy")));
    if (!galaxy.open(QIODevice::WriteOnly) || galaxy.write(QByteArray("GXY1") + QByteArray(492, '\0')) != 496) {
        std::fprintf(stderr, "cannot write the galaxy file\n");
        return 1;
    }
    galaxy.close();
    FolderServices folder(QDir::toNativeSeparators(program.path()));
    platform::ScopedSystemServices installed(folder);
    std::printf("store in %s, lock patience %lld ms\n", qPrintable(qEnvironmentVariable("XDG_CONFIG_HOME")),
                static_cast<long long>(settings::kLockPatience.count()));

    QStringList boxes;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&boxes] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.append(box->text());
            box->done(QMessageBox::Ok);
        }
    });
    answer.start(5);

    platform::DesktopPlatform desktop;
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        auto* window = new frmQuarrimax(desktop);
        const qint64 started = clock.elapsed();
        window->show();
        QApplication::processEvents();
        boxes.clear();
        auto* dump = window->findChild<QPushButton*>(QStringLiteral("cmdRetrive"));
        clock.restart();
        dump->click();
        const qint64 dumped = clock.elapsed();
        std::printf("run %d: start-up %lld ms, dump %lld ms, messages: %s\n", run, static_cast<long long>(started),
                    static_cast<long long>(dumped),
                    boxes.isEmpty() ? "none" : qPrintable(boxes.join(QStringLiteral(" | "))));
        window->close();
        delete window;
    }
    return 0;
}
