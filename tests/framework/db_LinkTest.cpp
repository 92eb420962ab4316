#include "framework/TADOLink.h"

#include "framework/TConnectionDialog.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbError.h"
#include "tests/framework/QtPrinters.h"
#include "tests/framework/db_TestSupport.h"
#include "tests/support/TempInventory.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

TEST(ADOLink, NativeLogonPassesNoCredentials)
{
    SKIP_UNLESS_ENGINE_AVAILABLE(DbEngine::PostgreSQL);
    TempInventory inventory(DbEngine::PostgreSQL);
    DbConnection connection;
    TADOLink link;
    link.SetConnection(&connection);
    link.ConnectionString = inventory.connectionString(); // holds working credentials
    link.UserName = "nosuchuser";
    link.Password = "Badpass-1";

    link.NativeLogon = true;
    link.Connect();
    EXPECT_TRUE(link.IsConnected());

    link.NativeLogon = false;
    try {
        link.Connect();
        ADD_FAILURE() << "the link's credentials were not passed";
    } catch (const DbError& e) {
        const QString message = e.message();
        EXPECT_TRUE(message.contains("nosuchuser")) << message.toStdString();
        EXPECT_FALSE(message.contains("Badpass-1")) << message.toStdString();
    }
    // Connect closed the first connection before it failed.
    EXPECT_FALSE(link.IsConnected());
}

TEST(ADOLink, ConnectDisconnectAndNoConnection)
{
    TempInventory inventory(DbEngine::SQLite);
    TADOLink link;
    link.ConnectionString = inventory.connectionString();
    link.Connect(); // nothing to open
    EXPECT_FALSE(link.IsConnected());
    EXPECT_FALSE(link.EditConnectionString());

    auto first = std::make_unique<DbConnection>();
    DbConnection second;
    link.SetConnection(first.get());
    link.Connect();
    EXPECT_TRUE(first->isOpen());
    EXPECT_EQ(first->connectionString(), inventory.connectionString());
    // Another connection closes the one before.
    link.SetConnection(&second);
    EXPECT_FALSE(first->isOpen());
    link.Connect();
    EXPECT_TRUE(link.IsConnected());
    link.Disconnect();
    EXPECT_FALSE(second.isOpen());

    link.SetConnection(first.get());
    first.reset();
    EXPECT_EQ(link.Connection(), nullptr);
    EXPECT_FALSE(link.IsConnected());
}

TEST(ADOLink, EditConnectionStringCountsEveryChangeCaseIncluded)
{
    TempInventory inventory(DbEngine::SQLite);
    DbConnection connection;
    TADOLink link;
    link.SetConnection(&connection);
    link.ConnectionString = inventory.connectionString();
    link.Connect();
    const QString original = link.ConnectionString;
    QString changed = original;
    changed.replace("Provider=SQLite", "provider=sqlite");

    ModalDriver driver;
    driver.Expect("ConnectionDialog", [&](QWidget* dialog) {
        EXPECT_EQ(qobject_cast<TConnectionDialog*>(dialog)->ConnectionString(), original);
        qobject_cast<TConnectionDialog*>(dialog)->SetConnectionString(changed);
        dialog->findChild<QPushButton*>("CancelButton")->click();
    });
    driver.Expect("ConnectionDialog", [&](QWidget* dialog) {
        dialog->findChild<QPushButton*>("OKButton")->click(); // unchanged
    });
    driver.Expect("ConnectionDialog", [&](QWidget* dialog) {
        qobject_cast<TConnectionDialog*>(dialog)->SetConnectionString(changed);
        dialog->findChild<QPushButton*>("OKButton")->click();
    });
    EXPECT_FALSE(link.EditConnectionString());
    EXPECT_TRUE(link.IsConnected());
    EXPECT_FALSE(link.EditConnectionString());
    EXPECT_TRUE(link.IsConnected());
    EXPECT_EQ(link.ConnectionString, original);

    EXPECT_TRUE(link.EditConnectionString());
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(link.ConnectionString, changed);
    EXPECT_EQ(connection.connectionString(), changed);
    EXPECT_TRUE(driver.Done()) << driver.Failure().toStdString();
    link.Connect();
    EXPECT_TRUE(link.IsConnected());
}

} // namespace
