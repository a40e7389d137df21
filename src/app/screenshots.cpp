// quarrimax_screenshots: renders every window of the program to PNG files, for
// the pictures in the README. Run it through scripts/screenshots.sh, which
// gives it a program folder of its own: a copy of this tool beside a sample
// galaxy and a sample dump.txt. Its settings live in a temporary folder, so
// the player's own are neither read nor changed.
//
//   quarrimax_screenshots OUTPUT_FOLDER
#include "platform/Platform.h"
#include "platform/VersionRecord.h"
#include "settings/Schema.h"
#include "windows/WindowLook.h"
#include "windows/frmAbout.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmMerge.h"
#include "windows/frmModifyList.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

namespace {

// Lets the window settle: shown, laid out and painted.
void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}

bool Save(QWidget* window, const QDir& folder, const QString& name)
{
    Settle();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The desktop's own services, except that the monitor's delay prompt is
// answered at once, so that the monitor can be shown running.
class AnsweringPlatform final : public platform::ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;
    std::optional<QString> inputBox(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QStringLiteral("5");
    }
};

// A Galaxy List and dump options as a player might keep them.
bool PrepareSettings()
{
    return settings::WriteGalaxyList({{1, QStringLiteral("Sample"), QStringLiteral("sample.gxy")},
                                      {2, QStringLiteral("Home cluster"), QStringLiteral("sample.gxy")}})
           && settings::WriteOptions({QStringLiteral("40"), QStringLiteral("30"), true, true, true, false});
}

// Renders every window, each as a player sees it, into the folder.
bool SaveEveryWindow(platform::Platform& desktop, const QDir& output)
{
    bool ok = true;
    auto* main = new frmQuarrimax(desktop);
    main->show();
    ok &= Save(main, output, QStringLiteral("main-window"));
    main->cmdOptions_Click();
    ok &= Save(main, output, QStringLiteral("main-window-options"));

    {
        frmModifyList editor(desktop, main);
        editor.show();
        ok &= Save(&editor, output, QStringLiteral("galaxy-list-editor"));
    }

    frmAbout* about = frmAbout::Show();
    ok &= Save(about, output, QStringLiteral("about"));
    about->close();

    if (frmOpenText* viewer = frmOpenText::Show(desktop)) {
        ok &= Save(viewer, output, QStringLiteral("report-viewer"));
        viewer->close();
    } else {
        ok = false;
    }

    frmMerge* merge = frmMerge::Show(desktop);
    merge->txtMergeIn->setText(QStringLiteral("galaxies/home.gxy"));
    merge->txtMergeFrom->setText(QStringLiteral("galaxies/scouted.gxy"));
    ok &= Save(merge, output, QStringLiteral("merge"));
    merge->close();

    // The monitor a few ticks into its watch, started with a delay of five
    // seconds: the ship on its way and the file's size shown.
    {
        AnsweringPlatform answering(desktop);
        frmAutoCheck* monitor = frmAutoCheck::Show(answering, main->thresholdSource());
        monitor->cmdStartStop_Click();
        for (int tick = 0; tick < 12; ++tick) {
            monitor->tmrChecking_Timer();
        }
        ok &= Save(monitor, output, QStringLiteral("monitor"));
        monitor->cmdStartStop_Click();
        monitor->close();
    }

    main->close();
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarrimax_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    QDir output(QString::fromLocal8Bit(argv[1]));
    if (!output.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    const QDir folder(QCoreApplication::applicationDirPath());
    if (!folder.exists(QStringLiteral("sample.gxy")) || !folder.exists(QStringLiteral("dump.txt"))) {
        std::fprintf(stderr, "sample.gxy and dump.txt must lie beside the program: run scripts/screenshots.sh\n");
        return 1;
    }
    const QTemporaryDir store;
    if (!store.isValid()) {
        std::fprintf(stderr, "cannot make a settings folder\n");
        return 1;
    }
    const settings::ScopedStorePlace place(store.path());
    QApplication::setApplicationName(platform::Version().productName);
    QApplication::setWindowIcon(look::ProgramIcon());
    look::UseProgramFonts();
    if (!PrepareSettings()) {
        std::fprintf(stderr, "cannot write the settings\n");
        return 1;
    }

    platform::DesktopPlatform desktop;
    const bool ok = SaveEveryWindow(desktop, output);
    Settle();
    return ok ? 0 : 1;
}
