#pragma once

#include <stdexcept>

#include <QString>

// The settings file could not be written; what() names the file and the reason.
class IniStoreError : public std::runtime_error
{
public:
    IniStoreError(const QString& path, const QString& reason);

    QString path() const { return m_path; }

private:
    QString m_path;
};
