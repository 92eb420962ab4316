#include "common/IniStoreError.h"

IniStoreError::IniStoreError(const QString& path, const QString& reason)
    : std::runtime_error(
        QStringLiteral("Cannot write the settings file %1: %2").arg(path, reason).toStdString())
    , m_path(path)
{
}
