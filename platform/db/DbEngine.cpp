#include "platform/db/DbEngine.h"

#include "platform/db/DbError.h"

#include <QRegularExpression>

QStringList SupportedProviders()
{
    return {QStringLiteral("SQLite"), QStringLiteral("PostgreSQL"), QStringLiteral("MSDASQL"),
        QStringLiteral("ODBC")};
}

DbEngine DbEngineFromProvider(const QString& provider)
{
    static const QRegularExpression versionSuffix(QStringLiteral("\\.\\d+$"));
    QString name = provider.trimmed();
    name.remove(versionSuffix);
    if (name.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        return DbEngine::SQLite;
    if (name.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0)
        return DbEngine::PostgreSQL;
    if (name.compare(QLatin1String("MSDASQL"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0)
        return DbEngine::ODBC;
    const QString supported = SupportedProviders().join(QLatin1String(", "));
    if (provider.trimmed().isEmpty())
        throw DbError(QStringLiteral("The connection string names no Provider; supported providers: %1")
                          .arg(supported));
    throw DbError(QStringLiteral("Unknown database provider \"%1\"; supported providers: %2")
                      .arg(provider.trimmed(), supported));
}

QString DbEngineName(DbEngine engine)
{
    switch (engine) {
    case DbEngine::SQLite:
        return QStringLiteral("SQLite");
    case DbEngine::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case DbEngine::ODBC:
        return QStringLiteral("ODBC");
    }
    return {};
}
