#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTableView>

#include <functional>

class DbQuery;
class DbTableModel;
class QPainter;

// The read-only data grid of the client: a table view of a DbQuery through a DbTableModel that
// reads only the rows on screen. The grid's current row and the query's cursor follow each other,
// and one wheel step moves the cursor by one record (OnMouseWheelDown/Up may be told first).
// Cells can be drawn by the form (OnDrawColumnCell), after or instead of the grid's own drawing.
class TQorDbGrid : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(bool ShowMemoText READ ShowMemoText WRITE SetShowMemoText)

public:
    struct TColumn {
        QString field;
        QString title; // empty: the field's name
        int width = 0; // 0: the grid's default
    };
    struct TGridDrawState {
        bool selected = false; // the cell is in the selected row
        bool focused = false; // the cell is the current cell and the grid has the focus
    };
    using TMouseWheelEvent = std::function<void(
        TQorDbGrid* sender, Qt::KeyboardModifiers shift, const QPoint& pos, bool& handled)>;
    // rect: the cell; dataCol: its column; field: the column's field name. The painter carries the
    // cell's colours (brush = background, pen = text; the highlight colours in the selected row).
    using TDrawColumnCellEvent = std::function<void(TQorDbGrid* sender, QPainter& canvas, const QRect& rect,
        int dataCol, const QString& field, TGridDrawState state)>;

    explicit TQorDbGrid(QWidget* parent = nullptr);
    ~TQorDbGrid() override;

    // The query shown (the data set of the grid's data source); none shows nothing.
    void SetDataSet(DbQuery* query);
    DbQuery* DataSet() const;
    DbTableModel* TableModel() const { return FModel; }

    // Fixed columns; none: every field of the result. Widths the user drags survive re-reads.
    void SetColumns(const QList<TColumn>& columns);

    // Text cells drawn with their line breaks, clipped to the cell (otherwise on one line).
    bool ShowMemoText() const { return FShowMemoText; }
    void SetShowMemoText(bool value);

    // Off: the grid draws nothing in the data cells but their background; OnDrawColumnCell does.
    bool DefaultDrawing = true;

    TMouseWheelEvent OnMouseWheelDown;
    TMouseWheelEvent OnMouseWheelUp;
    TDrawColumnCellEvent OnDrawColumnCell;

    // One wheel request each: tells the handler, then moves the cursor to the next (down) or
    // previous (up) record. True: the request is dealt with and the view does not scroll itself.
    virtual bool DoMouseWheelDown(Qt::KeyboardModifiers shift, const QPoint& pos);
    virtual bool DoMouseWheelUp(Qt::KeyboardModifiers shift, const QPoint& pos);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class TQorDbGridDelegate;
    void FollowCursor();
    void RestoreWidths();
    void ColumnResized(int column, int oldSize, int newSize);
    void MoveCursor(bool forward);

    DbTableModel* FModel = nullptr;
    bool FShowMemoText = false;
    bool FSyncing = false;
    int FWheelDelta = 0;
    QList<int> FWidths; // per column; 0 = default
};
