#include "tests/support/TempInventory.h"

#include "common/Inventory.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DbError.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>

#include <atomic>

namespace
{

const char* const PgVariable = "VIGILO_TEST_PG";

QString uniqueDatabaseName()
{
    static std::atomic<int> counter {0};
    return QStringLiteral("vigilo_t_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter)
        .arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

// Runs one statement on the database VIGILO_TEST_PG names.
void onServer(const QString& statement)
{
    DbConnection admin;
    admin.setConnectionString(qEnvironmentVariable(PgVariable));
    admin.open();
    admin.execute(statement);
}

} // namespace

QString TempInventory::unavailableReason(DbEngine engine)
{
    if (engine == DbEngine::PostgreSQL && qEnvironmentVariableIsEmpty(PgVariable))
        return QStringLiteral("PostgreSQL tests need VIGILO_TEST_PG; run them under scripts/with-postgres");
    return {};
}

std::string TempInventory::engineName(const testing::TestParamInfo<DbEngine>& info)
{
    return DbEngineName(info.param).toStdString();
}

TempInventory::TempInventory(DbEngine engine, Contents contents)
    : m_engine(engine)
{
    if (!m_folder.isValid())
        throw DbError(QStringLiteral("Cannot create a temporary folder: %1").arg(m_folder.errorString()));
    if (engine == DbEngine::SQLite) {
        m_sqliteFile = QDir(m_folder.path()).filePath(QStringLiteral("inventory.db"));
        ConnectionString cs;
        cs.setValue(QStringLiteral("Provider"), QStringLiteral("SQLite"));
        cs.setValue(QStringLiteral("Data Source"), m_sqliteFile);
        m_connectionString = cs.toString();
    } else if (engine == DbEngine::PostgreSQL) {
        const QString reason = unavailableReason(engine);
        if (!reason.isEmpty())
            throw DbError(reason);
        m_databaseName = uniqueDatabaseName();
        onServer(QStringLiteral("create database %1").arg(m_databaseName));
        ConnectionString cs(qEnvironmentVariable(PgVariable));
        cs.remove(QStringLiteral("Initial Catalog"));
        cs.setValue(QStringLiteral("Database"), m_databaseName);
        m_connectionString = cs.toString();
    } else {
        throw DbError(QStringLiteral("TempInventory makes SQLite and PostgreSQL inventories only"));
    }
    if (contents == Contents::Tables) {
        m_connection = std::make_unique<DbConnection>();
        m_connection->setConnectionString(m_connectionString);
        m_connection->openForCreate();
        Inventory::create(*m_connection);
    }
}

TempInventory::~TempInventory()
{
    m_connection.reset();
    if (m_databaseName.isEmpty())
        return;
    try {
        // Connections a test left open must not keep the database alive.
        onServer(QStringLiteral("drop database if exists %1 with (force)").arg(m_databaseName));
    } catch (const DbError& e) {
        ADD_FAILURE() << "Dropping the test database failed: " << e.what();
    }
}

DbConnection& TempInventory::connection()
{
    if (!m_connection) {
        m_connection = std::make_unique<DbConnection>();
        m_connection->setConnectionString(m_connectionString);
    }
    m_connection->open();
    return *m_connection;
}
