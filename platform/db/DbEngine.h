#pragma once

#include <QString>
#include <QStringList>

// The engine family a connection string names through its Provider.
enum class DbEngine { SQLite, PostgreSQL, ODBC };

// Engine of a Provider value, without regard to case; an OLE DB version suffix such as the ".1"
// of "MSDASQL.1" is ignored. Throws DbError naming the provider and the supported ones.
DbEngine DbEngineFromProvider(const QString& provider);

// The Provider value that names the engine ("SQLite", "PostgreSQL", "ODBC").
QString DbEngineName(DbEngine engine);

// The Provider values we accept, for messages and dialogs.
QStringList SupportedProviders();
