#include "framework/TQorDbGrid.h"

#include "platform/db/DbQuery.h"
#include "platform/db/DbTableModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace
{

// One notch of an ordinary wheel; finer wheels and touch pads add up to it.
constexpr int WheelStep = 120;

QString OnOneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

} // namespace

// Draws the data cells: the grid's own drawing (unless switched off), then the form's
// OnDrawColumnCell, then, with ShowMemoText, text fields with their line breaks.
class TQorDbGridDelegate final : public QStyledItemDelegate
{
public:
    explicit TQorDbGridDelegate(TQorDbGrid* grid)
        : QStyledItemDelegate(grid)
        , FGrid(grid)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette::ColorGroup group
            = option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
        const QColor background
            = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QColor foreground
            = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
        if (FGrid->DefaultDrawing)
            QStyledItemDelegate::paint(painter, option, index);
        else
            painter->fillRect(option.rect, background);

        painter->save();
        painter->setBrush(background);
        painter->setPen(foreground);
        painter->setFont(option.font);
        const QString field = FGrid->FModel->fieldName(index.column());
        if (FGrid->OnDrawColumnCell) {
            TQorDbGrid::TGridDrawState state;
            state.selected = selected;
            state.focused = option.state.testFlag(QStyle::State_HasFocus);
            FGrid->OnDrawColumnCell(FGrid, *painter, option.rect, index.column(), field, state);
        }
        if (FGrid->FShowMemoText && IsTextField(index.column()))
            DrawMemo(*painter, option.rect, index);
        painter->restore();
    }

    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        if (value.metaType().id() != QMetaType::QString)
            return QStyledItemDelegate::displayText(value, locale);
        return FGrid->FShowMemoText ? value.toString() : OnOneLine(value.toString());
    }

private:
    bool IsTextField(int column) const
    {
        const int field = FGrid->FModel->fieldIndex(column);
        return field >= 0 && FGrid->DataSet()->fieldType(field) == QMetaType::QString;
    }

    // Background in the painter's brush, then the text from the top left, broken only at its own
    // line breaks, "&" as an ordinary character, clipped to the cell.
    void DrawMemo(QPainter& painter, const QRect& rect, const QModelIndex& index) const
    {
        painter.fillRect(rect, painter.brush());
        const QString text = FGrid->FModel->text(index.row(), index.column());
        if (text.isEmpty())
            return;
        painter.setClipRect(rect);
        painter.drawText(rect.adjusted(1, 1, -1, -1), Qt::AlignLeft | Qt::AlignTop, text);
    }

    TQorDbGrid* FGrid;
};

TQorDbGrid::TQorDbGrid(QWidget* parent)
    : QTableView(parent)
    , FModel(new DbTableModel(this))
{
    setModel(FModel);
    setItemDelegate(new TQorDbGridDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Fixed row heights: the view places 10,000 rows without measuring any of them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 2);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setFixedWidth(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        RestoreWidths();
        FollowCursor();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &TQorDbGrid::ColumnResized);
}

TQorDbGrid::~TQorDbGrid() = default;

void TQorDbGrid::SetDataSet(DbQuery* query)
{
    if (DataSet())
        disconnect(DataSet(), nullptr, this, nullptr);
    FModel->setQuery(query);
    if (query)
        connect(query, &DbQuery::currentChanged, this, &TQorDbGrid::FollowCursor);
}

DbQuery* TQorDbGrid::DataSet() const
{
    return FModel->query();
}

void TQorDbGrid::SetColumns(const QList<TColumn>& columns)
{
    QList<DbTableModel::Column> shown;
    FWidths.clear();
    for (const TColumn& column : columns) {
        shown.append({column.field, column.title});
        FWidths.append(column.width);
    }
    FModel->setColumns(shown);
}

void TQorDbGrid::SetShowMemoText(bool value)
{
    if (value == FShowMemoText)
        return;
    FShowMemoText = value;
    viewport()->update();
}

void TQorDbGrid::RestoreWidths()
{
    FSyncing = true;
    for (int i = 0; i < FWidths.size() && i < FModel->columnCount(); ++i) {
        if (FWidths.at(i) > 0)
            setColumnWidth(i, FWidths.at(i));
    }
    FSyncing = false;
}

void TQorDbGrid::ColumnResized(int column, int, int newSize)
{
    if (FSyncing || column < 0)
        return;
    if (column >= FWidths.size())
        FWidths.resize(column + 1, 0);
    FWidths[column] = newSize;
}

// The query's cursor moved (or the query was opened): the grid's current row follows.
void TQorDbGrid::FollowCursor()
{
    const int row = FModel->currentRow();
    if (row < 0 || row >= FModel->rowCount())
        return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex target = FModel->index(row, qMax(0, column));
    if (!target.isValid() || target == currentIndex())
        return;
    FSyncing = true;
    setCurrentIndex(target);
    FSyncing = false;
    scrollTo(target);
}

// The user moved the grid's current row (click, keys): the query's cursor follows.
void TQorDbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    DbQuery* query = DataSet();
    if (FSyncing || !current.isValid() || !query || !query->isOpen())
        return;
    if (query->recNo() != current.row() + 1)
        query->setRecNo(current.row() + 1);
}

void TQorDbGrid::MoveCursor(bool forward)
{
    DbQuery* query = DataSet();
    if (!query || !query->isOpen())
        return;
    if (forward)
        query->next();
    else
        query->prior();
}

bool TQorDbGrid::DoMouseWheelDown(Qt::KeyboardModifiers shift, const QPoint& pos)
{
    bool handled = true;
    if (OnMouseWheelDown)
        OnMouseWheelDown(this, shift, pos, handled);
    MoveCursor(true);
    return handled;
}

bool TQorDbGrid::DoMouseWheelUp(Qt::KeyboardModifiers shift, const QPoint& pos)
{
    bool handled = true;
    if (OnMouseWheelUp)
        OnMouseWheelUp(this, shift, pos, handled);
    MoveCursor(false);
    return handled;
}

void TQorDbGrid::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QTableView::wheelEvent(event); // a sideways wheel scrolls the columns
        return;
    }
    FWheelDelta += delta;
    bool handled = true;
    const QPoint pos = event->position().toPoint();
    // Towards the user (negative) is down: the next record.
    while (FWheelDelta <= -WheelStep) {
        FWheelDelta += WheelStep;
        handled = DoMouseWheelDown(event->modifiers(), pos) && handled;
    }
    while (FWheelDelta >= WheelStep) {
        FWheelDelta -= WheelStep;
        handled = DoMouseWheelUp(event->modifiers(), pos) && handled;
    }
    if (handled)
        event->accept();
    else
        QTableView::wheelEvent(event);
}
