#pragma once

#include "platform/db/DbEngine.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// A database connection named by an OLE DB style connection string (see ConnectionString):
// Provider=SQLite (Data Source = file, relative to the base folder), Provider=PostgreSQL
// (Data Source or Server, Port, Initial Catalog or Database, User ID, Password) or
// Provider=MSDASQL / ODBC (the rest of the string goes to unixODBC). Each object owns its own Qt
// SQL connection name. Failures throw DbError.
class DbConnection : public QObject
{
    Q_OBJECT
public:
    explicit DbConnection(QObject* parent = nullptr);
    ~DbConnection() override;

    // A new string takes effect at the next open; an open connection is closed first.
    void setConnectionString(const QString& text);
    QString connectionString() const { return m_connectionString; }
    // Folder against which a relative SQLite Data Source is taken (the settings file's folder);
    // empty means the working directory.
    void setBaseFolder(const QString& folder);
    QString baseFolder() const { return m_baseFolder; }

    // Opens with the credentials of the string. Does nothing when already open.
    void open();
    // Opens with these credentials: each non-empty one replaces the string's. Does nothing when
    // already open.
    void open(const QString& user, const QString& password);
    // Like open(), but an SQLite file that does not exist yet is created.
    void openForCreate();
    // Harmless when closed.
    void close();
    bool isOpen() const;

    // The engine the Provider names; throws DbError for an unknown provider.
    DbEngine engine() const;
    // The SQL dialect to write: SQLite or PostgreSQL. Through ODBC it is the engine behind the
    // driver as far as the driver names it (PostgreSQL), else SQLite's; known once open.
    DbEngine dialect() const;
    // The absolute path of the SQLite file the string names ("" for other engines).
    QString sqliteFile() const;

    // Runs one statement with positional `?` values; returns the rows affected (-1 unknown).
    int execute(const QString& sql, const QVariantList& values = {});
    // Runs one statement and returns the active query to read from.
    QSqlQuery run(const QString& sql, const QVariantList& values = {}, bool forwardOnly = true);

    QSqlDatabase database() const;
    QString connectionName() const { return m_name; }
    // What the connection points at, fit for messages: never a password.
    QString describe() const;

signals:
    void opened();
    void closed();

private:
    void openWith(const QString& user, const QString& password, bool create);
    void openSQLite(QSqlDatabase& db, bool create);
    void openPostgreSQL(QSqlDatabase& db, const QString& user, const QString& password);
    void openOdbc(QSqlDatabase& db, const QString& user, const QString& password);
    void requireOpen() const;

    QString m_name;
    QString m_connectionString;
    QString m_baseFolder;
    DbEngine m_dialect = DbEngine::SQLite;
};
