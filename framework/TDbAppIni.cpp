#include "framework/TDbAppIni.h"

#include "ui_TStartupDialog.h"

#include "common/IniStore.h"
#include "common/Scramble.h"
#include "common/TConnectionLink.h"
#include "framework/MessageBox.h"
#include "framework/TADOLink.h"
#include "framework/TLngNode.h"
#include "framework/TStartupDialog.h"
#include "platform/db/DbConnection.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <exception>
#include <stdexcept>

namespace
{

const QString Section = QStringLiteral("Connection");
const QString DoLogonKey = QStringLiteral("DoLogon");
const QString SingleSignOnKey = QStringLiteral("SingleSignOn");
const QString SaveLogonKey = QStringLiteral("SaveLogon");
const QString SkipPromptKey = QStringLiteral("SkipPrompt");
const QString NativeLogonKey = QStringLiteral("NativeLogon");
const QString UserNameKey = QStringLiteral("UserName");
const QString PasswordKey = QStringLiteral("Password");
const QString ConnectionStringKey = QStringLiteral("ConnectionString");
const QString HdsKey = QStringLiteral("HDS");

// BeforeLogon said no.
class ELogonRefused : public std::runtime_error
{
public:
    explicit ELogonRefused(const QString& reason)
        : std::runtime_error(reason.toStdString())
    {
    }
};

} // namespace

TDbAppIni::TDbAppIni(QWidget* owner)
    : TAppIni(owner)
{
}

TDbAppIni::TDbAppIni(QWidget* owner, const QStringList& arguments)
    : TAppIni(owner, arguments)
{
}

TDbAppIni::~TDbAppIni()
{
    // Closed before the settings are written back; an ending application closes it anyway.
    if (FConnection && !QCoreApplication::closingDown())
        FConnection->Disconnect();
}

QString TDbAppIni::ReadSecret(const QString& key)
{
    IniStore& ini = IniFile();
    const QString stored = ini.readString(Section, key, QString());
    if (!PlainCredentials())
        return UnscrambleText(stored);
    if (ini.valueExists(Section, key))
        ini.writeString(Section, key, ScrambleText(stored));
    return stored;
}

void TDbAppIni::ReadSettings()
{
    TAppIni::ReadSettings();
    IniStore& ini = IniFile();
    DoLogon = ini.readBool(Section, DoLogonKey, true);
    SingleSignOn = ini.readBool(Section, SingleSignOnKey, false);
    SaveLogon = ini.readBool(Section, SaveLogonKey, false);
    SkipPrompt = ini.readBool(Section, SkipPromptKey, false);
    // A stored logon counts only on the machine that stored it.
    if (ini.readString(Section, HdsKey, QString()) != MachineId()) {
        ini.deleteKey(Section, UserNameKey);
        ini.deleteKey(Section, PasswordKey);
    }
    if (!FConnection)
        return;
    FConnection->NativeLogon = ini.readBool(Section, NativeLogonKey, false);
    FConnection->UserName
        = SingleSignOn ? EnvironmentUserName() : ini.readString(Section, UserNameKey, QString());
    if (SaveLogon)
        FConnection->Password = ReadSecret(PasswordKey);
    FConnection->ConnectionString = ReadSecret(ConnectionStringKey);
    // A relative SQLite file lies beside the settings file, for the client as for the server.
    auto* link = qobject_cast<TADOLink*>(FConnection.data());
    if (link && link->Connection() && link->Connection()->baseFolder().isEmpty() && !ini.fileName().isEmpty())
        link->Connection()->setBaseFolder(QFileInfo(ini.fileName()).absolutePath());
}

void TDbAppIni::StartUp()
{
    if (SkipPrompt && DoLogon) {
        PostMessage(WM_LOGON);
        ShowSplash();
    } else if (DoLogon) {
        ShowLogonDialog(false);
    } else {
        ShowSplash();
    }
}

bool TDbAppIni::HandleMessage(int number)
{
    if (number == WM_LOGON) {
        Logon();
        return true;
    }
    if (number == WM_LOGONFAILED) {
        StopTimer1();
        ReleaseCurrentForm();
        ShowLogonDialog(true);
        return true;
    }
    return TAppIni::HandleMessage(number);
}

void TDbAppIni::Logon()
{
    if (!FConnection)
        return;
    try {
        QString reason;
        bool canLogon = true;
        if (BeforeLogon)
            BeforeLogon(this, FConnection->UserName, FConnection->Password, canLogon, reason);
        if (!canLogon)
            throw ELogonRefused(reason);
        FConnection->Connect();
        if (OnLogon)
            OnLogon(this);
    } catch (const std::exception& error) {
        LogonFailed(QString::fromUtf8(error.what()));
    }
}

void TDbAppIni::LogonFailed(const QString& message)
{
    MessageBox::error(message + QStringLiteral("\nPlease try again"), Owner());
    // The dialog comes back from the event loop, never from inside the failed logon.
    PostMessage(WM_LOGONFAILED);
}

