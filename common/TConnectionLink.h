#pragma once

#include <QObject>
#include <QString>

// The link through which the logon component reaches a database connection without knowing the
// database layer. The one implementation sits on a DbConnection.
class TConnectionLink : public QObject
{
    Q_OBJECT

public:
    explicit TConnectionLink(QObject* parent = nullptr);
    ~TConnectionLink() override;

    QString UserName;
    QString Password; // in clear
    QString ConnectionString;
    bool NativeLogon = false; // open without passing UserName and Password

    // True while the underlying connection is open.
    virtual bool IsConnected() const = 0;
    // Close, take ConnectionString, open: without credentials under NativeLogon, else with
    // UserName and Password. A failure reaches the caller as the connection's exception.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    // Let the user edit ConnectionString; true when it changed (the connection is then closed
    // and holds the new string), false otherwise or when no connection is attached.
    virtual bool EditConnectionString() = 0;
};
