#include "common/IpAddress.h"

#include <array>

namespace
{

// A part is a decimal number, optionally signed, with blanks around it allowed; anything else
// counts as 0. Numbers too long for any part come back as -1, so that they make the text no
// address instead of being read as 0.
int partValue(const QString& part)
{
    const QString text = part.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return 0;
    int value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        if (value <= 255)
            value = value * 10 + (c - u'0');
    }
    if (value > 255)
        return -1;
    return negative ? -value : value;
}

} // namespace

quint32 IPAddressToValue(const QString& text)
{
    std::array<int, 4> parts {};
    int dots = 0;
    QString current;
    for (const QChar c : text) {
        if (c != QLatin1Char('.')) {
            current.append(c);
            continue;
        }
        // Only the first three dots close a part; a fourth makes the text no address anyway.
        if (dots < 3)
            parts[dots] = partValue(current);
        current.clear();
        ++dots;
    }
    parts[3] = partValue(current);
    if (dots != 3)
        return 0;
    quint32 value = 0;
    for (const int part : parts) {
        if (part < 0 || part > 255)
            return 0;
        value = value * 256 + static_cast<quint32>(part);
    }
    return value;
}
