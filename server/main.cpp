// Pulsar, the ping server: no window, an icon in the notification area, a control socket, and
// a pass over the inventory every fifteen seconds.
#include "server/PulsarIcon.h"
#include "server/TMainForm.h"
#include "server/TMainFormTray.h"
#include "server/TPulsarApplication.h"
#include "server/UnixSignalWatcher.h"

#include <csignal>

int main(int argc, char** argv)
{
    // A server machine has no display: run on the offscreen platform instead of failing.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    TPulsarApplication app(argc, argv);
    TPulsarApplication::setApplicationName(QStringLiteral("pulsar"));
    TPulsarApplication::setQuitOnLastWindowClosed(false);
    TPulsarApplication::setWindowIcon(PulsarIcon());

    TMainForm MainForm(TMainForm::DefaultIniFileName(), TPulsarApplication::applicationFilePath());
    TMainFormTray tray(MainForm, TPulsarApplication::windowIcon());
    app.OnException
        = [&MainForm](QObject* sender, const QString& message) { MainForm.AppException(sender, message); };

    UnixSignalWatcher terminate({SIGTERM, SIGINT});
    QObject::connect(&terminate, &UnixSignalWatcher::received, &MainForm, &TMainForm::Terminate);

    if (MainForm.FormCreate())
        TPulsarApplication::setApplicationDisplayName(TMainForm::ServiceTitle());
    return TPulsarApplication::exec();
}
