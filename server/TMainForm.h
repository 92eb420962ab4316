#pragma once

#include "platform/control/ControlChannel.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbQuery.h"
#include "platform/icmp/IcmpClient.h"

#include <QBasicTimer>
#include <QObject>
#include <QString>

#include <exception>
#include <functional>

// The ping server's main window, which is never shown: it owns the control socket that stands
// for its title, loads the connection settings, runs the ping cycle on its one-second timer and
// reports every status. It needs no widgets; TMainFormTray shows its status and menu in the
// notification area.
class TMainForm : public QObject
{
    Q_OBJECT
public:
    // Control messages (message numbers of the control protocol).
    static constexpr int WM_SERVER_RESTART = ControlChannel::ServerRestart;
    static constexpr int WM_SERVER_STOP = ControlChannel::ServerStop;
    static constexpr int WM_CLOSE = ControlChannel::Close;
    // Timer period, ticks between two passes, and the column at which statuses wrap.
    static constexpr int TimerPeriodMs = 1000;
    static constexpr int PassTicks = 16;
    static constexpr int StatusColumns = 40;

    static QString ServiceTitle();
    // "vigilo.ini" beside the running executable.
    static QString DefaultIniFileName();

    TMainForm(const QString& iniFileName, const QString& executablePath, QObject* parent = nullptr);
    ~TMainForm() override;

    // Start-up: takes the control socket, shows the title as the hint and posts itself the
    // restart message. When another server runs it posts itself WM_CLOSE instead and answers
    // false; nothing else is done.
    bool FormCreate();

    // Makes the status the tray hint, word-wrapped at StatusColumns, and writes it as one line
    // to standard error.
    void ShowStatus(const QString& text);
    // The status of an error that no handler caught; the cycle stays as the error left it.
    void AppException(QObject* sender, const QString& message);

    // Posts a control message to this object, as the control socket and the menu do.
    void PostMessage(int message);

    // Tray menu commands.
    void Restart1Click();
    void Stop1Click();
    void Close1Click();
    struct AutoStartItems {
        bool AutoStart1 = false;
        bool StopAutoStart1 = false;
    };
    // Which autostart items the menu enables before it opens.
    AutoStartItems TrayIcon1BeforePopUp() const;
    void AutoStart1Click();
    void StopAutoStart1Click();

    // The cycle and the control messages.
    void WMTimer();
    void PingDevices();
    void WMServerRestart();
    void WMServerStop();
    void WMClose();
    // Ending on a signal from the system (SIGTERM, Ctrl+C): like WM_CLOSE, but a pass in
    // progress stops after its current device instead of pinging the rest first.
    void Terminate();
    // Steps of the restart that read the settings file into the connection and the logon.
    void LoadSettings();

    bool TimerActive() const { return FTimer.isActive(); }
    QString Hint() const { return FHint; }
    QString ExecutablePath() const { return FExecutablePath; }

    // State of the cycle.
    int CountDown = 0;
    double PingTime = 0;
    QString UserName;
    QString Password;
    bool NativeLogin = false;

    // Receives the tray hint: the title at start, then each wrapped status.
    std::function<void(const QString& hint)> OnHint;

signals:
    // Each status as given to ShowStatus, before wrapping.
    void StatusShown(const QString& text);
    // WM_CLOSE was handled: the application is asked to end.
    void Closing();

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void PingerReply(const IcmpReply& reply);
    void WriteAttempt(bool answered);
    void SetHint(const QString& hint);
    static void WriteStatusLine(const QString& text);

    QString FIniFileName;
    QString FExecutablePath;
    QString FHint;
    // Off after a stop, so that a stop handled in the middle of a pass keeps the cycle stopped.
    bool FRunning = false;
    bool FTerminating = false;
    QBasicTimer FTimer;
    ControlChannel FControl;
    DbConnection ADOConnection1;
    DbQuery PingData;
    IcmpClient Pinger;
};
