#pragma once

#include "framework/TAppIni.h"

#include <QPointer>
#include <QString>

#include <functional>

class TConnectionLink;
class TStartupDialog;

// The application settings component with the database logon: keeps the logon choices of the
// settings file, fills the connection link with the stored user name, password and connection
// string (machine-bound, scrambled), shows the logon dialog or logs on at once at start, opens
// the database through the link, reports a failed logon and asks again, and tells the program
// through OnLogon and OnLogoff when it may use its data and when it must drop it.
class TDbAppIni : public TAppIni
{
    Q_OBJECT

public:
    static constexpr int WM_LOGON = 1026; // log on now
    static constexpr int WM_LOGONFAILED = 1027; // show the logon dialog again, at full height

    using TAcceptLogonEvent = std::function<void(
        QObject* sender, const QString& userName, const QString& passWord, bool& canLogon, QString& reason)>;

    explicit TDbAppIni(QWidget* owner);
    TDbAppIni(QWidget* owner, const QStringList& arguments);
    ~TDbAppIni() override;

    // The link through which the database is opened; cleared when the link is destroyed.
    TConnectionLink* Connection() const { return FConnection; }
    void SetConnection(TConnectionLink* link) { FConnection = link; }

    TAcceptLogonEvent BeforeLogon; // asked before every logon
    std::function<void(QObject* sender)> OnLogon; // the database has been opened
    std::function<void(QObject* sender)> OnLogoff; // the program must drop its use of the database

    // The logon choices, loaded from and saved to the keys of the same name.
    bool DoLogon = true; // log on when the program starts
    bool SingleSignOn = false; // user name from the environment
    bool SaveLogon = false; // keep the password in the settings file
    bool SkipPrompt = false; // log on at start without the dialog

    // The logon dialog, modal; on OK the choices are stored and a logon is posted. Nothing happens
    // without a link or while another form of the component is open.
    void ShowLogonDialog(bool advanced);
    // The link's user name when there is one, else the environment's.
    QString CurrentUserName() const;

    // The answer of OnTerminate; when the program may end, OnLogoff is fired first.
    bool QueryTerminate() override;

protected:
    void ReadSettings() override;
    void StartUp() override;
    bool HandleMessage(int number) override;

    // Opens the database through the link (message 1026 only); a failure is reported and the
    // dialog asked for again.
    void Logon();
    // Setup in the dialog: edit the connection string; a changed one is stored and logs off.
    void SetupConnection();

private:
    void LogonFailed(const QString& message);
    void ConnectReactions(TStartupDialog* dialog);
    void FillDialog(TStartupDialog* dialog);
    void TakeDialog(TStartupDialog* dialog);
    // A stored secret: plain while "RCT" is set (then written back scrambled), else unscrambled.
    QString ReadSecret(const QString& key);

    QPointer<TConnectionLink> FConnection;
};
