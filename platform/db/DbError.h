#pragma once

#include <QString>

#include <stdexcept>

// A failure of the database layer. The message says what failed and where, and never carries a
// password.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString& message);

    QString message() const;
};
