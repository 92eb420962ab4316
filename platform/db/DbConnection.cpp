#include "platform/db/DbConnection.h"

#include "platform/db/ConnectionString.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>

#include <atomic>

namespace
{

// Lets a server and several clients share one SQLite file without "database is locked".
constexpr int SQLiteBusyTimeoutMs = 5000;
constexpr int PostgreSQLConnectTimeoutS = 10;

const QLatin1String ProviderKey("Provider");
const QLatin1String UserKey("User ID");
const QLatin1String PasswordKey("Password");
const QStringList HostKeys {QStringLiteral("Data Source"), QStringLiteral("Server")};
const QStringList DatabaseKeys {QStringLiteral("Initial Catalog"), QStringLiteral("Database")};

QString nextConnectionName()
{
    static std::atomic<quint64> counter {0};
    return QStringLiteral("vigilo-db-%1").arg(++counter);
}

QString driverName(DbEngine engine)
{
    switch (engine) {
    case DbEngine::SQLite:
        return QStringLiteral("QSQLITE");
    case DbEngine::PostgreSQL:
        return QStringLiteral("QPSQL");
    case DbEngine::ODBC:
        return QStringLiteral("QODBC");
    }
    return {};
}

QString driverPackage(DbEngine engine)
{
    switch (engine) {
    case DbEngine::SQLite:
        return QStringLiteral("libqt6sql6-sqlite");
    case DbEngine::PostgreSQL:
        return QStringLiteral("libqt6sql6-psql");
    case DbEngine::ODBC:
        return QStringLiteral("libqt6sql6-odbc");
    }
    return {};
}

QString errorText(const QSqlError& error)
{
    const QString database = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (database.isEmpty())
        return driver.isEmpty() ? QStringLiteral("unknown error") : driver;
    if (driver.isEmpty() || database.contains(driver))
        return database;
    return driver + QLatin1String(": ") + database;
}

// A password that a driver echoes back must not reach a message either. Very short ones are left
// alone: they would garble the text, and no driver we use echoes passwords anyway.
QString withoutSecret(QString text, const QString& secret)
{
    if (secret.size() >= 4)
        text.replace(secret, QStringLiteral("***"));
    return text;
}

// The ODBC part of the string: everything but our own keys.
ConnectionString odbcPart(const ConnectionString& cs)
{
    ConnectionString rest = cs;
    rest.remove(ProviderKey);
    rest.remove(UserKey);
    rest.remove(PasswordKey);
    return rest;
}

QString postgresWhere(const ConnectionString& cs)
{
    const QString host = cs.firstValue(HostKeys);
    const QString port = cs.value(QStringLiteral("Port"));
    const QString database = cs.firstValue(DatabaseKeys);
    const QString server = host.isEmpty()
        ? QStringLiteral("the local socket")
        : host + QLatin1Char(':') + (port.isEmpty() ? QStringLiteral("5432") : port);
    return QStringLiteral("PostgreSQL database \"%1\" on %2").arg(database, server);
}

} // namespace

DbConnection::DbConnection(QObject* parent)
    : QObject(parent)
    , m_name(nextConnectionName())
{
}

DbConnection::~DbConnection()
{
    // Queries on this connection learn of the end through QPointer; no signal from here.
    blockSignals(true);
    close();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

void DbConnection::setConnectionString(const QString& text)
{
    if (text == m_connectionString)
        return;
    close();
    m_connectionString = text;
}

void DbConnection::setBaseFolder(const QString& folder)
{
    m_baseFolder = folder;
}

void DbConnection::open()
{
    openWith(QString(), QString(), false);
}

void DbConnection::open(const QString& user, const QString& password)
{
    openWith(user, password, false);
}

void DbConnection::openForCreate()
{
    openWith(QString(), QString(), true);
}

void DbConnection::close()
{
    bool wasOpen = false;
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        wasOpen = db.isOpen();
        db.close();
    }
    if (wasOpen)
        emit closed();
}

bool DbConnection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

DbEngine DbConnection::engine() const
{
    return DbEngineFromProvider(ConnectionString(m_connectionString).value(ProviderKey));
}

DbEngine DbConnection::dialect() const
{
    const DbEngine own = engine();
    return own == DbEngine::ODBC ? m_dialect : own;
}

QString DbConnection::sqliteFile() const
{
    const ConnectionString cs(m_connectionString);
    if (engine() != DbEngine::SQLite)
        return {};
    const QString source = cs.value(QStringLiteral("Data Source"));
    if (source.isEmpty())
        return {};
    const QDir base(m_baseFolder.isEmpty() ? QDir::currentPath() : m_baseFolder);
    return QDir::cleanPath(base.absoluteFilePath(source));
}

