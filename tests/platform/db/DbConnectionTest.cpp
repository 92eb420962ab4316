#include "platform/db/DbConnection.h"

#include "platform/db/ConnectionString.h"
#include "platform/db/DbError.h"
#include "platform/db/DbQuery.h"
#include "tests/support/TempInventory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

// The message of the DbError that opening throws; fails the test when nothing is thrown.
QString openError(DbConnection& connection)
{
    try {
        connection.open();
    } catch (const DbError& e) {
        return e.message();
    }
    ADD_FAILURE() << "open() did not throw";
    return {};
}

QString pragma(DbConnection& connection, const QString& name)
{
    QSqlQuery query = connection.run(QStringLiteral("pragma ") + name);
    return query.next() ? query.value(0).toString() : QString();
}

TEST(DbConnection, UnknownProviderNamesItAndTheSupportedOnes)
{
    DbConnection connection;
    connection.setConnectionString(QStringLiteral("Provider=Oracle;Data Source=x;Password=hush-hush"));
    const QString message = openError(connection);
    EXPECT_TRUE(message.contains(QLatin1String("\"Oracle\""))) << message.toStdString();
    for (const char* provider : {"SQLite", "PostgreSQL", "MSDASQL", "ODBC"})
        EXPECT_TRUE(message.contains(QLatin1String(provider))) << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("hush-hush")));
    EXPECT_FALSE(connection.isOpen());

    connection.setConnectionString(QStringLiteral("Data Source=x.db"));
    EXPECT_TRUE(openError(connection).contains(QLatin1String("no Provider")));
}

TEST(DbConnection, MissingSQLiteFileIsAnErrorAndIsNotCreated)
{
    QTemporaryDir dir;
    DbConnection connection;
    connection.setBaseFolder(dir.path());
    connection.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=missing.db"));
    const QString file = dir.filePath(QStringLiteral("missing.db"));

    const QString message = openError(connection);
    EXPECT_TRUE(message.contains(file)) << message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file));

    // Creating takes the relative name from the base folder, not from the working directory.
    connection.openForCreate();
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.sqliteFile(), file);
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST(DbConnection, FileThatIsNoDatabaseIsAnErrorNamingIt)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.txt"));
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a database, just some text that is long enough to be looked at\n");
    text.close();

    DbConnection connection;
    connection.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file);
    const QString message = openError(connection);
    EXPECT_TRUE(message.contains(file)) << message.toStdString();
    EXPECT_FALSE(connection.isOpen());
}

TEST(DbConnection, SQLiteRunsInWalModeWithABusyTimeout)
{
    TempInventory inventory(DbEngine::SQLite);
    DbConnection& connection = inventory.connection();
    EXPECT_EQ(pragma(connection, QStringLiteral("journal_mode")), QStringLiteral("wal"));
    EXPECT_GE(pragma(connection, QStringLiteral("busy_timeout")).toInt(), 1000);

    // A second connection (the server beside a client) sees what the first one wrote.
    DbConnection other;
    other.setConnectionString(inventory.connectionString());
    other.open();
    connection.execute(
        QStringLiteral("insert into AddInfo (MainID, Name) values(1, ?)"), {QStringLiteral("Phone")});
    QSqlQuery read = other.run(QStringLiteral("select Name from AddInfo"));
    ASSERT_TRUE(read.next());
    EXPECT_EQ(read.value(0).toString(), QStringLiteral("Phone"));
}

TEST(DbConnection, EachConnectionHasItsOwnNameRemovedAtTheEnd)
{
    QString first;
    QString second;
    {
        TempInventory inventory(DbEngine::SQLite);
        DbConnection a;
        DbConnection b;
        a.setConnectionString(inventory.connectionString());
        b.setConnectionString(inventory.connectionString());
        a.open();
        b.open();
        first = a.connectionName();
        second = b.connectionName();
        EXPECT_NE(first, second);
        EXPECT_TRUE(QSqlDatabase::contains(first));
    }
    EXPECT_FALSE(QSqlDatabase::contains(first));
    EXPECT_FALSE(QSqlDatabase::contains(second));
}

TEST(DbConnection, ClosingClosesItsQueriesAndOpenTwiceDoesNothing)
{
    TempInventory inventory(DbEngine::SQLite);
    DbConnection& connection = inventory.connection();
    QSignalSpy opened(&connection, &DbConnection::opened);
    connection.open();
    EXPECT_EQ(opened.count(), 0);

    DbQuery query(&connection);
    query.setSql(QStringLiteral("select * from AssetList"));
    query.open();
    QSignalSpy closed(&connection, &DbConnection::closed);
    connection.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(query.isOpen());
    connection.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_THROW(query.open(), DbError);
}

TEST(DbConnection, FailedStatementNamesTheStatement)
{
    TempInventory inventory(DbEngine::SQLite);
    try {
        inventory.connection().execute(QStringLiteral("select nothing from NoSuchTable"));
        ADD_FAILURE() << "no error";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("select nothing from NoSuchTable"))) << e.what();
        EXPECT_TRUE(e.message().contains(inventory.sqliteFile())) << e.what();
    }
}

class PostgreSQLLogon : public testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_UNLESS_ENGINE_AVAILABLE(DbEngine::PostgreSQL);
        good = ConnectionString(qEnvironmentVariable("VIGILO_TEST_PG"));
    }
    ConnectionString good;
};

TEST_F(PostgreSQLLogon, RefusedLogonSaysWhereAndHidesThePassword)
{
    ConnectionString bad = good;
    bad.setValue(QStringLiteral("Password"), QStringLiteral("wrong-password-4711"));
    DbConnection connection;
    connection.setConnectionString(bad.toString());
    const QString message = openError(connection);
    EXPECT_TRUE(message.contains(good.value(QStringLiteral("Server")))) << message.toStdString();
    EXPECT_TRUE(message.contains(good.value(QStringLiteral("Port")))) << message.toStdString();
    EXPECT_TRUE(message.contains(good.value(QStringLiteral("Database")))) << message.toStdString();
    EXPECT_TRUE(message.contains(good.value(QStringLiteral("User ID")))) << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("wrong-password-4711"))) << message.toStdString();
    EXPECT_FALSE(message.contains(good.value(QStringLiteral("Password")))) << message.toStdString();
    EXPECT_FALSE(connection.isOpen());
}

TEST_F(PostgreSQLLogon, CredentialsPassedInReplaceTheStrings)
{
    const QString user = good.value(QStringLiteral("User ID"));
    const QString password = good.value(QStringLiteral("Password"));

    ConnectionString withoutCredentials = good;
    withoutCredentials.setValue(QStringLiteral("Password"), QStringLiteral("stale-password"));
    DbConnection connection;
    connection.setConnectionString(withoutCredentials.toString());
    connection.open(user, password);
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.engine(), DbEngine::PostgreSQL);

    DbConnection refused;
    refused.setConnectionString(good.toString());
    EXPECT_THROW(refused.open(user, QStringLiteral("not-the-password")), DbError);
}

TEST_F(PostgreSQLLogon, UnreachableServerSaysWhere)
{
    ConnectionString nowhere = good;
    nowhere.setValue(QStringLiteral("Port"), QStringLiteral("1"));
    DbConnection connection;
    connection.setConnectionString(nowhere.toString());
    const QString message = openError(connection);
    EXPECT_TRUE(message.contains(good.value(QStringLiteral("Server")) + QLatin1String(":1")))
        << message.toStdString();
}

} // namespace
