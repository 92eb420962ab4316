#include "platform/db/ConnectionString.h"

namespace
{

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// Reads a value that starts at text[pos] up to the ';' that ends it; pos ends on that ';' or at
// the end of the text.
QString readValue(const QString& text, qsizetype& pos)
{
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    if (pos < text.size() && isQuote(text.at(pos))) {
        const QChar quote = text.at(pos++);
        QString value;
        while (pos < text.size()) {
            if (text.at(pos) == quote) {
                if (pos + 1 < text.size() && text.at(pos + 1) == quote) {
                    value += quote;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value += text.at(pos++);
        }
        // Anything between the closing quote and the separator is not part of the value.
        while (pos < text.size() && text.at(pos) != QLatin1Char(';'))
            ++pos;
        return value;
    }
    QString value;
    while (pos < text.size() && text.at(pos) != QLatin1Char(';')) {
        if (text.at(pos) == QLatin1Char('{')) {
            // ODBC braces may hold separators; "}}" inside stands for one brace.
            value += text.at(pos++);
            while (pos < text.size()) {
                if (text.at(pos) == QLatin1Char('}')) {
                    if (pos + 1 < text.size() && text.at(pos + 1) == QLatin1Char('}')) {
                        value += QLatin1String("}}");
                        pos += 2;
                        continue;
                    }
                    value += text.at(pos++);
                    break;
                }
                value += text.at(pos++);
            }
            continue;
        }
        value += text.at(pos++);
    }
    return value.trimmed();
}

bool isBraced(const QString& value)
{
    return value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}'));
}

QString quoted(const QString& value)
{
    if (isBraced(value))
        return value;
    const bool needsQuotes = value.contains(QLatin1Char(';')) || (!value.isEmpty() && isQuote(value.front()))
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes)
        return value;
    const QChar quote = value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\''))
        ? QLatin1Char('\'')
        : QLatin1Char('"');
    QString inner = value;
    inner.replace(quote, QString(2, quote));
    return quote + inner + quote;
}

} // namespace

// A secret's value, or a nested string that holds one (as OLE DB's "Extended Properties" may),
// comes out hidden.
QString ConnectionString::redactedValue(const QString& key, const QString& value)
{
    if (isSecretKey(key))
        return QStringLiteral("***");
    if (!value.contains(QLatin1Char('=')))
        return value;
    const ConnectionString inner(value);
    for (const Entry& entry : inner.m_entries) {
        if (isSecretKey(entry.key))
            return inner.redacted();
    }
    return value;
}

ConnectionString::ConnectionString(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype keyStart = pos;
        while (pos < text.size() && text.at(pos) != QLatin1Char('=') && text.at(pos) != QLatin1Char(';'))
            ++pos;
        const QString key = text.mid(keyStart, pos - keyStart).trimmed();
        QString value;
        if (pos < text.size() && text.at(pos) == QLatin1Char('=')) {
            ++pos;
            value = readValue(text, pos);
        }
        if (!key.isEmpty())
            setValue(key, value);
        if (pos < text.size()) // the ';'
            ++pos;
    }
}

int ConnectionString::indexOf(const QString& key) const
{
    const QString wanted = key.trimmed();
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).key.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool ConnectionString::contains(const QString& key) const
{
    return indexOf(key) >= 0;
}

QString ConnectionString::value(const QString& key, const QString& def) const
{
    const int i = indexOf(key);
    return i < 0 ? def : m_entries.at(i).value;
}

QString ConnectionString::firstValue(const QStringList& keys, const QString& def) const
{
    for (const QString& key : keys) {
        const int i = indexOf(key);
        if (i >= 0)
            return m_entries.at(i).value;
    }
    return def;
}

void ConnectionString::setValue(const QString& key, const QString& value)
{
    const int i = indexOf(key);
    if (i >= 0)
        m_entries[i].value = value;
    else
        m_entries.append({key.trimmed(), value});
}

void ConnectionString::remove(const QString& key)
{
    const int i = indexOf(key);
    if (i >= 0)
        m_entries.removeAt(i);
}

QStringList ConnectionString::keys() const
{
    QStringList result;
    for (const Entry& entry : m_entries)
        result.append(entry.key);
    return result;
}

bool ConnectionString::isSecretKey(const QString& key)
{
    return key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0
        || key.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0;
}

QString ConnectionString::format(bool hideSecrets) const
{
    QStringList parts;
    for (const Entry& entry : m_entries) {
        QString value = entry.value;
        if (hideSecrets)
            value = redactedValue(entry.key, value);
        parts.append(entry.key + QLatin1Char('=') + quoted(value));
    }
    return parts.join(QLatin1Char(';'));
}

QString ConnectionString::toString() const
{
    return format(false);
}

QString ConnectionString::redacted() const
{
    return format(true);
}
