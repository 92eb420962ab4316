#include "common/Inventory.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbError.h"
#include "platform/db/DbQuery.h"
#include "tests/support/TempInventory.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace
{

// The name under which unixODBC knows the SQLite 3 driver (Debian registers "SQLite3").
QString sqliteOdbcDriver()
{
    QProcess odbcinst;
    odbcinst.start(QStringLiteral("odbcinst"), {QStringLiteral("-q"), QStringLiteral("-d")});
    if (!odbcinst.waitForFinished(10000)) {
        odbcinst.kill();
        odbcinst.waitForFinished(1000);
        return {};
    }
    const QString drivers = QString::fromUtf8(odbcinst.readAllStandardOutput());
    for (QString line : drivers.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.compare(QLatin1String("[SQLite3]"), Qt::CaseInsensitive) == 0)
            return line.mid(1, line.size() - 2);
    }
    return {};
}

// An SQLite inventory opened through unixODBC: the statements and the row writes of the
// inventory work there too, with the key of a new row read back although ODBC cannot tell it.
TEST(Odbc, OpensAnSQLiteInventoryThroughUnixOdbc)
{
    const QString driver = sqliteOdbcDriver();
    ASSERT_FALSE(driver.isEmpty())
        << "no SQLite3 driver registered with unixODBC (scripts/install-deps installs "
           "libsqliteodbc)";
    TempInventory inventory(DbEngine::SQLite);

    DbConnection connection;
    connection.setConnectionString(
        QStringLiteral("Provider=MSDASQL.1;Driver={%1};Database=%2").arg(driver, inventory.sqliteFile()));
    connection.open();
    EXPECT_EQ(connection.engine(), DbEngine::ODBC);
    EXPECT_EQ(connection.dialect(), DbEngine::SQLite);

    DbQuery query(&connection);
    int keys[2] = {};
    for (int& key : keys) {
        query.setStatement(Inventory::selectNewDevice());
        query.open();
        query.append();
        query.setValue(QStringLiteral("IPAddress"), QStringLiteral("255.255.255.255"));
        query.setValue(QStringLiteral("IPValue"), 4294967295.0);
        query.setValue(QStringLiteral("DeviceName"), QStringLiteral("Broadcast"));
        query.setValue(QStringLiteral("Role"), QStringLiteral("O'Hara"));
        query.setValue(QStringLiteral("CreatedDate"), 45306.4380208333);
        query.setValue(QStringLiteral("CreatedBy"), QStringLiteral("me"));
        query.setValue(QStringLiteral("ModifiedDate"), 45306.4380208333);
        query.setValue(QStringLiteral("ModifiedBy"), QStringLiteral("me"));
        query.setValue(QStringLiteral("PingInterval"), 60);
        query.post();
        key = query.asInteger(QStringLiteral("AutoInc"));
    }
    EXPECT_GT(keys[0], 0);
    EXPECT_EQ(keys[1], keys[0] + 1);

    query.setStatement(Inventory::selectRoleList(QStringLiteral("O'Hara"), false, QStringLiteral("IPValue")));
    query.open();
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_DOUBLE_EQ(query.asFloat(QStringLiteral("ipvalue")), 4294967295.0);
    EXPECT_TRUE(query.locate(QStringLiteral("AutoInc"), keys[1]));
    query.edit();
    query.setValue(QStringLiteral("DeviceName"), QStringLiteral("renamed"));
    query.post();

    query.setStatement(Inventory::selectDevice(keys[1]));
    query.open();
    EXPECT_EQ(query.asString(QStringLiteral("DeviceName")), QStringLiteral("renamed"));
}

TEST(Odbc, UnknownDataSourceIsAnErrorWithoutThePassword)
{
    DbConnection connection;
    connection.setConnectionString(QStringLiteral("Provider=ODBC;DSN=no-such-dsn-here;PWD=odbc-secret-9"));
    try {
        connection.open();
        ADD_FAILURE() << "open() did not throw";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("no-such-dsn-here"))) << e.what();
        EXPECT_FALSE(e.message().contains(QLatin1String("odbc-secret-9"))) << e.what();
    }
}

} // namespace
