#pragma once

#include "platform/db/DbQuery.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>

// The table model of the data grids: a view of a DbQuery that reads each cell from the query's
// rows when the view asks for it, so that only what is shown is ever touched. It follows the
// query: opened, closed, rows written or deleted, the cursor moved (the row marker of the vertical
// header). Read-only.
class DbTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column {
        QString field; // the result's field, found without regard to case
        QString title; // empty: the field's name
    };
    // Display text of a value (a date-time shown as such, say).
    using TextHandler = std::function<QString(const QVariant& value)>;

    explicit DbTableModel(QObject* parent = nullptr);
    ~DbTableModel() override;

    void setQuery(DbQuery* query);
    DbQuery* query() const { return m_query; }

    // The columns shown, in order; none: every field of the result, titled with its name.
    void setColumns(const QList<Column>& columns);
    QList<Column> columns() const { return m_columns; }
    // The text handler of a field; an empty handler removes it.
    void setFieldText(const QString& field, TextHandler handler);
    void clearFieldTexts();

    // The field a column shows ("" when the result has no such field) and its index in the result.
    QString fieldName(int column) const;
    int fieldIndex(int column) const;
    // The stored value and the display text of a cell, read from the query's row.
    QVariant value(int row, int column) const;
    QString text(int row, int column) const;
    // 0-based row of the query's cursor, -1 when it has none.
    int currentRow() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void reset();
    void rowsChanged();
    void cursorMoved();
    void resolveFields();

    QPointer<DbQuery> m_query;
    QList<Column> m_columns;
    QList<int> m_fieldIndexes; // one per shown column
    QStringList m_titles;
    QHash<QString, TextHandler> m_texts; // by lower-case field name
    int m_rows = 0; // what the view was told; follows the query only through signals
    int m_currentRow = -1;
};
