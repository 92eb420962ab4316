#include "platform/db/DbQuery.h"

#include "common/Inventory.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbError.h"
#include "tests/support/TempInventory.h"

#include <QSignalSpy>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

namespace
{

// Row operations and navigation on both engines, against the inventory tables.
class DbQueryTest : public testing::TestWithParam<DbEngine>
{
protected:
    void SetUp() override
    {
        SKIP_UNLESS_ENGINE_AVAILABLE(GetParam());
        inventory = std::make_unique<TempInventory>(GetParam());
    }

    DbConnection& connection() { return inventory->connection(); }

    // Appends a device through a result set, as the edit dialog does; answers its key.
    int appendDevice(const QString& name, const QVariant& role = QVariant())
    {
        DbQuery query(&connection());
        query.setStatement(Inventory::selectNewDevice());
        query.open();
        query.append();
        query.setValue(QStringLiteral("IPAddress"), QStringLiteral("10.0.0.1"));
        query.setValue(QStringLiteral("IPValue"), 167772161.0);
        query.setValue(QStringLiteral("DeviceName"), name);
        query.setValue(QStringLiteral("Role"), role);
        query.setValue(QStringLiteral("CreatedDate"), 45306.5);
        query.setValue(QStringLiteral("CreatedBy"), QStringLiteral("tester"));
        query.setValue(QStringLiteral("ModifiedDate"), 45306.5);
        query.setValue(QStringLiteral("ModifiedBy"), QStringLiteral("tester"));
        query.setValue(QStringLiteral("PingInterval"), 120);
        query.post();
        return query.asInteger(QStringLiteral("AutoInc"));
    }

    // One column of a table read afresh, ordered by key.
    QStringList column(const QString& field, const QString& table = QStringLiteral("AssetList"))
    {
        QSqlQuery read
            = connection().run(QStringLiteral("select %1 from %2 order by AutoInc").arg(field, table));
        QStringList values;
        while (read.next())
            values.append(read.isNull(0) ? QStringLiteral("<null>") : read.value(0).toString());
        return values;
    }

    void addNotes(int count)
    {
        for (int i = 1; i <= count; ++i) {
            const SqlStatement insert = Inventory::insertNote(i, QStringLiteral("note%1").arg(i));
            connection().execute(insert.text, insert.values);
        }
    }

    std::unique_ptr<TempInventory> inventory;
};

TEST_P(DbQueryTest, NavigatesTheRowsItRead)
{
    addNotes(3);
    DbQuery query(&connection());
    query.setSql(QStringLiteral("select * from AddInfo order by AutoInc"));
    query.open();
    ASSERT_EQ(query.recordCount(), 3);
    EXPECT_TRUE(query.bof());
    EXPECT_FALSE(query.eof());
    EXPECT_EQ(query.recNo(), 1);

    query.next();
    query.next();
    EXPECT_EQ(query.recNo(), 3);
    EXPECT_FALSE(query.eof());
    query.next();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.asString(QStringLiteral("Name")), QStringLiteral("note3"));

    query.prior();
    EXPECT_EQ(query.recNo(), 2);
    EXPECT_FALSE(query.bof());
    query.first();
    EXPECT_TRUE(query.bof());
    query.prior();
    EXPECT_TRUE(query.bof());
    EXPECT_EQ(query.recNo(), 1);
    query.last();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.recNo(), 3);

    query.setRecNo(2);
    EXPECT_EQ(query.asString(QStringLiteral("name")), QStringLiteral("note2"));
    query.setRecNo(9);
    EXPECT_EQ(query.recNo(), 2);

    // Locate matches numbers by value whatever their width; a miss leaves the cursor.
    EXPECT_TRUE(query.locate(QStringLiteral("MAINID"), qint64(3)));
    EXPECT_EQ(query.recNo(), 3);
    EXPECT_FALSE(query.locate(QStringLiteral("MainID"), 99));
    EXPECT_EQ(query.recNo(), 3);
    EXPECT_TRUE(query.locate(QStringLiteral("Name"), QStringLiteral("note1")));
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_TRUE(query.locate(QStringLiteral("Content"), QVariant()));
}

TEST_P(DbQueryTest, EmptyResultStandsAtBothEnds)
{
    DbQuery query(&connection());
    query.setStatement(Inventory::selectNewDevice());
    query.open();
    EXPECT_EQ(query.recordCount(), 0);
    EXPECT_TRUE(query.bof());
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.recNo(), 0);
    query.next();
    EXPECT_TRUE(query.eof());
    EXPECT_TRUE(query.isNull(QStringLiteral("DeviceName")));
    EXPECT_EQ(query.fieldCount(), 17);
    EXPECT_THROW(query.edit(), DbError);
}

