#include "server/TMainForm.h"

#include "common/DayCount.h"
#include "common/IniStore.h"
#include "common/Inventory.h"
#include "common/Scramble.h"
#include "platform/autostart/Autostart.h"
#include "server/StatusText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTimerEvent>

#include <cstdio>

namespace
{

const QString Connection = QStringLiteral("Connection");

// NextPing: the pass time plus the interval in whole seconds, computed in floating point.
double NextPingAfter(double pingTime, int intervalSeconds)
{
    return (pingTime * 86400.0 + intervalSeconds) / 86400.0;
}

QString ErrorText(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

QString TMainForm::ServiceTitle()
{
    return QStringLiteral("Pulsar Service");
}

QString TMainForm::DefaultIniFileName()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vigilo.ini"));
}

TMainForm::TMainForm(const QString& iniFileName, const QString& executablePath, QObject* parent)
    : QObject(parent)
    , FIniFileName(iniFileName)
    , FExecutablePath(executablePath)
    , PingData(&ADOConnection1)
{
    setObjectName(QStringLiteral("MainForm"));
    Pinger.ReceiveTimeout = 100;
    Pinger.OnReply = [this](const IcmpReply& reply) { PingerReply(reply); };
    connect(&FControl, &ControlChannel::messageReceived, this, &TMainForm::PostMessage);
}

TMainForm::~TMainForm()
{
    FTimer.stop();
}

bool TMainForm::FormCreate()
{
    switch (FControl.listen()) {
    case ControlChannel::ListenResult::AlreadyRunning:
        WriteStatusLine(ServiceTitle() + QStringLiteral(" is already running; this copy ends"));
        PostMessage(WM_CLOSE);
        return false;
    case ControlChannel::ListenResult::Failed:
        // Pinging still works; only the control records cannot reach this copy.
        WriteStatusLine(FControl.errorString());
        break;
    case ControlChannel::ListenResult::Listening:
        WriteStatusLine(QStringLiteral("%1 started (process %2, control socket %3)")
                            .arg(ServiceTitle())
                            .arg(QCoreApplication::applicationPid())
                            .arg(ControlChannel::serverName()));
        break;
    }
    SetHint(ServiceTitle());
    PostMessage(WM_SERVER_RESTART);
    return true;
}

void TMainForm::PostMessage(int message)
{
    // WM_CLOSE travels as Qt's close event; the other numbers are event types of their own.
    const auto type = message == WM_CLOSE ? QEvent::Close : QEvent::Type(message);
    QCoreApplication::postEvent(this, new QEvent(type));
}

bool TMainForm::event(QEvent* event)
{
    switch (int(event->type())) {
    case WM_SERVER_RESTART:
        WMServerRestart();
        return true;
    case WM_SERVER_STOP:
        WMServerStop();
        return true;
    case QEvent::Close:
        WMClose();
        return true;
    default:
        return QObject::event(event);
    }
}

void TMainForm::timerEvent(QTimerEvent*)
{
    WMTimer();
}

void TMainForm::ShowStatus(const QString& text)
{
    SetHint(WrapText(text, StatusColumns));
    WriteStatusLine(text);
    emit StatusShown(text);
}

void TMainForm::SetHint(const QString& hint)
{
    FHint = hint;
    if (OnHint)
        OnHint(hint);
}

void TMainForm::WriteStatusLine(const QString& text)
{
    // One write per line, so that lines of a log or a journal never mix.
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss "))
        + OneLine(text) + u'\n')
                                .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void TMainForm::AppException(QObject* sender, const QString& message)
{
    const QString className
        = sender ? QString::fromLatin1(sender->metaObject()->className()) : QStringLiteral("Application");
    ShowStatus(message + QStringLiteral(" in ") + className + QStringLiteral(" - Service Stopped"));
}

void TMainForm::WMTimer()
{
    if (CountDown <= 1) {
        FTimer.stop();
        CountDown = PassTicks;
        PingDevices();
        // A stop handled between two devices keeps the cycle stopped; a restart re-armed it.
        if (FRunning)
            FTimer.start(TimerPeriodMs, this);
    }
    --CountDown;
}

void TMainForm::PingDevices()
{
    try {
        PingTime = NowDayCount();
        PingData.close();
        PingData.setStatement(Inventory::selectDueDevices(PingTime));
        if (!ADOConnection1.isOpen()) {
            if (NativeLogin)
                ADOConnection1.open();
            else
                ADOConnection1.open(UserName, Password);
        }
        PingData.open();
        ShowStatus(QStringLiteral("Pinging %1 Device(s)").arg(PingData.recordCount()));
        while (!PingData.eof()) {
            std::exception_ptr failed;
            try {
                Pinger.Host = PingData.asString(QStringLiteral("IPAddress"));
                Pinger.ReceiveTimeout = PingData.asInteger(QStringLiteral("AcceptSlow")) > 0 ? 500 : 100;
                Pinger.Ping(QByteArrayLiteral(" "), 1);
            } catch (const std::exception& error) {
                try {
                    ShowStatus(QStringLiteral("Pinger: ") + ErrorText(error));
                    WriteAttempt(false);
                } catch (...) {
                    failed = std::current_exception();
                }
            }
            // Control messages and the tray menu are served between two devices.
            QCoreApplication::processEvents();
            PingData.next();
            if (failed)
                std::rethrow_exception(failed);
            if (FTerminating)
                break;
        }
    } catch (const std::exception& error) {
        ShowStatus(QStringLiteral("Update: ") + ErrorText(error));
        // The next pass opens the connection again, so that a database that went away and came
        // back is found without restarting the server.
        PingData.close();
        ADOConnection1.close();
    }
}

void TMainForm::PingerReply(const IcmpReply& reply)
{
    WriteAttempt(reply.status == IcmpReply::EchoReply);
}

void TMainForm::WriteAttempt(bool answered)
{
    PingData.edit();
    PingData.setValue(QStringLiteral("PingedAt"), PingTime);
    PingData.setValue(QStringLiteral("NextPing"),
        NextPingAfter(PingTime, PingData.asInteger(QStringLiteral("PingInterval"))));
    if (answered)
        PingData.setValue(QStringLiteral("LastPing"), PingTime);
    PingData.post();
}

void TMainForm::WMServerRestart()
{
    FTimer.stop();
    CountDown = 0;
    QCoreApplication::processEvents();
    LoadSettings();
    FRunning = true;
    FTimer.start(TimerPeriodMs, this);
}

void TMainForm::LoadSettings()
{
    const IniStore ini(FIniFileName);
    ADOConnection1.close();
    ADOConnection1.setBaseFolder(QFileInfo(FIniFileName).absolutePath());
    UserName = ini.readString(Connection, QStringLiteral("UserName"), UserName);
    const QString connectionString = ini.readString(Connection, QStringLiteral("ConnectionString"), {});
    const QString password = ini.readString(Connection, QStringLiteral("Password"), {});
    if (ini.readBool(Connection, QStringLiteral("RCT"), false)) {
        ADOConnection1.setConnectionString(connectionString);
        Password = password;
    } else {
        ADOConnection1.setConnectionString(UnscrambleText(connectionString, true));
        Password = UnscrambleText(password, true);
    }
    NativeLogin = ini.readBool(Connection, QStringLiteral("NativeLogin"), false);
}

void TMainForm::WMServerStop()
{
    FTimer.stop();
    FRunning = false;
    ADOConnection1.close();
    ShowStatus(QStringLiteral("Ping Server Stopped"));
}

void TMainForm::WMClose()
{
    // A pass in progress finishes its devices first: the application ends once control is back
    // in its event loop.
    FRunning = false;
    FTimer.stop();
    emit Closing();
    QCoreApplication::quit();
}

void TMainForm::Terminate()
{
    FTerminating = true;
    WMClose();
}

void TMainForm::Restart1Click()
{
    PostMessage(WM_SERVER_RESTART);
}

void TMainForm::Stop1Click()
{
    PostMessage(WM_SERVER_STOP);
}

void TMainForm::Close1Click()
{
    PostMessage(WM_CLOSE);
}

TMainForm::AutoStartItems TMainForm::TrayIcon1BeforePopUp() const
{
    if (!Autostart::writable())
        return {};
    const bool exists = Autostart::exists();
    return {!exists, exists};
}

void TMainForm::AutoStart1Click()
{
    Autostart::write(FExecutablePath);
}

void TMainForm::StopAutoStart1Click()
{
    Autostart::remove();
}
