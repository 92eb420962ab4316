#pragma once

#include "platform/db/DbConnection.h"
#include "platform/db/DbEngine.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A fresh inventory for one test: an SQLite file in its own temporary folder, or a new PostgreSQL
// database created through the role of VIGILO_TEST_PG (it may create databases) and dropped at
// the end. With Contents::Tables the two inventory tables exist; with Contents::Empty the
// database is empty (for SQLite: the file does not exist yet).
class TempInventory
{
public:
    enum class Contents { Tables, Empty };

    explicit TempInventory(DbEngine engine, Contents contents = Contents::Tables);
    ~TempInventory();
    TempInventory(const TempInventory&) = delete;
    TempInventory& operator=(const TempInventory&) = delete;

    // The engines a database test runs on.
    static std::vector<DbEngine> engines() { return {DbEngine::SQLite, DbEngine::PostgreSQL}; }
    // Why tests on this engine cannot run here ("" when they can): PostgreSQL needs
    // VIGILO_TEST_PG, which scripts/with-postgres sets.
    static QString unavailableReason(DbEngine engine);
    // For INSTANTIATE_TEST_SUITE_P: "SQLite", "PostgreSQL".
    static std::string engineName(const testing::TestParamInfo<DbEngine>& info);

    DbEngine engine() const { return m_engine; }
    // The string that opens this inventory, credentials included.
    QString connectionString() const { return m_connectionString; }
    // A folder of the test's own (settings files, extra files); removed at the end.
    QString folder() const { return m_folder.path(); }
    // The SQLite file ("" for PostgreSQL).
    QString sqliteFile() const { return m_sqliteFile; }
    // An open connection to the inventory. Only for Contents::Tables, or after the test has
    // created the file of an empty SQLite inventory.
    DbConnection& connection();

private:
    DbEngine m_engine;
    QTemporaryDir m_folder;
    QString m_connectionString;
    QString m_sqliteFile;
    QString m_databaseName;
    std::unique_ptr<DbConnection> m_connection;
};

// Ends the test as skipped when its engine cannot run here.
#define SKIP_UNLESS_ENGINE_AVAILABLE(engine)                                                                 \
    do {                                                                                                     \
        const QString skipReason_ = TempInventory::unavailableReason(engine);                                \
        if (!skipReason_.isEmpty())                                                                          \
            GTEST_SKIP() << skipReason_.toStdString();                                                       \
    } while (false)
