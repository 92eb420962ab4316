#include "platform/control/ControlRecord.h"

#include <QList>

#include <limits>

namespace
{

bool allDigits(const QByteArray& text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::optional<qint64> parseNumber(const QByteArray& field, bool allowSign)
{
    const bool negative = allowSign && field.startsWith('-');
    const QByteArray digits = negative ? field.mid(1) : field;
    if (!allDigits(digits) || digits.size() > 19)
        return std::nullopt;
    bool ok = false;
    const qint64 value = field.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

QByteArray ControlRecord::toBytes() const
{
    return QByteArray::number(message) + ' ' + QByteArray::number(wParam) + ' ' + QByteArray::number(lParam)
        + '\n';
}

std::optional<ControlRecord> ControlRecord::parse(const QByteArray& line)
{
    if (line.size() >= MaxLength)
        return std::nullopt;
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() != 3)
        return std::nullopt;
    const auto message = parseNumber(fields[0], false);
    const auto wParam = parseNumber(fields[1], true);
    const auto lParam = parseNumber(fields[2], true);
    if (!message || !wParam || !lParam || *message > std::numeric_limits<int>::max())
        return std::nullopt;
    return ControlRecord {int(*message), *wParam, *lParam};
}
