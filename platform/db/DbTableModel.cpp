#include "platform/db/DbTableModel.h"

#include "platform/db/DbQuery.h"

namespace
{

// The row marker of the vertical header.
const QString CurrentRowMarker = QStringLiteral("\u25B6");

} // namespace

DbTableModel::DbTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

DbTableModel::~DbTableModel() = default;

void DbTableModel::setQuery(DbQuery* query)
{
    if (query == m_query)
        return;
    if (m_query)
        disconnect(m_query, nullptr, this, nullptr);
    m_query = query;
    if (m_query) {
        connect(m_query, &DbQuery::afterOpen, this, &DbTableModel::reset);
        connect(m_query, &DbQuery::afterClose, this, &DbTableModel::reset);
        connect(m_query, &DbQuery::dataChanged, this, &DbTableModel::rowsChanged);
        connect(m_query, &DbQuery::currentChanged, this, &DbTableModel::cursorMoved);
        connect(m_query, &QObject::destroyed, this, &DbTableModel::reset);
    }
    reset();
}

void DbTableModel::setColumns(const QList<Column>& columns)
{
    m_columns = columns;
    reset();
}

void DbTableModel::setFieldText(const QString& field, TextHandler handler)
{
    if (handler)
        m_texts.insert(field.toLower(), std::move(handler));
    else
        m_texts.remove(field.toLower());
    if (m_rows > 0 && !m_fieldIndexes.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1), {Qt::DisplayRole});
}

void DbTableModel::clearFieldTexts()
{
    m_texts.clear();
    if (m_rows > 0 && !m_fieldIndexes.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1), {Qt::DisplayRole});
}

void DbTableModel::resolveFields()
{
    m_fieldIndexes.clear();
    m_titles.clear();
    const bool open = m_query && m_query->isOpen();
    if (m_columns.isEmpty()) {
        for (int i = 0; open && i < m_query->fieldCount(); ++i) {
            m_fieldIndexes.append(i);
            m_titles.append(m_query->fieldName(i));
        }
        return;
    }
    for (const Column& column : m_columns) {
        m_fieldIndexes.append(open ? m_query->fieldIndex(column.field) : -1);
        m_titles.append(column.title.isEmpty() ? column.field : column.title);
    }
}

// The result was opened or closed (or the query has gone): everything is new.
void DbTableModel::reset()
{
    beginResetModel();
    resolveFields();
    const bool open = m_query && m_query->isOpen();
    m_rows = open ? m_query->recordCount() : 0;
    m_currentRow = currentRow();
    endResetModel();
}

// A row was written, appended or deleted. The same number of rows only needs a repaint.
void DbTableModel::rowsChanged()
{
    const int rows = m_query && m_query->isOpen() ? m_query->recordCount() : 0;
    if (rows != m_rows) {
        reset();
        return;
    }
    if (m_rows > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
    cursorMoved();
}

void DbTableModel::cursorMoved()
{
    const int previous = m_currentRow;
    m_currentRow = currentRow();
    if (previous == m_currentRow)
        return;
    if (previous >= 0 && previous < m_rows)
        emit headerDataChanged(Qt::Vertical, previous, previous);
    if (m_currentRow >= 0 && m_currentRow < m_rows)
        emit headerDataChanged(Qt::Vertical, m_currentRow, m_currentRow);
}

int DbTableModel::currentRow() const
{
    return m_query && m_query->isOpen() ? m_query->recNo() - 1 : -1;
}

QString DbTableModel::fieldName(int column) const
{
    const int field = fieldIndex(column);
    return field >= 0 ? m_query->fieldName(field) : QString();
}

int DbTableModel::fieldIndex(int column) const
{
    return column >= 0 && column < m_fieldIndexes.size() && m_query ? m_fieldIndexes.at(column) : -1;
}

QVariant DbTableModel::value(int row, int column) const
{
    const int field = fieldIndex(column);
    if (field < 0 || row < 0 || row >= m_rows)
        return {};
    return m_query->rowValue(row, field);
}

QString DbTableModel::text(int row, int column) const
{
    const QVariant stored = value(row, column);
    if (!m_texts.isEmpty()) {
        const auto handler = m_texts.constFind(fieldName(column).toLower());
        if (handler != m_texts.constEnd())
            return (*handler)(stored);
    }
    return stored.isNull() ? QString() : stored.toString();
}

int DbTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DbTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_fieldIndexes.size());
}

QVariant DbTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::EditRole:
        return value(index.row(), index.column());
    default:
        return {};
    }
}

QVariant DbTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_titles.size() ? m_titles.at(section) : QVariant();
    return section == m_currentRow ? CurrentRowMarker : QString();
}

Qt::ItemFlags DbTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