TEST_P(DbQueryTest, FieldsByNameWithoutRegardToCase)
{
    const int key = appendDevice(QStringLiteral("alpha"));
    DbQuery query(&connection());
    query.setStatement(Inventory::selectDevice(key));
    query.open();
    ASSERT_EQ(query.recordCount(), 1);

    EXPECT_EQ(query.fieldName(0).toLower(), QStringLiteral("autoinc"));
    EXPECT_EQ(query.asString(QStringLiteral("ipaddress")), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(query.asString(QStringLiteral("IpAddress")), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(query.asInteger(QStringLiteral("AUTOINC")), key);
    EXPECT_EQ(query.asInteger(QStringLiteral("pinginterval")), 120);
    EXPECT_DOUBLE_EQ(query.asFloat(QStringLiteral("IPValue")), 167772161.0);
    EXPECT_EQ(query.asString(QStringLiteral("IPValue")), QStringLiteral("167772161"));

    // NULL reads as empty text and 0.
    EXPECT_TRUE(query.isNull(QStringLiteral("lastping")));
    EXPECT_EQ(query.asString(QStringLiteral("LastPing")), QString());
    EXPECT_EQ(query.asInteger(QStringLiteral("SiteName")), 0);
    EXPECT_EQ(query.asFloat(QStringLiteral("NextPing")), 0.0);

    // The client finds date-time columns by their floating-point type.
    for (const char* name : {"IPValue", "CreatedDate", "ModifiedDate", "NextPing", "PingedAt", "LastPing"})
        EXPECT_EQ(query.fieldType(QString::fromLatin1(name)), QMetaType::Double) << name;
    EXPECT_EQ(query.fieldType(QStringLiteral("PingInterval")), QMetaType::Int);
    EXPECT_EQ(query.fieldType(QStringLiteral("DeviceName")), QMetaType::QString);

    EXPECT_THROW(query.value(QStringLiteral("NoSuchField")), DbError);
}

TEST_P(DbQueryTest, AppendInsertsTheRowAndReadsBackItsKey)
{
    DbQuery query(&connection());
    QSignalSpy changed(&query, &DbQuery::dataChanged);
    query.setStatement(Inventory::selectNewDevice());
    query.open();
    query.append();
    query.setValue(QStringLiteral("IPAddress"), QStringLiteral("printer1"));
    query.setValue(QStringLiteral("DeviceName"), QStringLiteral("Printer"));
    query.setValue(QStringLiteral("CreatedDate"), 45306.4380208333);
    query.setValue(QStringLiteral("CreatedBy"), QStringLiteral("me"));
    query.setValue(QStringLiteral("ModifiedDate"), 45306.4380208333);
    query.setValue(QStringLiteral("ModifiedBy"), QStringLiteral("me"));
    changed.clear();
    query.post();

    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(query.state(), DbQuery::State::Browse);
    ASSERT_EQ(query.recordCount(), 1);
    const int key = query.asInteger(QStringLiteral("AutoInc"));
    EXPECT_GT(key, 0);
    // Columns left out take the table's defaults and come back with the row.
    EXPECT_EQ(query.asInteger(QStringLiteral("AcceptSlow")), 0);
    EXPECT_FALSE(query.isNull(QStringLiteral("IPValue")));
    EXPECT_TRUE(query.isNull(QStringLiteral("NextPing")));

    EXPECT_EQ(column(QStringLiteral("AutoInc")), QStringList {QString::number(key)});
    EXPECT_EQ(column(QStringLiteral("DeviceName")), QStringList {QStringLiteral("Printer")});
    EXPECT_EQ(column(QStringLiteral("PingedAt")), QStringList {QStringLiteral("<null>")});

    const int second = appendDevice(QStringLiteral("second"));
    EXPECT_NE(second, key);
    EXPECT_EQ(
        column(QStringLiteral("AutoInc")), (QStringList {QString::number(key), QString::number(second)}));
}

TEST_P(DbQueryTest, PostOfAnEditWritesOnlyTheAssignedColumns)
{
    const int key = appendDevice(QStringLiteral("alpha"));
    DbQuery query(&connection());
    query.setStatement(Inventory::selectDevice(key));
    query.open();

    // Another program writes its own column between the read and the post.
    connection().execute(
        QStringLiteral("update AssetList set PingedAt = 45000.25 where AutoInc = ") + QString::number(key));

    query.edit();
    query.setValue(QStringLiteral("devicename"), QStringLiteral("renamed"));
    query.setValue(QStringLiteral("SiteName"), QVariant());
    EXPECT_EQ(query.asString(QStringLiteral("DeviceName")), QStringLiteral("renamed"));
    query.post();

    EXPECT_EQ(column(QStringLiteral("DeviceName")), QStringList {QStringLiteral("renamed")});
    EXPECT_EQ(column(QStringLiteral("PingedAt")), QStringList {QStringLiteral("45000.25")});
    EXPECT_EQ(query.asString(QStringLiteral("DeviceName")), QStringLiteral("renamed"));
    EXPECT_DOUBLE_EQ(query.asFloat(QStringLiteral("PingedAt")), 45000.25);
}

TEST_P(DbQueryTest, PostOfAVanishedRowFailsAndKeepsTheEdit)
{
    const int key = appendDevice(QStringLiteral("alpha"));
    DbQuery query(&connection());
    query.setStatement(Inventory::selectDevice(key));
    query.open();
    query.edit();
    query.setValue(QStringLiteral("DeviceName"), QStringLiteral("renamed"));
    connection().execute(QStringLiteral("delete from AssetList"));

    EXPECT_THROW(query.post(), DbError);
    EXPECT_EQ(query.state(), DbQuery::State::Edit);
    EXPECT_TRUE(column(QStringLiteral("AutoInc")).isEmpty());
}

TEST_P(DbQueryTest, DeleteRowRemovesTheRowAndMovesToItsNeighbour)
{
    const int a = appendDevice(QStringLiteral("a"));
    const int b = appendDevice(QStringLiteral("b"));
    const int c = appendDevice(QStringLiteral("c"));
    DbQuery query(&connection());
    query.setStatement(Inventory::selectAlertList(QStringLiteral("AutoInc")));
    query.open();
    ASSERT_EQ(query.recordCount(), 3);

    query.setRecNo(2);
    query.deleteRow();
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.asInteger(QStringLiteral("AutoInc")), c);
    query.deleteRow();
    EXPECT_EQ(query.asInteger(QStringLiteral("AutoInc")), a);
    EXPECT_EQ(column(QStringLiteral("AutoInc")), QStringList {QString::number(a)});
    query.deleteRow();
    EXPECT_EQ(query.recordCount(), 0);
    EXPECT_TRUE(query.eof());
    EXPECT_THROW(query.deleteRow(), DbError);
    Q_UNUSED(b);
}

TEST_P(DbQueryTest, CancelDropsTheAppendedRow)
{
    const int key = appendDevice(QStringLiteral("alpha"));
    DbQuery query(&connection());
    query.setStatement(Inventory::selectDevice(key));
    query.open();
    query.append();
    query.setValue(QStringLiteral("DeviceName"), QStringLiteral("never"));
    EXPECT_EQ(query.recNo(), 0);
    query.cancel();
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_EQ(query.asString(QStringLiteral("DeviceName")), QStringLiteral("alpha"));
    EXPECT_EQ(column(QStringLiteral("DeviceName")), QStringList {QStringLiteral("alpha")});
}

TEST_P(DbQueryTest, OnlyResultsOfOneTableWithAKeyAreWritable)
{
    const int key = appendDevice(QStringLiteral("alpha"));
    addNotes(1);
    DbQuery query(&connection());

    query.setStatement(Inventory::selectReport(QStringLiteral("note1")));
    query.open();
    EXPECT_THROW(query.append(), DbError);

    query.setStatement(Inventory::selectRoles());
    query.open();
    EXPECT_THROW(query.edit(), DbError);

    query.setStatement(Inventory::selectDevice(key));
    query.open();
    EXPECT_THROW(query.setValue(QStringLiteral("DeviceName"), QStringLiteral("x")), DbError);
    query.edit();
    EXPECT_THROW(query.setValue(QStringLiteral("AutoInc"), 5), DbError);
}

TEST_P(DbQueryTest, DisabledControlsHearOfChangesOnceWhenEnabled)
{
    addNotes(3);
    DbQuery query(&connection());
    query.setSql(QStringLiteral("select * from AddInfo order by AutoInc"));
    query.open();
    QSignalSpy data(&query, &DbQuery::dataChanged);
    QSignalSpy current(&query, &DbQuery::currentChanged);

    query.disableControls();
    query.disableControls();
    query.next();
    query.edit();
    query.setValue(QStringLiteral("Content"), QStringLiteral("text"));
    query.post();
    query.last();
    query.enableControls();
    EXPECT_TRUE(query.controlsDisabled());
    EXPECT_EQ(data.count() + current.count(), 0);
    query.enableControls();
    EXPECT_FALSE(query.controlsDisabled());
    EXPECT_EQ(data.count(), 1);
    EXPECT_EQ(current.count(), 1);

    query.first();
    EXPECT_EQ(current.count(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, DbQueryTest, testing::ValuesIn(TempInventory::engines()), TempInventory::engineName);

} // namespace
