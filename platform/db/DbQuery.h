#pragma once

#include "platform/db/SqlStatement.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>

class DbConnection;

// A result set on a DbConnection, read once into memory so that record count, record number,
// locate and backward moves work on every driver. Fields are found by name without regard to
// case. A result of one table that has an AutoInc column can be written row by row: edit() or
// append(), setValue(), post() writes the one row by its key. Failures throw DbError.
class DbQuery : public QObject
{
    Q_OBJECT
public:
    explicit DbQuery(DbConnection* connection = nullptr, QObject* parent = nullptr);
    ~DbQuery() override;

    DbConnection* connection() const;
    // Closes the query first.
    void setConnection(DbConnection* connection);

    // A new statement closes the query.
    void setSql(const QString& text, const QVariantList& values = {});
    void setStatement(const SqlStatement& statement);
    QString sql() const { return m_sql; }
    QVariantList values() const { return m_values; }

    // Runs the statement and reads every row; the cursor stands on the first row.
    void open();
    // Harmless when closed; drops a pending edit.
    void close();
    bool isOpen() const { return m_open; }
    // Runs the statement as a command (nothing to read); returns the rows affected (-1 unknown).
    int execSql();

    void first();
    void next();
    void prior();
    void last();
    // End-of-data: set by open/first on an empty result, by next() past the last row and by last().
    bool eof() const { return m_eof; }
    // Beginning-of-data: set by open and first(), and by prior() on the first row.
    bool bof() const { return m_bof; }
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    // 1-based number of the current row; 0 when there is none.
    int recNo() const;
    // Moves to row n (1-based); a number outside the rows is ignored.
    void setRecNo(int recNo);
    // Moves to the first row whose field equals value exactly (numbers by value); false and no move
    // when there is none.
    bool locate(const QString& field, const QVariant& value);

    int fieldCount() const { return static_cast<int>(m_record.count()); }
    QString fieldName(int index) const;
    // Index of the field, without regard to case; -1 when the result has none.
    int fieldIndex(const QString& name) const;
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    // The type the result declares for the field.
    QMetaType::Type fieldType(const QString& name) const;
    QMetaType::Type fieldType(int index) const;

    // Values of the current row (or of the row being edited or appended); null when there is no
    // row. An unknown field name throws DbError.
    QVariant value(const QString& name) const;
    QVariant value(int index) const;
    // Value of a field in any row (0-based) without moving the cursor, for views that draw only
    // the rows they show; the row being edited gives its edited values. Null outside the result.
    QVariant rowValue(int row, int index) const;
    QString asString(const QString& name) const;
    QString asString(int index) const;
    int asInteger(const QString& name) const;
    double asFloat(const QString& name) const;
    bool isNull(const QString& name) const;

    // Row writing on a result of one table keyed by AutoInc.
    enum class State { Browse, Edit, Insert };
    State state() const { return m_state; }
    // Puts the current row into edit mode; nothing when it already is.
    void edit();
    // Starts a new, empty row at the end; nothing when already appending.
    void append();
    void setValue(const QString& name, const QVariant& value);
    // Writes the edited or new row (only the assigned columns) and takes it into the result; a new
    // row gets the AutoInc the database assigned. On failure the row stays in its mode.
    void post();
    void cancel();
    // Deletes the current row from its table and from the result; the cursor stays on the row that
    // follows, or the new last row.
    void deleteRow();

    // Attached views stop following the data until the matching enableControls().
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

signals:
    void afterOpen();
    void afterClose();
    // Rows or values changed (post, delete, cancel of an append). Held back while controls are
    // disabled and sent once when they are enabled again.
    void dataChanged();
    // The cursor moved to another row. Held back like dataChanged().
    void currentChanged();

private:
    struct Target {
        QString table;
        int keyIndex = -1;
    };
    void requireOpen() const;
    void requireRow() const;
    int requireField(const QString& name) const;
    Target writeTarget() const;
    const QVariantList* currentValues() const;
    void moveTo(int index, bool bof, bool eof);
    void postEdit(const Target& target);
    void postInsert(const Target& target);
    qint64 insertedKey(const Target& target, const QString& insert, const QVariantList& values);
    void rereadRow(const Target& target, qint64 key, QVariantList& row);
    void notifyData();
    void notifyCurrent();
    QString where() const;

    QPointer<DbConnection> m_connection;
    QString m_sql;
    QVariantList m_values;
    bool m_open = false;
    QSqlRecord m_record;
    QList<QVariantList> m_rows;
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;

    State m_state = State::Browse;
    QVariantList m_buffer;
    QSet<int> m_assigned;
    int m_currentBeforeInsert = -1;

    int m_disableCount = 0;
    bool m_pendingData = false;
    bool m_pendingCurrent = false;
};
