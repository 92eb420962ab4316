#include "framework/TQorDbGrid.h"

#include "platform/db/DbConnection.h"
#include "platform/db/DbQuery.h"
#include "platform/db/DbTableModel.h"
#include "tests/framework/QtPrinters.h"
#include "tests/support/TempInventory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <iostream>

namespace
{

constexpr int Rows = 10000;

// The address of device i as the fixture writes it.
QString Address(int i)
{
    return QStringLiteral("10.0.%1.%2").arg(i / 256).arg(i % 256);
}

// An inventory of 10,000 devices, read by one query in key order.
class GridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        inventory = std::make_unique<TempInventory>(DbEngine::SQLite);
        DbConnection& db = inventory->connection();
        db.execute(QStringLiteral(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
            "insert into AssetList (IPAddress, IPValue, DeviceName, CreatedDate, CreatedBy, ModifiedDate, "
            "ModifiedBy, PingInterval, LastPing) "
            "select '10.0.' || (i / 256) || '.' || (i % 256), i, 'Device ' || i, 45000, 'test', 45000, "
            "'test', "
            "120, 45306.5 from n")
                       .arg(Rows));
        db.execute(
            "update AssetList set SiteName = 'first line' || char(10) || 'second line' where AutoInc = 1");
        query = std::make_unique<DbQuery>(&db);
        query->setSql(
            "select AutoInc, IPAddress, DeviceName, SiteName, LastPing from AssetList order by AutoInc");
    }

    // One wheel notch (or part of one) over the grid, as the mouse sends it.
    void Wheel(TQorDbGrid& grid, int delta)
    {
        const QPointF pos(50, 50);
        QWheelEvent event(pos, grid.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &event);
    }

    std::unique_ptr<TempInventory> inventory;
    std::unique_ptr<DbQuery> query;
};

TEST_F(GridTest, ModelReadsTheQueryRowsAndFollowsItsChanges)
{
    DbTableModel model;
    model.setQuery(query.get());
    model.setColumns({{"ipaddress", "Address"}, {"DeviceName", {}}, {"LastPing", {}}});
    model.setFieldText("LASTPING", [](const QVariant& value) -> QString { return "at " + value.toString(); });
    EXPECT_EQ(model.rowCount(), 0);
    query->open();
    ASSERT_EQ(model.rowCount(), Rows);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Address");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "DeviceName");
    EXPECT_EQ(model.data(model.index(Rows - 1, 0)).toString(), Address(Rows));
    EXPECT_EQ(model.data(model.index(4999, 1)).toString(), "Device 5000");
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), "at 45306.5");
    EXPECT_EQ(model.data(model.index(0, 2), Qt::EditRole).toDouble(), 45306.5);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), QString::fromUtf8("\u25B6"));

    // A row written through the query shows at once: the model reads the query, it holds no copy.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    query->setRecNo(5000);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), QString());
    EXPECT_EQ(model.headerData(4999, Qt::Vertical).toString(), QString::fromUtf8("\u25B6"));
    query->edit();
    query->setValue("DeviceName", "renamed");
    EXPECT_EQ(model.data(model.index(4999, 1)).toString(), "renamed"); // the edit in progress
    query->post();
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(model.data(model.index(4999, 1)).toString(), "renamed");

    query->deleteRow();
    EXPECT_EQ(model.rowCount(), Rows - 1);
    EXPECT_EQ(model.data(model.index(4999, 1)).toString(), "Device 5001");
    query->close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.data(model.index(0, 0)), QVariant());
}

TEST_F(GridTest, OneWheelStepMovesOneRecord)
{
    TQorDbGrid grid;
    grid.resize(500, 300);
    grid.SetDataSet(query.get());
    query->open();
    grid.show();
    EXPECT_EQ(grid.currentIndex().row(), 0);

    Wheel(grid, -120);
    EXPECT_EQ(query->recNo(), 2);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    Wheel(grid, -360); // a fast turn: three requests
    EXPECT_EQ(query->recNo(), 5);
    Wheel(grid, 120);
    EXPECT_EQ(query->recNo(), 4);
    Wheel(grid, -60); // half a notch from a fine wheel: nothing yet
    EXPECT_EQ(query->recNo(), 4);
    Wheel(grid, -60);
    EXPECT_EQ(query->recNo(), 5);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0); // handled: the view itself did not scroll

    // At the last record the data set stays there.
    query->last();
    Wheel(grid, -120);
    EXPECT_EQ(query->recNo(), Rows);
    EXPECT_TRUE(query->eof());
    const QRect current = grid.visualRect(grid.currentIndex());
    EXPECT_TRUE(grid.viewport()->rect().contains(current)) << "the current row is scrolled into view";

    // A handler that leaves the request unhandled: the record still moves, and the view scrolls.
    query->first();
    grid.scrollToTop();
    QStringList calls;
    grid.OnMouseWheelDown = [&](TQorDbGrid* sender, Qt::KeyboardModifiers, const QPoint& pos, bool& handled) {
        EXPECT_EQ(sender, &grid);
        calls.append(QStringLiteral("down %1,%2").arg(pos.x()).arg(pos.y()));
        handled = false;
    };
    Wheel(grid, -120);
    EXPECT_EQ(calls, QStringList({"down 50,50"}));
    EXPECT_EQ(query->recNo(), 2);
    EXPECT_GT(grid.verticalScrollBar()->value(), 0);
}

