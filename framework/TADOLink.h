#pragma once

#include "common/TConnectionLink.h"
#include "platform/db/DbConnection.h"

#include <QPointer>

class QWidget;

// The connection link on one of our database connections: the logon opens, closes and
// reconfigures the database through it; EditConnectionString opens the connection dialog.
class TADOLink : public TConnectionLink
{
    Q_OBJECT

public:
    explicit TADOLink(QObject* parent = nullptr);
    ~TADOLink() override;

    DbConnection* Connection() const { return FConnection; }
    // A different connection closes the old one (if any) and the new one. Cleared when the
    // connection is destroyed.
    void SetConnection(DbConnection* connection);

    bool IsConnected() const override;
    void Connect() override;
    void Disconnect() override;
    bool EditConnectionString() override;

protected:
    // Shows the connection dialog preset with current; answers the edited string, or current
    // when the user cancels. Tests may replace it.
    virtual QString RunConnectionDialog(const QString& current);

private:
    QWidget* DialogParent() const;

    QPointer<DbConnection> FConnection;
};
