#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// An OLE DB style connection string: `Key=Value;Key=Value`. Keys are matched without regard to
// case and keep their first spelling and order; values may be quoted with " or ' (a doubled quote
// stands for itself) or braced as ODBC does ({...}, braces kept in the value).
class ConnectionString
{
public:
    ConnectionString() = default;
    explicit ConnectionString(const QString& text);

    static ConnectionString parse(const QString& text) { return ConnectionString(text); }

    bool isEmpty() const { return m_entries.isEmpty(); }
    bool contains(const QString& key) const;
    // The value of the key, or def when the key is absent.
    QString value(const QString& key, const QString& def = QString()) const;
    // The value of the first of the keys that is present (synonyms such as "Server"/"Data Source").
    QString firstValue(const QStringList& keys, const QString& def = QString()) const;
    void setValue(const QString& key, const QString& value);
    void remove(const QString& key);
    QStringList keys() const;

    QString toString() const;
    // toString() with every password replaced by ***; the only form that may go into a message.
    QString redacted() const;

    // Keys that hold secrets: Password and ODBC's PWD.
    static bool isSecretKey(const QString& key);

private:
    struct Entry {
        QString key;
        QString value;
    };
    int indexOf(const QString& key) const;
    QString format(bool hideSecrets) const;
    static QString redactedValue(const QString& key, const QString& value);

    QList<Entry> m_entries;
};
