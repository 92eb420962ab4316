#include "platform/db/DbQuery.h"

#include "platform/db/DbConnection.h"
#include "platform/db/DbError.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include <algorithm>
#include <utility>

namespace
{

const QLatin1String KeyField("AutoInc");

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// Exact match as Locate does it: numbers by value whatever their width, anything else by text.
bool sameValue(const QVariant& stored, const QVariant& wanted)
{
    if (stored.isNull() || wanted.isNull())
        return stored.isNull() && wanted.isNull();
    if (isNumber(stored) && isNumber(wanted))
        return stored.toDouble() == wanted.toDouble();
    return stored.toString() == wanted.toString();
}

// The one table a statement reads, or "" when it reads several or none: rows can only be written
// back through a plain "select ... from Table [where ...]".
QString singleTable(const QString& sql)
{
    static const QRegularExpression fromClause(
        QStringLiteral("\\bfrom\\s+([A-Za-z_][A-Za-z0-9_.]*)\\s*(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression otherTables(
        QStringLiteral("^,|\\bjoin\\b|\\bfrom\\b|\\bunion\\b"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = fromClause.match(sql);
    if (!match.hasMatch())
        return {};
    if (otherTables.match(match.captured(2)).hasMatch())
        return {};
    if (sql.left(match.capturedStart(0))
            .contains(
                QRegularExpression(QStringLiteral("\\bfrom\\b"), QRegularExpression::CaseInsensitiveOption)))
        return {};
    return match.captured(1);
}

} // namespace

DbQuery::DbQuery(DbConnection* connection, QObject* parent)
    : QObject(parent)
{
    setConnection(connection);
}

DbQuery::~DbQuery() = default;

DbConnection* DbQuery::connection() const
{
    return m_connection.data();
}

void DbQuery::setConnection(DbConnection* connection)
{
    if (connection == m_connection)
        return;
    close();
    if (m_connection)
        disconnect(m_connection, nullptr, this, nullptr);
    m_connection = connection;
    // Closing a connection closes the result sets on it, as a new logon expects.
    if (m_connection)
        connect(m_connection, &DbConnection::closed, this, &DbQuery::close);
}

void DbQuery::setSql(const QString& text, const QVariantList& values)
{
    close();
    m_sql = text;
    m_values = values;
}

void DbQuery::setStatement(const SqlStatement& statement)
{
    setSql(statement.text, statement.values);
}

QString DbQuery::where() const
{
    return m_connection ? m_connection->describe() : QStringLiteral("no connection");
}

void DbQuery::open()
{
    close();
    if (!m_connection)
        throw DbError(QStringLiteral("The query has no connection: %1").arg(m_sql));
    QSqlQuery query = m_connection->run(m_sql, m_values, true);
    if (!query.isSelect())
        throw DbError(QStringLiteral("The statement returned no rows to read on %1: %2").arg(where(), m_sql));
    QSqlRecord record = query.record();
    QList<QVariantList> rows;
    const int columns = static_cast<int>(record.count());
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
        rows.append(row);
    }
    if (query.lastError().isValid())
        throw DbError(QStringLiteral("Reading the result failed on %1: %2\nStatement: %3")
                          .arg(where(), query.lastError().text(), m_sql));
    m_record = record;
    m_rows = rows;
    m_open = true;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    emit afterOpen();
    notifyData();
    notifyCurrent();
}

void DbQuery::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_rows.clear();
    m_record = QSqlRecord();
    m_current = -1;
    m_bof = m_eof = true;
    m_state = State::Browse;
    m_buffer.clear();
    m_assigned.clear();
    emit afterClose();
}

int DbQuery::execSql()
{
    close();
    if (!m_connection)
        throw DbError(QStringLiteral("The query has no connection: %1").arg(m_sql));
    return m_connection->execute(m_sql, m_values);
}

void DbQuery::requireOpen() const
{
    if (!m_open)
        throw DbError(QStringLiteral("The result set is closed: %1").arg(m_sql));
}

void DbQuery::requireRow() const
{
    requireOpen();
    if (m_current < 0)
        throw DbError(QStringLiteral("The result set has no current row: %1").arg(m_sql));
}

void DbQuery::moveTo(int index, bool bof, bool eof)
{
    // Leaving a row that is being written writes it first.
    if (m_state != State::Browse)
        post();
    const bool moved = index != m_current;
    m_current = index;
    m_bof = bof;
    m_eof = eof;
    if (moved)
        notifyCurrent();
}

void DbQuery::first()
{
    requireOpen();
    moveTo(m_rows.isEmpty() ? -1 : 0, true, m_rows.isEmpty());
}

void DbQuery::last()
{
    requireOpen();
    moveTo(static_cast<int>(m_rows.size()) - 1, m_rows.isEmpty(), true);
}

void DbQuery::next()
{
    requireOpen();
    if (m_current + 1 < m_rows.size())
        moveTo(m_current + 1, false, false);
    else
        moveTo(m_current, m_rows.isEmpty(), true);
}

void DbQuery::prior()
{
    requireOpen();
    if (m_current > 0)
        moveTo(m_current - 1, false, false);
    else
        moveTo(m_current, true, m_rows.isEmpty());
}

int DbQuery::recNo() const
{
    return m_open && m_state != State::Insert ? m_current + 1 : 0;
}

void DbQuery::setRecNo(int recNo)
{
    requireOpen();
    if (recNo >= 1 && recNo <= m_rows.size())
        moveTo(recNo - 1, false, false);
}

bool DbQuery::locate(const QString& field, const QVariant& value)
{
    requireOpen();
    const int column = requireField(field);
    for (int i = 0; i < m_rows.size(); ++i) {
        if (sameValue(m_rows.at(i).at(column), value)) {
            moveTo(i, false, false);
            return true;
        }
    }
    return false;
}

QString DbQuery::fieldName(int index) const
{
    return m_record.fieldName(index);
}

int DbQuery::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_record.count(); ++i) {
        if (m_record.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int DbQuery::requireField(const QString& name) const
{
    requireOpen();
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("The result has no field \"%1\": %2").arg(name, m_sql));
    return index;
}

QMetaType::Type DbQuery::fieldType(const QString& name) const
{
    return fieldType(requireField(name));
}

QMetaType::Type DbQuery::fieldType(int index) const
{
    if (index < 0 || index >= m_record.count())
        return QMetaType::UnknownType;
    return static_cast<QMetaType::Type>(m_record.field(index).metaType().id());
}

const QVariantList* DbQuery::currentValues() const
{
    if (m_state != State::Browse)
        return &m_buffer;
    if (m_current < 0 || m_current >= m_rows.size())
        return nullptr;
    return &m_rows.at(m_current);
}

QVariant DbQuery::value(int index) const
{
    requireOpen();
    const QVariantList* row = currentValues();
    if (!row || index < 0 || index >= row->size())
        return {};
    return row->at(index);
}

QVariant DbQuery::rowValue(int row, int index) const
{
    if (!m_open || row < 0 || row >= m_rows.size())
        return {};
    const QVariantList& values = m_state == State::Edit && row == m_current ? m_buffer : m_rows.at(row);
    return index >= 0 && index < values.size() ? values.at(index) : QVariant();
}

QVariant DbQuery::value(const QString& name) const
{
    return value(requireField(name));
}

QString DbQuery::asString(int index) const
{
    const QVariant v = value(index);
    if (v.isNull())
        return {};
    // Floating-point values read as the classic general format of 15 significant digits.
    if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

QString DbQuery::asString(const QString& name) const
{
    return asString(requireField(name));
}

int DbQuery::asInteger(const QString& name) const
{
    const QVariant v = value(name);
    return v.isNull() ? 0 : v.toInt();
}

double DbQuery::asFloat(const QString& name) const
{
    const QVariant v = value(name);
    return v.isNull() ? 0.0 : v.toDouble();
}

bool DbQuery::isNull(const QString& name) const
{
    return value(name).isNull();
}

DbQuery::Target DbQuery::writeTarget() const
{
    requireOpen();
    Target target;
    target.table = singleTable(m_sql);
    if (target.table.isEmpty())
        throw DbError(
            QStringLiteral("Rows can only be written through a result of one table: %1").arg(m_sql));
    target.keyIndex = fieldIndex(KeyField);
    if (target.keyIndex < 0)
        throw DbError(QStringLiteral("Rows can only be written through a result that holds the key %1: %2")
                          .arg(KeyField, m_sql));
    return target;
}

void DbQuery::edit()
{
    if (m_state != State::Browse)
        return;
    requireRow();
    writeTarget();
    m_buffer = m_rows.at(m_current);
    m_assigned.clear();
    m_state = State::Edit;
}

void DbQuery::append()
{
    requireOpen();
    if (m_state == State::Insert)
        return;
    if (m_state == State::Edit)
        post();
    writeTarget();
    m_buffer = QVariantList();
    for (int i = 0; i < m_record.count(); ++i)
        m_buffer.append(QVariant(m_record.field(i).metaType()));
    m_assigned.clear();
    m_currentBeforeInsert = m_current;
    m_state = State::Insert;
    notifyCurrent();
}

void DbQuery::setValue(const QString& name, const QVariant& value)
{
    const int index = requireField(name);
    if (m_state == State::Browse)
        throw DbError(QStringLiteral("The row is not in edit or append mode: %1").arg(m_sql));
    if (index == fieldIndex(KeyField))
        throw DbError(QStringLiteral("%1 is assigned by the database and cannot be set").arg(KeyField));
    m_buffer[index] = value;
    m_assigned.insert(index);
}

void DbQuery::post()
{
    if (m_state == State::Browse)
        return;
    const Target target = writeTarget();
    if (m_state == State::Edit)
        postEdit(target);
    else
        postInsert(target);
    m_state = State::Browse;
    m_assigned.clear();
    m_buffer.clear();
    notifyData();
}

void DbQuery::postEdit(const Target& target)
{
    const QVariant key = m_rows.at(m_current).at(target.keyIndex);
    if (m_assigned.isEmpty())
        return;
    QList<int> columns = m_assigned.values();
    std::sort(columns.begin(), columns.end());
    QStringList assignments;
    QVariantList values;
    for (int column : columns) {
        assignments.append(m_record.fieldName(column) + QLatin1String(" = ?"));
        values.append(m_buffer.at(column));
    }
    values.append(key);
    const QString update
        = QStringLiteral("update %1 set %2 where %3 = ?")
              .arg(target.table, assignments.join(QLatin1String(", ")), m_record.fieldName(target.keyIndex));
    const int affected = m_connection->execute(update, values);
    if (affected == 0)
        throw DbError(QStringLiteral("The row with %1 %2 of %3 no longer exists on %4; nothing was updated")
                          .arg(KeyField, key.toString(), target.table, where()));
    QVariantList row = m_buffer;
    rereadRow(target, key.toLongLong(), row);
    m_rows[m_current] = row;
}

void DbQuery::postInsert(const Target& target)
{
    QList<int> columns = m_assigned.values();
    std::sort(columns.begin(), columns.end());
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (int column : columns) {
        names.append(m_record.fieldName(column));
        marks.append(QStringLiteral("?"));
        values.append(m_buffer.at(column));
    }
    const QString insert = columns.isEmpty()
        ? QStringLiteral("insert into %1 default values").arg(target.table)
        : QStringLiteral("insert into %1 (%2) values (%3)")
              .arg(target.table, names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    const qint64 key = insertedKey(target, insert, values);
    QVariantList row = m_buffer;
    row[target.keyIndex] = key;
    rereadRow(target, key, row);
    m_rows.append(row);
    m_current = static_cast<int>(m_rows.size()) - 1;
    m_bof = m_eof = false;
}

// Runs the insert and answers the key the database gave the row.
qint64 DbQuery::insertedKey(const Target& target, const QString& insert, const QVariantList& values)
{
    const QString keyName = m_record.fieldName(target.keyIndex);
    if (m_connection->dialect() == DbEngine::PostgreSQL) {
        QSqlQuery query = m_connection->run(insert + QLatin1String(" returning ") + keyName, values);
        if (query.next())
            return query.value(0).toLongLong();
        throw DbError(QStringLiteral("The insert into %1 returned no key on %2").arg(target.table, where()));
    }
    const QSqlQuery query = m_connection->run(insert, values);
    const QVariant id = query.lastInsertId();
    if (id.isValid() && !id.isNull())
        return id.toLongLong();
    // Drivers that cannot tell (ODBC): ask SQLite itself, else take the highest key.
    try {
        QSqlQuery rowid = m_connection->run(QStringLiteral("select last_insert_rowid()"));
        if (rowid.next() && rowid.value(0).toLongLong() > 0)
            return rowid.value(0).toLongLong();
    } catch (const DbError&) {
    }
    QSqlQuery highest
        = m_connection->run(QStringLiteral("select max(%1) from %2").arg(keyName, target.table));
    if (highest.next() && !highest.value(0).isNull())
        return highest.value(0).toLongLong();
    throw DbError(QStringLiteral("The key of the row inserted into %1 cannot be read on %2")
                      .arg(target.table, where()));
}

// Takes the row's stored values (defaults, the other program's columns) into the result.
// The write itself has succeeded by then, so a failed re-read keeps the values as posted.
void DbQuery::rereadRow(const Target& target, qint64 key, QVariantList& row)
{
    QSqlQuery query;
    try {
        query = m_connection->run(QStringLiteral("select * from %1 where %2 = ?")
                                      .arg(target.table, m_record.fieldName(target.keyIndex)),
            {key});
    } catch (const DbError&) {
        return;
    }
    if (!query.next())
        return;
    const QSqlRecord stored = query.record();
    for (int i = 0; i < m_record.count(); ++i) {
        for (int j = 0; j < stored.count(); ++j) {
            if (stored.fieldName(j).compare(m_record.fieldName(i), Qt::CaseInsensitive) == 0) {
                row[i] = query.value(j);
                break;
            }
        }
    }
}

void DbQuery::cancel()
{
    if (m_state == State::Browse)
        return;
    const bool wasInsert = m_state == State::Insert;
    m_state = State::Browse;
    m_buffer.clear();
    m_assigned.clear();
    if (wasInsert) {
        m_current = m_currentBeforeInsert;
        notifyCurrent();
    }
    notifyData();
}

void DbQuery::deleteRow()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    requireRow();
    const Target target = writeTarget();
    const QVariant key = m_rows.at(m_current).at(target.keyIndex);
    const int affected = m_connection->execute(
        QStringLiteral("delete from %1 where %2 = ?").arg(target.table, m_record.fieldName(target.keyIndex)),
        {key});
    if (affected == 0)
        throw DbError(QStringLiteral("The row with %1 %2 of %3 no longer exists on %4; nothing was deleted")
                          .arg(KeyField, key.toString(), target.table, where()));
    m_state = State::Browse;
    m_buffer.clear();
    m_assigned.clear();
    m_rows.removeAt(m_current);
    if (m_current >= m_rows.size())
        m_current = static_cast<int>(m_rows.size()) - 1;
    m_bof = m_rows.isEmpty();
    m_eof = m_rows.isEmpty();
    notifyData();
    notifyCurrent();
}

void DbQuery::disableControls()
{
    ++m_disableCount;
}

void DbQuery::enableControls()
{
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    if (std::exchange(m_pendingData, false))
        emit dataChanged();
    if (std::exchange(m_pendingCurrent, false))
        emit currentChanged();
}

void DbQuery::notifyData()
{
    if (controlsDisabled())
        m_pendingData = true;
    else
        emit dataChanged();
}

void DbQuery::notifyCurrent()
{
    if (controlsDisabled())
        m_pendingCurrent = true;
    else
        emit currentChanged();
}
