#include "common/Inventory.h"

#include "common/DayCount.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbError.h"
#include "platform/db/DbQuery.h"
#include "tests/support/TempInventory.h"

#include <QDateTime>
#include <QSet>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace
{

// The pass time of the server cycle the due-device case asks for: 15.01.24 10:30:45.
double passTime()
{
    return ToDayCount(QDateTime(QDate(2024, 1, 15), QTime(10, 30, 45)));
}

double secondsAfterPass(int seconds)
{
    return (passTime() * 86400 + seconds) / 86400;
}

// Keys of the seeded rows, by device name and by note.
struct Seed {
    QHash<QString, int> device;
    QHash<QString, int> note;
};

struct Device {
    const char* name;
    const char* address;
    double ipValue;
    QVariant role;
    int pingInterval;
    QVariant pingedAt;
    QVariant lastPing;
    QVariant nextPing;
};

// Five devices that tell the list queries apart: answered, unanswered and due, never pinged,
// never tried and due, and one due exactly at the pass time (not due) with the top address.
QList<Device> devices()
{
    const QVariant none;
    return {
        {"alpha", "10.0.0.2", 167772162.0, QStringLiteral("Servers"), 60, passTime(), passTime(),
            secondsAfterPass(60)},
        {"bravo", "10.0.0.10", 167772170.0, none, 120, passTime(), passTime() - 1, secondsAfterPass(-1)},
        {"charlie", "printer1", 0.0, QStringLiteral("Printers"), 0, none, none, none},
        {"delta", "10.0.0.9", 167772169.0, QStringLiteral("Servers"), 30, none, none, none},
        {"echo", "255.255.255.255", 4294967295.0, QStringLiteral("O'Brien's"), 60, secondsAfterPass(-60),
            none, passTime()},
    };
}

Seed seed(DbConnection& connection)
{
    Seed seed;
    DbQuery query(&connection);
    query.setStatement(Inventory::selectNewDevice());
    query.open();
    for (const Device& d : devices()) {
        query.append();
        query.setValue(QStringLiteral("IPAddress"), QString::fromLatin1(d.address));
        query.setValue(QStringLiteral("IPValue"), d.ipValue);
        query.setValue(QStringLiteral("DeviceName"), QString::fromLatin1(d.name));
        query.setValue(QStringLiteral("Role"), d.role);
        query.setValue(QStringLiteral("CreatedDate"), passTime());
        query.setValue(QStringLiteral("CreatedBy"), QStringLiteral("admin"));
        query.setValue(QStringLiteral("ModifiedDate"), passTime());
        query.setValue(QStringLiteral("ModifiedBy"), QStringLiteral("admin"));
        query.setValue(QStringLiteral("PingInterval"), d.pingInterval);
        query.setValue(QStringLiteral("AcceptSlow"), 0);
        query.setValue(QStringLiteral("PingedAt"), d.pingedAt);
        query.setValue(QStringLiteral("LastPing"), d.lastPing);
        query.setValue(QStringLiteral("NextPing"), d.nextPing);
        query.post();
        seed.device.insert(QString::fromLatin1(d.name), query.asInteger(QStringLiteral("AutoInc")));
    }
    const struct {
        const char* device;
        const char* name;
        const char* key;
    } notes[] = {{"alpha", "Phone", "alpha-phone"}, {"alpha", "Contact", "alpha-contact"},
        {"bravo", "Phone", "bravo-phone"}, {"echo", "Vendor's line", "echo-vendor"}};
    for (const auto& n : notes) {
        const SqlStatement insert = Inventory::insertNote(
            seed.device.value(QString::fromLatin1(n.device)), QString::fromLatin1(n.name));
        connection.execute(insert.text, insert.values);
        QSqlQuery newest = connection.run(QStringLiteral("select max(AutoInc) from AddInfo"));
        newest.next();
        seed.note.insert(QString::fromLatin1(n.key), newest.value(0).toInt());
    }
    return seed;
}

// One statement, run against the seeded inventory. A query is read directly; a command is run
// and then `check` is read. `field` of the rows read must give `expected` (in order when asked).
struct StatementCase {
    const char* name;
    std::function<SqlStatement(const Seed&)> statement;
    const char* field;
    QStringList expected;
    bool ordered = false;
    std::function<SqlStatement(const Seed&)> check = nullptr;
};

const QList<StatementCase>& statementCases()
{
    using I = const Seed&;
    static const QList<StatementCase> cases {
        {"NewDeviceHasNoRows", [](I) { return Inventory::selectNewDevice(); }, "DeviceName", {}},
        {"OneDevice", [](I s) { return Inventory::selectDevice(s.device["delta"]); }, "IpAddress",
            {"10.0.0.9"}},
        {"DistinctRoles", [](I) { return Inventory::selectRoles(); }, "role",
            {"Servers", "", "Printers", "O'Brien's"}},
        // unanswered (bravo) and never answered (delta, echo); not the answered one, not the unpinged
        {"AlertListByAddress", [](I) { return Inventory::selectAlertList(QStringLiteral("IPValue")); },
            "DeviceName", {"delta", "bravo", "echo"}, true},
        {"FirstRoleTabAddsDevicesWithoutRole",
            [](I) {
                return Inventory::selectRoleList(QStringLiteral("Servers"), true, QStringLiteral("IPValue"));
            },
            "DeviceName", {"alpha", "delta", "bravo"}, true},
        {"LaterRoleTab",
            [](I) {
                return Inventory::selectRoleList(QStringLiteral("Servers"), false, QStringLiteral("IPValue"));
            },
            "DeviceName", {"alpha", "delta"}, true},
        {"RoleWithAQuote",
            [](I) {
                return Inventory::selectRoleList(
                    QStringLiteral("O'Brien's"), false, QStringLiteral("IPValue"));
            },
            "IPValue", {"4294967295"}},
        // NextPing before the pass or NULL; equal to the pass time is not due
        {"DueDevices", [](I) { return Inventory::selectDueDevices(passTime()); }, "IPAddress",
            {"10.0.0.10", "10.0.0.9"}},
        {"NotesOfADevice", [](I s) { return Inventory::selectNotes(s.device["alpha"]); }, "Name",
            {"Phone", "Contact"}},
        {"NoteNames", [](I) { return Inventory::selectNoteNames(); }, "name",
            {"Phone", "Contact", "Vendor's line"}},
        {"ReportNames", [](I) { return Inventory::selectReportNames(); }, "Name",
            {"Phone", "Contact", "Vendor's line"}},
        {"Report", [](I) { return Inventory::selectReport(QStringLiteral("Phone")); }, "DeviceName",
            {"alpha", "bravo"}},
        {"ReportOfATypeWithAQuote",
            [](I) { return Inventory::selectReport(QStringLiteral("Vendor's line")); }, "IPAddress",
            {"255.255.255.255"}},
        {"InsertNote",
            [](I s) {
                return Inventory::insertNote(s.device["charlie"], QStringLiteral("Tech's \"notes\""));
            },
            "Name", {"Tech's \"notes\""}, false,
            [](I s) { return Inventory::selectNotes(s.device["charlie"]); }},
        {"DeleteNote", [](I s) { return Inventory::deleteNote(s.note["alpha-contact"]); }, "Name", {"Phone"},
            false, [](I s) { return Inventory::selectNotes(s.device["alpha"]); }},
        {"DeleteNotesOfDevice", [](I s) { return Inventory::deleteNotesOfDevice(s.device["alpha"]); }, "Name",
            {"Phone", "Vendor's line"}, false, [](I) { return Inventory::selectNoteNames(); }},
    };
    return cases;
}

class InventoryStatement : public testing::TestWithParam<std::tuple<DbEngine, int>>
{
};

TEST_P(InventoryStatement, GivesTheExpectedRows)
{
    const DbEngine engine = std::get<0>(GetParam());
    const StatementCase& c = statementCases().at(std::get<1>(GetParam()));
    SKIP_UNLESS_ENGINE_AVAILABLE(engine);
    TempInventory inventory(engine);
    DbConnection& connection = inventory.connection();
    const Seed s = seed(connection);

    DbQuery query(&connection);
    const SqlStatement statement = c.statement(s);
    SCOPED_TRACE(statement.text.toStdString());
    if (c.check) {
        query.setStatement(statement);
        EXPECT_GE(query.execSql(), 1);
        query.setStatement(c.check(s));
    } else {
        query.setStatement(statement);
    }
    query.open();
    QStringList values;
    for (query.first(); !query.eof(); query.next())
        values.append(query.asString(QString::fromLatin1(c.field)));
    if (c.ordered) {
        EXPECT_EQ(values, c.expected);
    } else {
        EXPECT_EQ(
            QSet<QString>(values.begin(), values.end()), QSet<QString>(c.expected.begin(), c.expected.end()));
        EXPECT_EQ(values.size(), c.expected.size()) << values.join(QLatin1Char('|')).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Statements, InventoryStatement,
    testing::Combine(
        testing::ValuesIn(TempInventory::engines()), testing::Range(0, int(statementCases().size()))),
    [](const testing::TestParamInfo<std::tuple<DbEngine, int>>& info) {
        return DbEngineName(std::get<0>(info.param)).toStdString() + "_"
            + statementCases().at(std::get<1>(info.param)).name;
    });

TEST(InventoryStatementText, DueDevicesCarryThePassTimeAsALiteral)
{
    EXPECT_EQ(Inventory::selectDueDevices(passTime()).text,
        QStringLiteral(
            "select AutoInc, IPAddress, AcceptSlow, PingedAt, LastPing, NextPing, PingInterval from "
            "AssetList where PingInterval > 0 and (NextPing < 45306.4380208333 or NextPing is null)"));
    EXPECT_TRUE(Inventory::selectDueDevices(passTime()).values.isEmpty());
}

class InventorySchema : public testing::TestWithParam<DbEngine>
{
protected:
    void SetUp() override { SKIP_UNLESS_ENGINE_AVAILABLE(GetParam()); }
};

TEST_P(InventorySchema, CreateMakesBothTablesOnceAndNeverTouchesThemAgain)
{
    TempInventory inventory(GetParam(), TempInventory::Contents::Empty);
    DbConnection connection;
    connection.setConnectionString(inventory.connectionString());
    connection.openForCreate();
    EXPECT_FALSE(Inventory::exists(connection));

    EXPECT_TRUE(Inventory::create(connection));
    EXPECT_TRUE(Inventory::exists(connection));
    const Seed s = seed(connection);

    EXPECT_FALSE(Inventory::create(connection));
    DbQuery query(&connection);
    query.setSql(QStringLiteral("select * from AssetList"));
    query.open();
    EXPECT_EQ(query.recordCount(), devices().size());
    EXPECT_TRUE(query.locate(QStringLiteral("AutoInc"), s.device["echo"]));
}

TEST_P(InventorySchema, CreateRefusesAPartialInventory)
{
    TempInventory inventory(GetParam(), TempInventory::Contents::Empty);
    DbConnection connection;
    connection.setConnectionString(inventory.connectionString());
    connection.openForCreate();
    connection.execute(
        QStringLiteral("create table AddInfo (AutoInc integer, MainID integer, Name varchar(10))"));

    EXPECT_THROW(Inventory::create(connection), DbError);
    EXPECT_THROW(connection.execute(QStringLiteral("select * from AssetList")), DbError);
}

TEST_P(InventorySchema, ValuesKeepTheirFullRangeAndPrecision)
{
    TempInventory inventory(GetParam());
    DbConnection& connection = inventory.connection();
    const double stamp = ToDayCount(QDateTime(QDate(2031, 7, 9), QTime(23, 59, 59)));
    const QString content(200, QLatin1Char('x'));

    DbQuery query(&connection);
    query.setStatement(Inventory::selectNewDevice());
    query.open();
    query.append();
    query.setValue(QStringLiteral("IPAddress"), QStringLiteral("255.255.255.255"));
    query.setValue(QStringLiteral("IPValue"), 4294967295.0);
    query.setValue(QStringLiteral("DeviceName"), QStringLiteral("top"));
    query.setValue(QStringLiteral("CreatedDate"), stamp);
    query.setValue(QStringLiteral("CreatedBy"), QStringLiteral("a"));
    query.setValue(QStringLiteral("ModifiedDate"), stamp);
    query.setValue(QStringLiteral("ModifiedBy"), QStringLiteral("a"));
    query.setValue(QStringLiteral("LastPing"), stamp);
    query.post();
    const int key = query.asInteger(QStringLiteral("AutoInc"));
    const SqlStatement note = Inventory::insertNote(key, QStringLiteral("Long"));
    connection.execute(note.text, note.values);
    query.setStatement(Inventory::selectNotes(key));
    query.open();
    query.edit();
    query.setValue(QStringLiteral("Content"), content);
    query.post();

    query.setStatement(Inventory::selectDevice(key));
    query.open();
    EXPECT_EQ(query.asFloat(QStringLiteral("IPValue")), 4294967295.0);
    EXPECT_EQ(query.asFloat(QStringLiteral("LastPing")), stamp);
    EXPECT_EQ(query.asFloat(QStringLiteral("CreatedDate")), stamp);
    query.setStatement(Inventory::selectNotes(key));
    query.open();
    EXPECT_EQ(query.asString(QStringLiteral("Content")), content);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, InventorySchema, testing::ValuesIn(TempInventory::engines()), TempInventory::engineName);

} // namespace
