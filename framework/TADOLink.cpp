#include "framework/TADOLink.h"

#include "framework/TConnectionDialog.h"
#include "platform/db/DbConnection.h"

#include <QApplication>
#include <QWidget>

TADOLink::TADOLink(QObject* parent)
    : TConnectionLink(parent)
{
}

TADOLink::~TADOLink() = default;

void TADOLink::SetConnection(DbConnection* connection)
{
    if (connection == FConnection)
        return;
    if (FConnection)
        FConnection->close();
    FConnection = connection;
    // Our connections never ask for credentials themselves; the link passes them.
    if (FConnection)
        FConnection->close();
}

bool TADOLink::IsConnected() const
{
    return FConnection && FConnection->isOpen();
}

void TADOLink::Connect()
{
    if (!FConnection)
        return;
    FConnection->close();
    FConnection->setConnectionString(ConnectionString);
    if (NativeLogon)
        FConnection->open();
    else
        FConnection->open(UserName, Password);
}

void TADOLink::Disconnect()
{
    if (FConnection)
        FConnection->close();
}

bool TADOLink::EditConnectionString()
{
    if (!FConnection)
        return false;
    const QString edited = RunConnectionDialog(ConnectionString);
    // Exact comparison: a change of case is a change.
    if (edited == ConnectionString)
        return false;
    FConnection->close();
    ConnectionString = edited;
    FConnection->setConnectionString(edited);
    return true;
}

QString TADOLink::RunConnectionDialog(const QString& current)
{
    return TConnectionDialog::Edit(
        DialogParent(), current, FConnection ? FConnection->baseFolder() : QString(), UserName, Password);
}

// Over the dialog that asked (the logon dialog's Setup), else over the window that owns the link.
QWidget* TADOLink::DialogParent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    for (QObject* o = parent(); o; o = o->parent()) {
        if (auto* widget = qobject_cast<QWidget*>(o))
            return widget->window();
    }
    return nullptr;
}
