#include "server/TMainFormTray.h"

#include "server/TMainForm.h"
#include "server/TTrayIcon.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>

TMainFormTray::TMainFormTray(TMainForm& form, const QIcon& icon)
    : FForm(form)
    , FMenu(std::make_unique<QMenu>())
    , FTrayIcon(std::make_unique<TTrayIcon>())
{
    FMenu->setObjectName(QStringLiteral("PopupMenu1"));
    AddItem("Restart1", QStringLiteral("Restart"), &TMainForm::Restart1Click);
    AddItem("Stop1", QStringLiteral("Stop"), &TMainForm::Stop1Click);
    AddItem("Close1", QStringLiteral("Close"), &TMainForm::Close1Click);
    FAutoStart1 = AddItem("AutoStart1", QStringLiteral("Auto Start"), &TMainForm::AutoStart1Click);
    FStopAutoStart1
        = AddItem("StopAutoStart1", QStringLiteral("Stop Auto Start"), &TMainForm::StopAutoStart1Click);

    FTrayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    FTrayIcon->SetIcon(icon);
    FTrayIcon->SetHint(form.Hint());
    FTrayIcon->SetPopupMenu(FMenu.get());
    FTrayIcon->BeforePopUp = [this](QObject*) { TrayIcon1BeforePopUp(); };
    FTrayIcon->SetVisible(true);

    form.OnHint = [this](const QString& hint) { FTrayIcon->SetHint(hint); };
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TMainFormTray::HideTrayIcon);
}

TMainFormTray::~TMainFormTray()
{
    FForm.OnHint = nullptr;
}

QAction* TMainFormTray::AddItem(const char* name, const QString& caption, void (TMainForm::*command)())
{
    QAction* item = FMenu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    // Queued on the form: the command runs after the menu has closed, and an error it raises
    // reaches the application's error hook with the form as its sender.
    TMainForm* form = &FForm;
    connect(
        item, &QAction::triggered, form, [form, command] { (form->*command)(); }, Qt::QueuedConnection);
    return item;
}

void TMainFormTray::TrayIcon1BeforePopUp()
{
    const TMainForm::AutoStartItems items = FForm.TrayIcon1BeforePopUp();
    FAutoStart1->setEnabled(items.AutoStart1);
    FStopAutoStart1->setEnabled(items.StopAutoStart1);
}

void TMainFormTray::HideTrayIcon()
{
    FTrayIcon->SetVisible(false);
}
