// Quarrimax: starts in the main window and ends when its last window closes.
#include "platform/Platform.h"
#include "platform/VersionRecord.h"
#include "windows/WindowLook.h"
#include "windows/frmQuarrimax.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The one line a player sees when there is no desktop to show the windows on,
// instead of the toolkit's report and an abort.
[[noreturn]] void NoDesktop(const QByteArray& why)
{
    std::fprintf(stderr, "Quarrimax needs a desktop to show its windows: %s.\n", why.constData());
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

QByteArray NoDisplaySet()
{
    return "no display is set (DISPLAY and WAYLAND_DISPLAY are empty)";
}

// The display that the toolkit could not open, as the environment names it.
QByteArray DisplayNotOpened()
{
    QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        display = qgetenv("WAYLAND_DISPLAY");
    }
    return display.isEmpty() ? NoDisplaySet() : "the display \"" + display + "\" could not be opened";
}

// On Linux the windows need one of the two displays, X11 or Wayland; Windows
// always has its desktop. A platform chosen by name (QT_QPA_PLATFORM,
// -platform) is left to say for itself whether it can start.
bool NoDisplayNamed(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    return false;
#endif
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return false;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return false;
        }
    }
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// While the application object connects to the display, the toolkit's
// messages are held back: when no display can be opened they end in a fatal
// message, which becomes the one line above; otherwise they are passed on.
struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

QList<HeldMessage>& Held()
{
    static QList<HeldMessage> held;
    return held;
}

// The platform plugin that the toolkit looked for and did not find, as its
// own messages name it; empty when every plugin it tried was there. A display
// that is set but has no plugin installed to reach it (a Wayland desktop
// without the toolkit's Wayland plugin) is then named as the cause, not the
// display.
QString MissingPlatformPlugin()
{
    static const QRegularExpression notFound(QStringLiteral("Could not find the Qt platform plugin \"([^\"]*)\""));
    for (const HeldMessage& message : Held()) {
        const QRegularExpressionMatch match = notFound.match(message.text);
        if (match.hasMatch()) {
            return match.captured(1);
        }
    }
    return {};
}

QByteArray NoDesktopReason()
{
    const QString plugin = MissingPlatformPlugin();
    if (!plugin.isEmpty()) {
        return "the Qt platform plugin \"" + plugin.toLocal8Bit() + "\" is not installed";
    }
    return DisplayNotOpened();
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        NoDesktop(NoDesktopReason());
    }
    Held().append({type, context.file, context.line, context.function, context.category, text});
}

std::unique_ptr<QApplication> ConnectToDesktop(int& argc, char* argv[])
{
    const QtMessageHandler passOn = qInstallMessageHandler(HoldMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(passOn);
    for (const HeldMessage& message : Held()) {
        const QMessageLogContext context(message.file.constData(), message.line, message.function.constData(),
                                         message.category.constData());
        if (passOn != nullptr) {
            passOn(message.type, context, message.text);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(message.type, context, message.text)));
        }
    }
    Held().clear();
    return application;
}

} // namespace

int main(int argc, char* argv[])
{
    if (NoDisplayNamed(argc, argv)) {
        NoDesktop(NoDisplaySet());
    }
    const std::unique_ptr<QApplication> application = ConnectToDesktop(argc, argv);
    QApplication::setApplicationName(platform::Version().productName);
    // Desktops find the program's entry, quarrimax.desktop, and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("quarrimax"));
    // Closing the main window leaves the other windows open; the program ends
    // with the last of them.
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setWindowIcon(look::ProgramIcon());
    look::UseProgramFonts();

    platform::DesktopPlatform desktop;
    auto* main = new frmQuarrimax(desktop);
    main->show();
    return QApplication::exec();
}