QString DbConnection::describe() const
{
    const ConnectionString cs(m_connectionString);
    try {
        switch (engine()) {
        case DbEngine::SQLite:
            return QStringLiteral("SQLite database \"%1\"").arg(sqliteFile());
        case DbEngine::PostgreSQL:
            return postgresWhere(cs);
        case DbEngine::ODBC:
            return QStringLiteral("ODBC data source \"%1\"").arg(odbcPart(cs).redacted());
        }
    } catch (const DbError&) {
    }
    return QStringLiteral("connection \"%1\"").arg(cs.redacted());
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

void DbConnection::requireOpen() const
{
    if (!isOpen())
        throw DbError(QStringLiteral("The connection to %1 is not open").arg(describe()));
}

void DbConnection::openWith(const QString& user, const QString& password, bool create)
{
    if (isOpen())
        return;
    const DbEngine own = engine();
    const QString driver = driverName(own);
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw DbError(QStringLiteral("The Qt SQL driver %1 for %2 is not installed (Debian package %3)")
                          .arg(driver, DbEngineName(own), driverPackage(own)));
    // A new Qt connection each time, so that a changed provider gets its own driver.
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
        switch (own) {
        case DbEngine::SQLite:
            openSQLite(db, create);
            m_dialect = DbEngine::SQLite;
            break;
        case DbEngine::PostgreSQL:
            openPostgreSQL(db, user, password);
            m_dialect = DbEngine::PostgreSQL;
            break;
        case DbEngine::ODBC:
            openOdbc(db, user, password);
            m_dialect
                = db.driver()->dbmsType() == QSqlDriver::PostgreSQL ? DbEngine::PostgreSQL : DbEngine::SQLite;
            break;
        }
    }
    emit opened();
}

void DbConnection::openSQLite(QSqlDatabase& db, bool create)
{
    const QString file = sqliteFile();
    if (file.isEmpty())
        throw DbError(QStringLiteral("The SQLite connection string names no database file (Data Source)"));
    const QFileInfo info(file);
    if (!create && !info.exists())
        throw DbError(QStringLiteral("The SQLite database file \"%1\" does not exist").arg(file));
    if (info.isDir())
        throw DbError(QStringLiteral("The SQLite database \"%1\" is a folder, not a file").arg(file));
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SQLiteBusyTimeoutMs));
    if (!db.open())
        throw DbError(QStringLiteral("Cannot open the SQLite database \"%1\": %2")
                          .arg(file, errorText(db.lastError())));
    // SQLite opens any file; the first read tells whether it is a database.
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            const QString reason = errorText(probe.lastError());
            probe = QSqlQuery();
            db.close();
            throw DbError(QStringLiteral("Cannot open the SQLite database \"%1\": %2").arg(file, reason));
        }
        // Readers and one writer at the same time; a read-only file keeps its journal mode.
        probe.exec(QStringLiteral("pragma journal_mode = wal"));
    }
}

void DbConnection::openPostgreSQL(QSqlDatabase& db, const QString& user, const QString& password)
{
    const ConnectionString cs(m_connectionString);
    const QString portText = cs.value(QStringLiteral("Port"));
    if (!portText.isEmpty()) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            throw DbError(QStringLiteral("The port \"%1\" of %2 is not a port number")
                              .arg(portText, postgresWhere(cs)));
        db.setPort(port);
    }
    db.setHostName(cs.firstValue(HostKeys));
    db.setDatabaseName(cs.firstValue(DatabaseKeys));
    const QString userName = user.isEmpty() ? cs.value(UserKey) : user;
    const QString secret = password.isEmpty() ? cs.value(PasswordKey) : password;
    db.setUserName(userName);
    db.setPassword(secret);
    db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(PostgreSQLConnectTimeoutS));
    if (!db.open()) {
        const QString as = userName.isEmpty() ? QString() : QStringLiteral(" as user \"%1\"").arg(userName);
        throw DbError(QStringLiteral("Cannot connect to %1%2: %3")
                          .arg(postgresWhere(cs), as, withoutSecret(errorText(db.lastError()), secret)));
    }
}

void DbConnection::openOdbc(QSqlDatabase& db, const QString& user, const QString& password)
{
    const ConnectionString cs(m_connectionString);
    ConnectionString rest = odbcPart(cs);
    if (rest.isEmpty())
        throw DbError(
            QStringLiteral("The ODBC connection string names no data source (DSN=... or Driver={...};...)"));
    // Credentials passed in replace the ones in the ODBC part.
    if (!user.isEmpty())
        rest.remove(QStringLiteral("UID"));
    if (!password.isEmpty())
        rest.remove(QStringLiteral("PWD"));
    db.setDatabaseName(rest.toString());
    const QString secret = password.isEmpty() ? cs.value(PasswordKey) : password;
    db.setUserName(user.isEmpty() ? cs.value(UserKey) : user);
    db.setPassword(secret);
    if (!db.open()) {
        QString reason = withoutSecret(errorText(db.lastError()), secret);
        reason = withoutSecret(reason, rest.value(QStringLiteral("PWD")));
        throw DbError(
            QStringLiteral("Cannot open the ODBC data source \"%1\": %2").arg(rest.redacted(), reason));
    }
}

QSqlQuery DbConnection::run(const QString& sql, const QVariantList& values, bool forwardOnly)
{
    requireOpen();
    QSqlQuery query(database());
    query.setForwardOnly(forwardOnly);
    bool ok = false;
    if (values.isEmpty()) {
        ok = query.exec(sql);
    } else {
        ok = query.prepare(sql);
        if (ok) {
            for (const QVariant& value : values)
                query.addBindValue(value);
            ok = query.exec();
        }
    }
    if (!ok)
        throw DbError(QStringLiteral("A statement failed on %1: %2\nStatement: %3")
                          .arg(describe(), errorText(query.lastError()), sql));
    return query;
}

int DbConnection::execute(const QString& sql, const QVariantList& values)
{
    return run(sql, values).numRowsAffected();
}
