#include "platform/db/DbError.h"

DbError::DbError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

QString DbError::message() const
{
    return QString::fromUtf8(what());
}
