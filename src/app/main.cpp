// Quarrimax: starts in the main window and ends when its last window closes.
#include "platform/VersionRecord.h"
#include "windows/WindowLook.h"
#include "windows/frmQuarrimax.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::Version().productName);
    // Closing the main window leaves the other windows open; the program ends
    // with the last of them.
    QApplication::setQuitOnLastWindowClosed(true);
    look::InitPictures();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.svg")));

    auto* main = new frmQuarrimax;
    main->show();
    return QApplication::exec();
}
