// Quarrimax: starts in the main window and ends when its last window closes.
#include "platform/VersionRecord.h"
#include "windows/WindowLook.h"
#include "windows/frmQuarrimax.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::Version().productName);
    // Desktops find the program's entry, quarrimax.desktop, and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("quarrimax"));
    // Closing the main window leaves the other windows open; the program ends
    // with the last of them.
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setWindowIcon(look::ProgramIcon());
    look::UseProgramFonts();

    auto* main = new frmQuarrimax;
    main->show();
    return QApplication::exec();
}