QString TDbAppIni::CurrentUserName() const
{
    if (FConnection && !FConnection->UserName.isEmpty())
        return FConnection->UserName;
    return EnvironmentUserName();
}

bool TDbAppIni::QueryTerminate()
{
    const bool canTerminate = TAppIni::QueryTerminate();
    if (canTerminate && OnLogoff)
        OnLogoff(this);
    return canTerminate;
}

void TDbAppIni::SetupConnection()
{
    if (!FConnection || !FConnection->EditConnectionString())
        return;
    IniFile().writeString(Section, ConnectionStringKey, ScrambleText(FConnection->ConnectionString));
    // The link has closed the database: the program must let go of its data.
    if (OnLogoff)
        OnLogoff(this);
}

void TDbAppIni::ShowLogonDialog(bool advanced)
{
    if (!FConnection || CurrentForm())
        return;
    QPointer<TStartupDialog> dialog = new TStartupDialog(Owner());
    SetCurrentForm(dialog);
    auto* node = new TLngNode(dialog);
    if (!advanced)
        dialog->SetClientHeight(TStartupDialog::NormalHeight);
    dialog->UpdateAdvancedCaption();
    node->OnChange = [dialog](TLngNode*) {
        if (dialog)
            dialog->UpdateAdvancedCaption();
    };
    dialog->PaintHandler = [this](QWidget* form, QPainter& painter) { PaintAbout(form, painter); };
    ConnectReactions(dialog);
    FillDialog(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (accepted && dialog && FConnection)
        TakeDialog(dialog);
    if (CurrentForm() == dialog.data())
        SetCurrentForm(nullptr);
    delete dialog.data();
}

void TDbAppIni::ConnectReactions(TStartupDialog* dialog)
{
    Ui::TStartupDialog& ui = dialog->Controls();
    connect(ui.SetupButton, &QPushButton::clicked, this, &TDbAppIni::SetupConnection);
    // toggled, not clicked: setting a box from the settings reacts as a click would.
    connect(ui.SingleSignonCheck, &QCheckBox::toggled, dialog, [this, &ui](bool checked) {
        if (!FConnection)
            return;
        if (checked) {
            ui.UserNameEdit->setText(EnvironmentUserName());
            ui.PassWordEdit->clear();
            ui.UserNameEdit->setModified(true);
            ui.PassWordEdit->setModified(true);
            ui.StoreLogonCheck->setChecked(false);
        } else {
            ui.UserNameEdit->setText(FConnection->UserName);
        }
    });
    connect(ui.StoreLogonCheck, &QCheckBox::toggled, dialog, [&ui](bool checked) {
        if (checked)
            return;
        ui.PassWordEdit->clear();
        ui.PassWordEdit->setModified(true);
    });
}

void TDbAppIni::FillDialog(TStartupDialog* dialog)
{
    Ui::TStartupDialog& ui = dialog->Controls();
    ui.UserNameEdit->setText(FConnection->UserName);
    ui.PassWordEdit->setText(FConnection->Password);
    ui.UserNameEdit->setModified(false);
    ui.PassWordEdit->setModified(false);
    ui.AutoLogonCheck->setChecked(DoLogon);
    ui.SingleSignonCheck->setChecked(SingleSignOn);
    ui.StoreLogonCheck->setChecked(SaveLogon);
    ui.NativeCheck->setChecked(FConnection->NativeLogon);
    ui.SkipPromptCheck->setChecked(SkipPrompt);
    QLineEdit* first = FConnection->UserName.trimmed().isEmpty() ? ui.UserNameEdit : ui.PassWordEdit;
    first->setFocus();
}

void TDbAppIni::TakeDialog(TStartupDialog* dialog)
{
    Ui::TStartupDialog& ui = dialog->Controls();
    DoLogon = ui.AutoLogonCheck->isChecked();
    SingleSignOn = ui.SingleSignonCheck->isChecked();
    SaveLogon = ui.StoreLogonCheck->isChecked();
    FConnection->NativeLogon = ui.NativeCheck->isChecked();
    SkipPrompt = ui.SkipPromptCheck->isChecked();
    if (ui.UserNameEdit->isModified())
        FConnection->UserName = ui.UserNameEdit->text().trimmed();
    if (ui.PassWordEdit->isModified())
        FConnection->Password = ui.PassWordEdit->text().trimmed();

    IniStore& ini = IniFile();
    ini.writeBool(Section, DoLogonKey, DoLogon);
    ini.writeBool(Section, SingleSignOnKey, SingleSignOn);
    ini.writeBool(Section, SaveLogonKey, SaveLogon);
    ini.writeBool(Section, NativeLogonKey, FConnection->NativeLogon);
    ini.writeBool(Section, SkipPromptKey, SkipPrompt);
    ini.writeString(Section, UserNameKey, FConnection->UserName);
    if (SaveLogon)
        ini.writeString(Section, PasswordKey, ScrambleText(FConnection->Password));
    else
        ini.deleteKey(Section, PasswordKey);
    PostMessage(WM_LOGON);
}