TEST_F(GridTest, TheGridsRowMovesTheCursorAndWidthsSurviveARead)
{
    TQorDbGrid grid;
    grid.resize(500, 300);
    grid.SetColumns({{"IPAddress", {}, 120}, {"DeviceName", "Device", 150}, {"SiteName", {}, 0}});
    grid.SetDataSet(query.get());
    query->open();
    grid.show();
    EXPECT_EQ(grid.columnWidth(0), 120);
    EXPECT_EQ(grid.columnWidth(1), 150);

    grid.setCurrentIndex(grid.TableModel()->index(10, 1));
    EXPECT_EQ(query->recNo(), 11);
    EXPECT_EQ(query->asString("DeviceName"), "Device 11");

    grid.horizontalHeader()->resizeSection(1, 200); // the user drags the column
    query->open(); // the periodic re-read
    EXPECT_EQ(grid.columnWidth(0), 120);
    EXPECT_EQ(grid.columnWidth(1), 200);
    EXPECT_EQ(grid.TableModel()->headerData(1, Qt::Horizontal).toString(), "Device");

    // A query moved by the program takes the grid along, even far away.
    query->setRecNo(7777);
    EXPECT_EQ(grid.currentIndex().row(), 7776);
    EXPECT_TRUE(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex())));
}

TEST_F(GridTest, OnlyTheRowsOnScreenAreDrawnAndTheProgramDrawsThem)
{
    TQorDbGrid grid;
    grid.resize(500, 300);
    grid.SetDataSet(query.get());
    query->open();
    query->setRecNo(5000);
    grid.show();
    QSet<int> rows;
    int selectedCells = 0;
    grid.DefaultDrawing = false;
    grid.OnDrawColumnCell = [&](TQorDbGrid*, QPainter&, const QRect& rect, int, const QString& field,
                                TQorDbGrid::TGridDrawState state) {
        rows.insert(grid.rowAt(rect.center().y()));
        EXPECT_FALSE(field.isEmpty());
        selectedCells += state.selected ? 1 : 0;
    };
    QElapsedTimer clock;
    clock.start();
    grid.grab();
    std::cout << "[ figure ] one repaint of the grid at row 5000 of " << Rows << ": " << clock.elapsed()
              << " ms\n";
    EXPECT_GT(selectedCells, 0);
    const int first = grid.rowAt(0);
    const int last = grid.rowAt(grid.viewport()->height() - 1);
    EXPECT_LE(first, 4999);
    EXPECT_GE(last, 4999);
    ASSERT_FALSE(rows.isEmpty());
    for (int row : rows) {
        EXPECT_GE(row, first);
        EXPECT_LE(row, last);
    }
}

TEST_F(GridTest, MemoTextShowsItsLineBreaksOnlyWhenAskedTo)
{
    TQorDbGrid grid;
    grid.resize(500, 300);
    grid.SetColumns({{"SiteName", {}, 200}});
    grid.verticalHeader()->setDefaultSectionSize(40);
    grid.SetDataSet(query.get());
    query->open();
    grid.show();
    const QImage oneLine = grid.grab().toImage();
    grid.SetShowMemoText(true);
    const QImage twoLines = grid.grab().toImage();
    EXPECT_NE(oneLine, twoLines);
}

// Figures for a person to read: opening 10,000 rows, and wheel steps each with a repaint.
TEST_F(GridTest, LargeResultFigures)
{
    TQorDbGrid grid;
    grid.resize(800, 600);
    grid.SetDataSet(query.get());
    grid.show();
    QElapsedTimer clock;
    clock.start();
    query->open();
    grid.grab();
    const qint64 openMs = clock.elapsed();
    clock.restart();
    constexpr int Steps = 300;
    for (int i = 0; i < Steps; ++i) {
        Wheel(grid, -120);
        grid.viewport()->repaint();
    }
    const qint64 wheelMs = clock.elapsed();
    clock.restart();
    query->setRecNo(9000);
    grid.viewport()->repaint();
    const qint64 jumpMs = clock.elapsed();
    std::cout << "[ figure ] open and show " << Rows << " rows: " << openMs << " ms; " << Steps
              << " wheel steps with repaint: " << wheelMs << " ms (" << double(wheelMs) / Steps
              << " ms each); jump to row 9000: " << jumpMs << " ms\n";
    EXPECT_EQ(query->recNo(), 9000);
}

} // namespace
