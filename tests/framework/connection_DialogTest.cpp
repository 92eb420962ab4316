#include "framework/TConnectionDialog.h"

#include "common/Inventory.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DbConnection.h"
#include "tests/framework/QtPrinters.h"
#include "tests/framework/db_TestSupport.h"
#include "tests/support/TempInventory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

QString Raw(QWidget* dialog)
{
    return Child<QLineEdit>(dialog, "ConnectionStringEdit")->text();
}

struct FieldCase {
    const char* name;
    int provider; // index of the provider choice: SQLite, PostgreSQL, ODBC
    std::vector<std::pair<const char*, QString>> typed;
    bool savePassword;
    QString expected;
};

void PrintTo(const FieldCase& c, std::ostream* out)
{
    *out << c.name;
}

class ConnectionDialogFields : public ::testing::TestWithParam<FieldCase>
{
};

TEST_P(ConnectionDialogFields, BuildTheStringAndReadItBack)
{
    const FieldCase& c = GetParam();
    TConnectionDialog dialog;
    Child<QComboBox>(&dialog, "ProviderCombo")->setCurrentIndex(c.provider);
    for (const auto& [field, text] : c.typed)
        Type(&dialog, field, text);
    Child<QCheckBox>(&dialog, "SavePasswordCheck")->setChecked(c.savePassword);
    EXPECT_EQ(Raw(&dialog), c.expected);

    // The same string given to a fresh dialog fills the same fields.
    TConnectionDialog again;
    again.SetConnectionString(c.expected);
    EXPECT_EQ(Child<QComboBox>(&again, "ProviderCombo")->currentIndex(), c.provider);
    for (const auto& [field, text] : c.typed) {
        if (QByteArray(field) == "PasswordEdit" && !c.savePassword)
            EXPECT_EQ(Child<QLineEdit>(&again, field)->text(), QString()) << field;
        else
            EXPECT_EQ(Child<QLineEdit>(&again, field)->text(), text) << field;
    }
    EXPECT_EQ(again.ConnectionString(), c.expected);
    EXPECT_EQ(again.StatusText(), QString());
}

