#include "tests/server/Devices.h"

#include "platform/db/DbConnection.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>

#include <stdexcept>

namespace Devices
{

int insert(DbConnection& connection, const Device& device)
{
    connection.execute(
        QStringLiteral("insert into AssetList (IPAddress, DeviceName, CreatedDate, CreatedBy, "
                       "ModifiedDate, ModifiedBy, PingInterval, AcceptSlow, NextPing, LastPing) "
                       "values (?, ?, 0, 'test', 0, 'test', ?, ?, ?, ?)"),
        {device.address, device.address, device.pingInterval, device.acceptSlow,
            device.nextPing.isNull() ? QVariant(QMetaType(QMetaType::Double)) : device.nextPing,
            device.lastPing.isNull() ? QVariant(QMetaType(QMetaType::Double)) : device.lastPing});
    QSqlQuery query = connection.run(QStringLiteral("select max(AutoInc) from AssetList"));
    if (!query.next())
        throw std::runtime_error("no AutoInc after insert");
    return query.value(0).toInt();
}

PingColumns read(DbConnection& connection, int key)
{
    QSqlQuery query = connection.run(
        QStringLiteral("select PingedAt, LastPing, NextPing from AssetList where AutoInc = ?"), {key});
    if (!query.next())
        throw std::runtime_error("no such device");
    return {query.value(0), query.value(1), query.value(2)};
}

void setNextPing(DbConnection& connection, int key, const QVariant& nextPing)
{
    connection.execute(QStringLiteral("update AssetList set NextPing = ? where AutoInc = ?"),
        {nextPing.isNull() ? QVariant(QMetaType(QMetaType::Double)) : nextPing, key});
}

double nextPingAfter(double pingTime, int intervalSeconds)
{
    return (pingTime * 86400.0 + intervalSeconds) / 86400.0;
}

void writeIni(const QString& fileName, const QStringList& connectionLines)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + fileName.toStdString());
    file.write("[Connection]\n" + connectionLines.join(u'\n').toUtf8() + "\n");
}

} // namespace Devices
