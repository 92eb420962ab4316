#pragma once

#include <QString>
#include <QVariant>

class DbConnection;

// Rows of AssetList as the ping tests need them, and the three columns the server writes.
namespace Devices
{

struct Device {
    QString address;
    int pingInterval = 60;
    int acceptSlow = 0;
    QVariant nextPing; // null: due at once
    QVariant lastPing;
};

struct PingColumns {
    QVariant pingedAt;
    QVariant lastPing;
    QVariant nextPing;
};

// Inserts the device and answers its AutoInc.
int insert(DbConnection& connection, const Device& device);
PingColumns read(DbConnection& connection, int key);
void setNextPing(DbConnection& connection, int key, const QVariant& nextPing);

// NextPing as the server computes it for an attempt at pingTime.
double nextPingAfter(double pingTime, int intervalSeconds);

// Writes a settings file with a [Connection] section holding these lines ("Key=Value").
void writeIni(const QString& fileName, const QStringList& connectionLines);

} // namespace Devices