INSTANTIATE_TEST_SUITE_P(Providers, ConnectionDialogFields,
    ::testing::Values(FieldCase {"SQLite", 0, {{"FileEdit", "inventory.db"}}, false,
                          "Provider=SQLite;Data Source=inventory.db"},
        FieldCase {"PostgreSQL", 1,
            {{"HostEdit", "db.example.org"}, {"PortEdit", "5433"}, {"DatabaseEdit", "inventory"},
                {"UserEdit", "monitor"}, {"PasswordEdit", "not kept"}},
            false, "Provider=PostgreSQL;Server=db.example.org;Port=5433;Database=inventory;User ID=monitor"},
        FieldCase {"PostgreSQLSavedPassword", 1,
            {{"HostEdit", "127.0.0.1"}, {"DatabaseEdit", "inv"}, {"UserEdit", "monitor"},
                {"PasswordEdit", "pa;ss"}},
            true, "Provider=PostgreSQL;Server=127.0.0.1;Database=inv;User ID=monitor;Password=\"pa;ss\""},
        FieldCase {"SQLitePathWithBlanks", 0, {{"FileEdit", "/srv/my inventory.db"}}, false,
            "Provider=SQLite;Data Source=/srv/my inventory.db"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionDialog, OdbcPartGoesThroughAsTyped)
{
    TConnectionDialog dialog;
    auto* provider = Child<QComboBox>(&dialog, "ProviderCombo");
    provider->setCurrentIndex(2);
    auto* odbc = Child<QComboBox>(&dialog, "OdbcCombo");
    odbc->setFocus();
    QTest::keyClicks(odbc, "Driver={SQLite3};Database=/srv/v.db");
    EXPECT_EQ(Raw(&dialog), "Provider=ODBC;Driver={SQLite3};Database=/srv/v.db");

    dialog.SetConnectionString("Provider=MSDASQL.1;DSN=inventory;User ID=monitor");
    EXPECT_EQ(odbc->currentText(), "DSN=inventory");
    EXPECT_EQ(Child<QLineEdit>(&dialog, "UserEdit")->text(), "monitor");
    // The provider's own spelling survives an edit of the fields.
    Type(&dialog, "UserEdit", "admin");
    EXPECT_EQ(Raw(&dialog), "Provider=MSDASQL.1;DSN=inventory;User ID=admin");
}

TEST(ConnectionDialog, FieldEditKeepsSpellingAndKeysWithoutField)
{
    TConnectionDialog dialog;
    dialog.SetConnectionString("Provider=PostgreSQL;Data Source=h1;Port=5433;Initial Catalog=inv;User "
                               "ID=bob;Password=pw;connect_timeout=3");
    EXPECT_EQ(Child<QLineEdit>(&dialog, "HostEdit")->text(), "h1");
    EXPECT_EQ(Child<QLineEdit>(&dialog, "DatabaseEdit")->text(), "inv");
    EXPECT_TRUE(Child<QCheckBox>(&dialog, "SavePasswordCheck")->isChecked());
    Type(&dialog, "HostEdit", "h2");
    EXPECT_EQ(Raw(&dialog),
        "Provider=PostgreSQL;Data Source=h2;Port=5433;Initial Catalog=inv;connect_timeout=3;"
        "User ID=bob;Password=pw");

    // Another provider starts afresh; the user name stays, the PostgreSQL fields wait for a way back.
    Child<QComboBox>(&dialog, "ProviderCombo")->setCurrentIndex(0);
    Type(&dialog, "FileEdit", "x.db");
    EXPECT_EQ(Raw(&dialog), "Provider=SQLite;Data Source=x.db;User ID=bob;Password=pw");
    Child<QCheckBox>(&dialog, "SavePasswordCheck")->setChecked(false);
    EXPECT_EQ(Raw(&dialog), "Provider=SQLite;Data Source=x.db;User ID=bob");
    Child<QComboBox>(&dialog, "ProviderCombo")->setCurrentIndex(1);
    EXPECT_EQ(Raw(&dialog), "Provider=PostgreSQL;Data Source=h2;Port=5433;Initial Catalog=inv;User ID=bob");
}

TEST(ConnectionDialog, RawStringIsTheResultEvenWithAnUnknownProvider)
{
    TConnectionDialog dialog;
    dialog.SetConnectionString("Provider=SQLite;Data Source=a.db");
    auto* raw = Child<QLineEdit>(&dialog, "ConnectionStringEdit");
    raw->setFocus();
    raw->selectAll();
    QTest::keyClicks(raw, "Provider=Oracle;Data Source=orcl");
    EXPECT_EQ(dialog.ConnectionString(), "Provider=Oracle;Data Source=orcl");
    EXPECT_TRUE(dialog.StatusText().contains("Oracle")) << dialog.StatusText().toStdString();
    EXPECT_TRUE(dialog.StatusText().contains("PostgreSQL")) << dialog.StatusText().toStdString();
    // The SQLite field keeps what it had: the provider it belongs to is not named any more.
    EXPECT_EQ(Child<QLineEdit>(&dialog, "FileEdit")->text(), "a.db");
}

TEST(ConnectionDialog, EnterAcceptsEscapeCancelsAndCancelChangesNothing)
{
    const QString original = "Provider=SQLite;Data Source=a.db";
    ModalDriver driver;
    driver.Expect("ConnectionDialog", [](QWidget* dialog) {
        Type(dialog, "FileEdit", "b.db");
        QTest::keyClick(Child<QLineEdit>(dialog, "FileEdit"), Qt::Key_Escape);
    });
    driver.Expect("ConnectionDialog", [](QWidget* dialog) {
        Type(dialog, "FileEdit", "c.db");
        QTest::keyClick(Child<QLineEdit>(dialog, "FileEdit"), Qt::Key_Return);
    });
    driver.Expect("ConnectionDialog", [](QWidget* dialog) {
        Type(dialog, "FileEdit", "d.db");
        Child<QPushButton>(dialog, "CancelButton")->click();
    });
    EXPECT_EQ(TConnectionDialog::Edit(nullptr, original, QString(), QString(), QString()), original);
    EXPECT_EQ(TConnectionDialog::Edit(nullptr, original, QString(), QString(), QString()),
        "Provider=SQLite;Data Source=c.db");
    EXPECT_EQ(TConnectionDialog::Edit(nullptr, original, QString(), QString(), QString()), original);
    EXPECT_TRUE(driver.Done()) << driver.Failure().toStdString();
}

TEST(ConnectionDialog, TabOrderFollowsTheVisibleFields)
{
    TConnectionDialog dialog;
    dialog.SetConnectionString("Provider=PostgreSQL;Server=h");
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    Child<QComboBox>(&dialog, "ProviderCombo")->setFocus();
    QStringList order;
    for (int i = 0; i < 11; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(order,
        QStringList({"HostEdit", "PortEdit", "DatabaseEdit", "UserEdit", "PasswordEdit", "SavePasswordCheck",
            "ConnectionStringEdit", "TestButton", "OKButton", "CancelButton", "ProviderCombo"}));
    SaveDbScreenshot(&dialog, "connection-dialog-postgresql.png");
    dialog.SetConnectionString("Provider=SQLite;Data Source=inventory.db");
    dialog.TestConnection();
    SaveDbScreenshot(&dialog, "connection-dialog-sqlite.png");
}

class ConnectionDialogTest : public ::testing::TestWithParam<DbEngine>
{
};

TEST_P(ConnectionDialogTest, TestOpensWithTheCredentialsEntered)
{
    SKIP_UNLESS_ENGINE_AVAILABLE(GetParam());
    TempInventory inventory(GetParam());
    ConnectionString cs(inventory.connectionString());
    const QString user = cs.value("User ID");
    const QString password = cs.value("Password");
    cs.remove("User ID");
    cs.remove("Password");

    TConnectionDialog dialog;
    dialog.SetConnectionString(cs.toString());
    if (GetParam() == DbEngine::PostgreSQL) {
        Type(&dialog, "UserEdit", user);
        Type(&dialog, "PasswordEdit", "wrong-password");
        EXPECT_FALSE(dialog.TestConnection());
        EXPECT_TRUE(dialog.StatusText().contains("failed")) << dialog.StatusText().toStdString();
        EXPECT_TRUE(dialog.StatusText().contains(user)) << dialog.StatusText().toStdString();
        EXPECT_FALSE(dialog.StatusText().contains("wrong-password")) << dialog.StatusText().toStdString();
        // Empty fields fall back to the logon's credentials.
        Type(&dialog, "UserEdit", QString());
        Type(&dialog, "PasswordEdit", QString());
        dialog.SetLogon(user, password);
    }
    EXPECT_TRUE(dialog.TestConnection()) << dialog.StatusText().toStdString();
    EXPECT_TRUE(dialog.StatusText().contains("works")) << dialog.StatusText().toStdString();
    EXPECT_FALSE(dialog.StatusText().contains("no inventory")) << dialog.StatusText().toStdString();
    // Testing changes nothing in the string.
    EXPECT_EQ(dialog.ConnectionString(), cs.toString());
}

INSTANTIATE_TEST_SUITE_P(
    Engines, ConnectionDialogTest, ::testing::ValuesIn(TempInventory::engines()), TempInventory::engineName);

TEST(ConnectionDialog, TestReportsAMissingSQLiteFileAndADatabaseWithoutInventory)
{
    QTemporaryDir dir;
    TConnectionDialog dialog;
    dialog.SetBaseFolder(dir.path());
    dialog.SetConnectionString("Provider=SQLite;Data Source=missing.db");
    EXPECT_FALSE(dialog.TestConnection());
    EXPECT_TRUE(dialog.StatusText().contains(dir.filePath("missing.db")))
        << dialog.StatusText().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.db")));

    {
        DbConnection empty;
        empty.setConnectionString("Provider=SQLite;Data Source=" + dir.filePath("empty.db"));
        empty.openForCreate();
    }
    dialog.SetConnectionString("Provider=SQLite;Data Source=empty.db");
    EXPECT_TRUE(dialog.TestConnection());
    EXPECT_TRUE(dialog.StatusText().contains("no inventory tables")) << dialog.StatusText().toStdString();
}

TEST(ConnectionDialog, CreatesANewInventoryButNeverOverAnExistingFile)
{
    QTemporaryDir dir;
    TConnectionDialog dialog;
    dialog.SetBaseFolder(dir.path());
    Type(&dialog, "FileEdit", "new inventory.db");
    ASSERT_TRUE(dialog.CreateInventory()) << dialog.StatusText().toStdString();
    EXPECT_EQ(dialog.ConnectionString(), "Provider=SQLite;Data Source=new inventory.db");
    {
        DbConnection check;
        check.setBaseFolder(dir.path());
        check.setConnectionString(dialog.ConnectionString());
        check.open();
        EXPECT_TRUE(Inventory::exists(check));
        check.execute("insert into AddInfo (MainID, Name) values (1, 'kept')");
    }
    EXPECT_TRUE(dialog.TestConnection()) << dialog.StatusText().toStdString();

    // A second create on the same name refuses and leaves the file as it is.
    EXPECT_FALSE(dialog.CreateInventory());
    EXPECT_TRUE(dialog.StatusText().contains("exists already")) << dialog.StatusText().toStdString();
    DbConnection check;
    check.setConnectionString("Provider=SQLite;Data Source=" + dir.filePath("new inventory.db"));
    check.open();
    QSqlQuery count = check.run("select count(*) from AddInfo");
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.value(0).toInt(), 1);

    // A folder that cannot hold the file: the failure is told and nothing is left behind.
    Type(&dialog, "FileEdit", "no such folder/x.db");
    EXPECT_FALSE(dialog.CreateInventory());
    EXPECT_TRUE(dialog.StatusText().contains("failed")) << dialog.StatusText().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("no such folder/x.db")));
}

} // namespace
