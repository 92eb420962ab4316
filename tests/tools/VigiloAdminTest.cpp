#include "common/Inventory.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbQuery.h"
#include "tests/support/TempInventory.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

struct AdminRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs vigilo-admin with a bounded wait; a run that hangs is killed and fails the test.
AdminRun admin(const QStringList& arguments, const QString& workingDirectory = QString())
{
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(TestPaths::program(QStringLiteral("vigilo-admin")), arguments);
    AdminRun run;
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << "vigilo-admin did not start: " << process.errorString().toStdString();
        return run;
    }
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << "vigilo-admin did not end within 60 s";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

int deviceCount(const QString& connectionString)
{
    DbConnection connection;
    connection.setConnectionString(connectionString);
    connection.open();
    DbQuery query(&connection);
    query.setSql(QStringLiteral("select * from AssetList"));
    query.open();
    return query.recordCount();
}

TEST(VigiloAdmin, InitCreatesAnSQLiteFileAndLeavesAnExistingInventoryAlone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("inventory.db"));
    const QString connectionString = QStringLiteral("Provider=SQLite;Data Source=") + file;

    // A relative path is taken from the working directory.
    const AdminRun created = admin({QStringLiteral("init"), QStringLiteral("inventory.db")}, dir.path());
    EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_TRUE(created.out.contains(file)) << created.out.toStdString();
    EXPECT_EQ(deviceCount(connectionString), 0);

    {
        DbConnection connection;
        connection.setConnectionString(connectionString);
        connection.open();
        connection.execute(
            QStringLiteral("insert into AssetList (IPAddress, DeviceName, CreatedDate, CreatedBy, "
                           "ModifiedDate, ModifiedBy) values ('h', 'd', 1, 'u', 1, 'u')"));
    }
    const AdminRun again = admin({QStringLiteral("init"), connectionString});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(QLatin1String("already exists"))) << again.out.toStdString();
    EXPECT_EQ(deviceCount(connectionString), 1);
}

TEST(VigiloAdmin, InitFailuresExitNonZeroWithAMessage)
{
    QTemporaryDir dir;
    const AdminRun badProvider = admin(
        {QStringLiteral("init"), QStringLiteral("Provider=Oracle;Data Source=x;Password=pw-secret-1")});
    EXPECT_EQ(badProvider.exitCode, 1);
    EXPECT_TRUE(badProvider.err.contains(QLatin1String("Oracle"))) << badProvider.err.toStdString();
    EXPECT_TRUE(badProvider.err.contains(QLatin1String("SQLite, PostgreSQL")))
        << badProvider.err.toStdString();
    EXPECT_FALSE(QString(badProvider.out + badProvider.err).contains(QLatin1String("pw-secret-1")));

    const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/inventory.db"));
    const AdminRun unwritable = admin({QStringLiteral("init"), missingFolder});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains(missingFolder)) << unwritable.err.toStdString();

    const AdminRun usage = admin({QStringLiteral("init")});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains(QLatin1String("Usage"))) << usage.err.toStdString();
}

class VigiloAdminPostgreSQL : public testing::Test
{
protected:
    void SetUp() override { SKIP_UNLESS_ENGINE_AVAILABLE(DbEngine::PostgreSQL); }
};

TEST_F(VigiloAdminPostgreSQL, InitCreatesTheTablesInAnEmptyDatabase)
{
    TempInventory inventory(DbEngine::PostgreSQL, TempInventory::Contents::Empty);
    const AdminRun created = admin({QStringLiteral("init"), inventory.connectionString()});
    EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_EQ(deviceCount(inventory.connectionString()), 0);
    const AdminRun again = admin({QStringLiteral("init"), inventory.connectionString()});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(QLatin1String("already exists"))) << again.out.toStdString();
    EXPECT_FALSE(QString(created.out + again.out).contains(QLatin1String("Password=")));
}

TEST(VigiloAdmin, ScrambleAndUnscrambleRoundTrip)
{
    const QString value = QStringLiteral(" Provider=SQLite;Data Source=ä b.db ");
    const AdminRun scrambled = admin({QStringLiteral("scramble"), value});
    ASSERT_EQ(scrambled.exitCode, 0) << scrambled.err.toStdString();
    const QString hex = scrambled.out.trimmed();
    EXPECT_FALSE(hex.contains(QLatin1String("SQLite")));

    const AdminRun plain = admin({QStringLiteral("unscramble"), hex});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, value + QLatin1Char('\n'));
}

TEST(VigiloAdmin, UnscrambleRefusesWhatDoesNotUnscramble)
{
    const QString hex = admin({QStringLiteral("scramble"), QStringLiteral("secret")}).out.trimmed();
    for (const QString& text :
        {QStringLiteral("1234"), QStringLiteral("not hex at all"), hex.left(hex.size() - 2)}) {
        const AdminRun run = admin({QStringLiteral("unscramble"), text});
        EXPECT_EQ(run.exitCode, 1) << text.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("does not unscramble"))) << run.err.toStdString();
    }
    const AdminRun blank = admin({QStringLiteral("scramble"), QStringLiteral("   ")});
    EXPECT_EQ(blank.exitCode, 1);
}

TEST(VigiloAdmin, HelpOnEveryCommand)
{
    for (const QStringList& arguments : {QStringList {QStringLiteral("--help")},
             QStringList {QStringLiteral("init"), QStringLiteral("--help")},
             QStringList {QStringLiteral("scramble"), QStringLiteral("--help")},
             QStringList {QStringLiteral("unscramble"), QStringLiteral("--help")}}) {
        const AdminRun run = admin(arguments);
        EXPECT_EQ(run.exitCode, 0) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.out.startsWith(QLatin1String("Usage: vigilo-admin"))) << run.out.toStdString();
    }
    const AdminRun unknown = admin({QStringLiteral("frobnicate")});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QLatin1String("frobnicate")));
}

} // namespace
