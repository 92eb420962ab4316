#include "framework/TDbAppIni.h"

#include "common/IniStore.h"
#include "common/MachineIdentity.h"
#include "common/Scramble.h"
#include "framework/MessageBoxRecorder.h"
#include "framework/TADOLink.h"
#include "framework/TConnectionDialog.h"
#include "framework/TLangFiler.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DbConnection.h"
#include "tests/framework/QtPrinters.h"
#include "tests/framework/db_TestSupport.h"
#include "tests/support/TempInventory.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace
{

const QString Section = QStringLiteral("Connection");

bool WaitFor(const std::function<bool()>& condition, int ms = 20000)
{
    return QTest::qWaitFor(condition, ms);
}

// One run of a client: a window owning a connection, its link and the logon component, on a
// settings file and an inventory of the test's own.
class LogonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QApplication::setQuitOnLastWindowClosed(false);
        LangFiler().SetFilePrefix(dir.filePath("L_vigilo."));
        LangFiler().Reset();
        iniPath = dir.filePath("vigilo.ini");
        owner = std::make_unique<QWidget>();
        owner->setObjectName("Form1");
        connection = new DbConnection(owner.get());
        link = new TADOLink(owner.get());
        link->SetConnection(connection);
    }
    void TearDown() override
    {
        owner.reset();
        LangFiler().SetFilePrefix(QString());
        LangFiler().Reset();
    }

    // The inventory, with its string split into the string without credentials and the credentials
    // the logon passes (SQLite needs none; any will do).
    void Prepare(DbEngine engine)
    {
        inventory = std::make_unique<TempInventory>(engine);
        ConnectionString cs(inventory->connectionString());
        user = cs.value("User ID", "vigilo");
        password = cs.value("Password", "not used by SQLite");
        cs.remove("User ID");
        cs.remove("Password");
        plain = cs.toString();
    }

    void WriteIni(const QList<QPair<QString, QString>>& keys)
    {
        QFile::remove(iniPath);
        IniStore ini(iniPath);
        for (const auto& [key, value] : keys)
            ini.writeString(Section, key, value);
        ini.updateFile();
    }

    void Start()
    {
        appIni = new TDbAppIni(owner.get(), {"/IniFile", iniPath});
        appIni->UseLanguage = false;
        appIni->UseHelp = false;
        appIni->SetConnection(link);
        appIni->OnStart = [this](QObject*) { log.append("start"); };
        appIni->OnLogon = [this](QObject*) { log.append("logon"); };
        appIni->OnLogoff = [this](QObject*) { log.append("logoff"); };
        appIni->Loaded();
    }
    // The end of the run: the component writes the settings file back.
    void EndRun()
    {
        delete appIni;
        appIni = nullptr;
    }
    int Count(const QString& entry) const { return static_cast<int>(log.count(entry)); }
    QString Stored(const QString& key) const
    {
        return IniStore(iniPath).readString(Section, key, "<absent>");
    }

    QTemporaryDir dir;
    QString iniPath;
    std::unique_ptr<TempInventory> inventory;
    QString plain, user, password;
    std::unique_ptr<QWidget> owner;
    DbConnection* connection = nullptr;
    TADOLink* link = nullptr;
    TDbAppIni* appIni = nullptr;
    QStringList log;
    MessageBoxRecorder boxes;
};

class LogonEngineTest : public LogonTest, public ::testing::WithParamInterface<DbEngine>
{
protected:
    void SetUp() override
    {
        SKIP_UNLESS_ENGINE_AVAILABLE(GetParam());
        LogonTest::SetUp();
        Prepare(GetParam());
    }
};

TEST_P(LogonEngineTest, StoredLogonOpensAtOnceBehindTheStartupScreen)
{
    WriteIni(
        {{"ConnectionString", ScrambleText(plain)}, {"UserName", user}, {"Password", ScrambleText(password)},
            {"SaveLogon", "1"}, {"SkipPrompt", "1"}, {"HDS", MachineIdentity()}});
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count("logon") == 1; })) << boxes.texts().join('\n').toStdString();
    EXPECT_TRUE(link->IsConnected());
    EXPECT_EQ(link->UserName, user);
    ASSERT_NE(appIni->CurrentForm(), nullptr);
    EXPECT_EQ(appIni->CurrentForm()->objectName(), "StartupScreen");
    EXPECT_EQ(log, QStringList({"start", "logon"}));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_P(LogonEngineTest, TypedLogonIsUsedAndStored)
{
    WriteIni({{"ConnectionString", ScrambleText(plain)}});
    ModalDriver driver;
    driver.Expect("StartupDialog", [&](QWidget* dialog) {
        EXPECT_EQ(dialog->height(), 230);
        EXPECT_EQ(dialog->width(), 400);
        EXPECT_EQ(dialog->windowTitle(), "Logon");
        EXPECT_EQ(dialog->focusWidget()->objectName(), "UserNameEdit");
        EXPECT_FALSE(Child<QWidget>(dialog, "SetupButton")->isVisible());
        Type(dialog, "UserNameEdit", "  " + user + " ");
        Type(dialog, "PassWordEdit", password);
        Child<QCheckBox>(dialog, "StoreLogonCheck")->setChecked(true);
        // Enter in the password box is the default button.
        QTest::keyClick(Child<QLineEdit>(dialog, "PassWordEdit"), Qt::Key_Return);
    });
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count("logon") == 1; })) << boxes.texts().join('\n').toStdString();
    EXPECT_TRUE(driver.Done()) << driver.Failure().toStdString();
    EXPECT_EQ(log, QStringList({"start", "logon"})); // OnStart fires while the dialog is open
    EXPECT_EQ(link->UserName, user);
    EndRun();
    EXPECT_EQ(Stored("UserName"), user);
    EXPECT_NE(Stored("Password"), password);
    EXPECT_EQ(UnscrambleText(Stored("Password")), password);
    EXPECT_EQ(Stored("SaveLogon"), "1");
    EXPECT_EQ(Stored("DoLogon"), "1");
    EXPECT_EQ(Stored("SkipPrompt"), "0");
    EXPECT_EQ(Stored("NativeLogon"), "0");
    EXPECT_EQ(UnscrambleText(Stored("ConnectionString")), plain);
    EXPECT_EQ(Stored("HDS"), MachineIdentity());
}

TEST_P(LogonEngineTest, SingleSignOnTakesTheEnvironmentsUserName)
{
    const QByteArray saved = qgetenv("NWUsername");
    qputenv("NWUsername", user.toUtf8());
    WriteIni({{"ConnectionString", ScrambleText(plain)}, {"SingleSignOn", "1"}, {"UserName", "someone else"},
        {"HDS", MachineIdentity()}});
    ModalDriver driver;
    driver.Expect("StartupDialog", [&](QWidget* dialog) {
        EXPECT_EQ(Child<QLineEdit>(dialog, "UserNameEdit")->text(), user);
        EXPECT_EQ(Child<QLineEdit>(dialog, "PassWordEdit")->text(), QString());
        EXPECT_EQ(dialog->focusWidget()->objectName(), "PassWordEdit");
        EXPECT_TRUE(Child<QCheckBox>(dialog, "SingleSignonCheck")->isChecked());
        Type(dialog, "PassWordEdit", password);
        Click(dialog, "OKButton");
    });
    Start();
    const bool loggedOn = WaitFor([&] { return Count("logon") == 1; });
    qputenv("NWUsername", saved);
    ASSERT_TRUE(loggedOn) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(appIni->CurrentUserName(), user);
    EndRun();
    EXPECT_EQ(Stored("SingleSignOn"), "1");
    EXPECT_EQ(Stored("Password"), "<absent>"); // "Remember logon" was not ticked
}

INSTANTIATE_TEST_SUITE_P(
    Engines, LogonEngineTest, ::testing::ValuesIn(TempInventory::engines()), TempInventory::engineName);

TEST_F(LogonTest, AnotherMachinesIdentityDiscardsUserNameAndPassword)
{
    Prepare(DbEngine::SQLite);
    const QString scrambled = ScrambleText(plain);
    WriteIni({{"ConnectionString", scrambled}, {"UserName", "bob"}, {"Password", ScrambleText("secret")},
        {"SaveLogon", "1"}, {"HDS", MachineIdentity().toLower() + "0"}});
    ModalDriver driver;
    driver.Expect("StartupDialog", [&](QWidget* dialog) {
        EXPECT_EQ(Child<QLineEdit>(dialog, "UserNameEdit")->text(), QString());
        EXPECT_EQ(Child<QLineEdit>(dialog, "PassWordEdit")->text(), QString());
        QTest::keyClick(Child<QLineEdit>(dialog, "UserNameEdit"), Qt::Key_Escape);
    });
    Start();
    ASSERT_TRUE(WaitFor([&] { return driver.Done() && !appIni->CurrentForm(); }));
    QTest::qWait(50); // a logon would have been posted by now
    EXPECT_EQ(Count("logon"), 0);
    EXPECT_FALSE(link->IsConnected());
    EXPECT_EQ(link->ConnectionString, plain);
    EndRun();
    EXPECT_EQ(Stored("UserName"), "<absent>");
    EXPECT_EQ(Stored("Password"), "<absent>");
    EXPECT_EQ(Stored("ConnectionString"), scrambled);
    EXPECT_EQ(Stored("SaveLogon"), "1");
    EXPECT_EQ(Stored("HDS"), MachineIdentity());
}

TEST_F(LogonTest, PlainCredentialsAreUsedAndStoredScrambledAfterTheRun)
{
    Prepare(DbEngine::SQLite);
    WriteIni({{"RCT", "1"}, {"ConnectionString", plain}, {"UserName", "u"}, {"Password", "p secret"},
        {"SaveLogon", "1"}, {"SkipPrompt", "1"}, {"HDS", MachineIdentity()}});
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count("logon") == 1; })) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(link->ConnectionString, plain);
    EXPECT_EQ(link->Password, "p secret");
    EndRun();
    EXPECT_EQ(Stored("RCT"), "<absent>");
    EXPECT_NE(Stored("ConnectionString"), plain);
    EXPECT_EQ(UnscrambleText(Stored("ConnectionString")), plain);
    EXPECT_EQ(UnscrambleText(Stored("Password")), "p secret");

    // The next run reads them scrambled.
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count("logon") == 2; }));
    EXPECT_EQ(link->ConnectionString, plain);
    EXPECT_EQ(link->Password, "p secret");
}

TEST_F(LogonTest, WrongPasswordIsReportedAndTheCorrectedLogonSucceeds)
{
    SKIP_UNLESS_ENGINE_AVAILABLE(DbEngine::PostgreSQL);
    Prepare(DbEngine::PostgreSQL);
    WriteIni({{"ConnectionString", ScrambleText(plain)}, {"UserName", user},
        {"Password", ScrambleText("wrong-password")}, {"SaveLogon", "1"}, {"SkipPrompt", "1"},
        {"HDS", MachineIdentity()}});
    ModalDriver driver;
    driver.Expect("StartupDialog", [&](QWidget* dialog) {
        EXPECT_EQ(dialog->height(), 370); // at full height, to correct anything
        EXPECT_TRUE(Child<QWidget>(dialog, "SetupButton")->isVisible());
        EXPECT_EQ(Child<QPushButton>(dialog, "AdvancedButton")->text(), "Normal");
        Type(dialog, "PassWordEdit", password);
        Click(dialog, "OKButton");
    });
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count("logon") == 1; })) << driver.Failure().toStdString();
    ASSERT_EQ(boxes.texts().size(), 1);
    const QString message = boxes.texts().at(0);
    EXPECT_TRUE(message.endsWith("\nPlease try again")) << message.toStdString();
    EXPECT_TRUE(message.contains(user)) << message.toStdString();
    EXPECT_FALSE(message.contains("wrong-password")) << message.toStdString();
    EXPECT_EQ(boxes.requests().at(0).icon, QMessageBox::Critical);
    // The start-up screen has gone with the failure.
    EXPECT_EQ(appIni->CurrentForm(), nullptr);
    EXPECT_EQ(UnscrambleText(appIni->IniFile().readString(Section, "Password", QString())), password);
}

// The string names a file that is not there: Setup in the reopened dialog picks the real one,
// which is stored scrambled, and the next OK logs on.
TEST_F(LogonTest, SetupAfterAFailedLogonStoresTheNewConnectionString)
{
    Prepare(DbEngine::SQLite);
    const QString missing = "Provider=SQLite;Data Source=missing.db";
    WriteIni({{"ConnectionString", ScrambleText(missing)}, {"SkipPrompt", "1"}});
    ModalDriver driver;
    driver.Expect("StartupDialog", [&](QWidget* dialog) {
        Click(dialog, "SetupButton"); // returns once the connection dialog below is closed
        EXPECT_EQ(Count("logoff"), 1);
        EXPECT_TRUE(dialog->isVisible()); // Setup keeps the dialog open
        Click(dialog, "OKButton");
    });
    driver.Expect("ConnectionDialog", [&](QWidget* dialog) {
        auto* edit = qobject_cast<TConnectionDialog*>(dialog);
        EXPECT_EQ(edit->ConnectionString(), missing);
        edit->SetConnectionString(plain);
        Click(dialog, "OKButton");
    });
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count("logon") == 1; })) << driver.Failure().toStdString();
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().at(0).contains(dir.filePath("missing.db")))
        << boxes.texts().at(0).toStdString();
    EXPECT_TRUE(boxes.texts().at(0).contains("does not exist")) << boxes.texts().at(0).toStdString();
    EXPECT_EQ(connection->connectionString(), plain);
    EndRun();
    EXPECT_NE(Stored("ConnectionString"), plain);
    EXPECT_EQ(UnscrambleText(Stored("ConnectionString")), plain);
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.db")));
}

TEST_F(LogonTest, EveryFailedLogonSaysWhatFailedAndNeverThePassword)
{
    const struct {
        const char* name;
        QString connectionString;
        QString refusal; // BeforeLogon's reason when it refuses
        QStringList expected;
    } cases[] = {
        {"unknown provider", "Provider=Oracle;Data Source=orcl", {}, {"Oracle", "SQLite", "PostgreSQL"}},
        {"no provider", "", {}, {"names no Provider"}},
        {"PostgreSQL not reachable", "Provider=PostgreSQL;Server=127.0.0.1;Port=1;Database=inv", {},
            {"127.0.0.1:1", "inv", "logonuser"}},
        {"refused by the program", "Provider=SQLite;Data Source=x.db", "Closed for maintenance",
            {"Closed for maintenance"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        log.clear();
        WriteIni({{"ConnectionString", ScrambleText(c.connectionString)}, {"UserName", "logonuser"},
            {"Password", ScrambleText("Topsecret1")}, {"SaveLogon", "1"}, {"SkipPrompt", "1"},
            {"HDS", MachineIdentity()}});
        ModalDriver driver;
        driver.Expect("StartupDialog", [](QWidget* dialog) { Click(dialog, "CancelButton"); });
        Start();
        if (!c.refusal.isEmpty()) {
            appIni->BeforeLogon = [&c](QObject*, const QString& userName, const QString& passWord,
                                      bool& canLogon, QString& reason) {
                EXPECT_EQ(userName, "logonuser");
                EXPECT_EQ(passWord, "Topsecret1");
                canLogon = false;
                reason = c.refusal;
            };
        }
        ASSERT_TRUE(WaitFor([&] { return driver.Done() && !appIni->CurrentForm(); }))
            << driver.Failure().toStdString();
        ASSERT_EQ(boxes.texts().size(), 1);
        const QString message = boxes.texts().at(0);
        for (const QString& part : c.expected)
            EXPECT_TRUE(message.contains(part)) << message.toStdString() << " lacks " << part.toStdString();
        EXPECT_TRUE(message.endsWith("\nPlease try again")) << message.toStdString();
        EXPECT_FALSE(message.contains("Topsecret1")) << message.toStdString();
        EXPECT_EQ(Count("logon"), 0);
        EXPECT_FALSE(link->IsConnected());
        EndRun();
    }
}

TEST_F(LogonTest, DialogReactionsAndBothHeights)
{
    Prepare(DbEngine::SQLite);
    const QByteArray saved = qgetenv("NWUsername");
    qputenv("NWUsername", "envuser");
    WriteIni({{"ConnectionString", ScrambleText(plain)}, {"UserName", "stored"},
        {"Password", ScrambleText("pw")}, {"SaveLogon", "1"}, {"HDS", MachineIdentity()}});
    ModalDriver driver;
    driver.Expect("StartupDialog", [&](QWidget* dialog) {
        auto* userEdit = Child<QLineEdit>(dialog, "UserNameEdit");
        auto* passwordEdit = Child<QLineEdit>(dialog, "PassWordEdit");
        auto* advanced = Child<QPushButton>(dialog, "AdvancedButton");
        EXPECT_EQ(passwordEdit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog->focusWidget(), passwordEdit); // a user name is known
        SaveDbScreenshot(dialog, "logon-normal.png");

        advanced->click();
        EXPECT_EQ(dialog->height(), 370);
        EXPECT_EQ(advanced->text(), "Normal");
        EXPECT_TRUE(Child<QWidget>(dialog, "SkipPromptCheck")->isVisible());
        EXPECT_TRUE(Child<QCheckBox>(dialog, "StoreLogonCheck")->isChecked());
        SaveDbScreenshot(dialog, "logon-advanced.png");

        Child<QCheckBox>(dialog, "SingleSignonCheck")->click();
        EXPECT_EQ(userEdit->text(), "envuser");
        EXPECT_EQ(passwordEdit->text(), QString());
        EXPECT_FALSE(Child<QCheckBox>(dialog, "StoreLogonCheck")->isChecked());
        Child<QCheckBox>(dialog, "SingleSignonCheck")->click();
        EXPECT_EQ(userEdit->text(), "stored");

        Type(dialog, "PassWordEdit", "typed");
        Child<QCheckBox>(dialog, "StoreLogonCheck")->click();
        Child<QCheckBox>(dialog, "StoreLogonCheck")->click();
        EXPECT_EQ(passwordEdit->text(), QString());

        advanced->click();
        EXPECT_EQ(dialog->height(), 230);
        EXPECT_EQ(advanced->text(), "Advanced");
        EXPECT_FALSE(Child<QWidget>(dialog, "SetupButton")->isVisible());
        Click(dialog, "CancelButton");
    });
    Start();
    const bool closed = WaitFor([&] { return driver.Done() && !appIni->CurrentForm(); });
    qputenv("NWUsername", saved);
    ASSERT_TRUE(closed) << driver.Failure().toStdString();
    // Cancel stores nothing and keeps the link's values.
    EXPECT_EQ(link->UserName, "stored");
    EXPECT_EQ(link->Password, "pw");
    EXPECT_EQ(appIni->IniFile().readString(Section, "SingleSignOn", "<absent>"), "<absent>");
    EXPECT_EQ(Count("logon"), 0);
}

TEST_F(LogonTest, EndingTheProgramAsksOnTerminateThenLogsOff)
{
    Prepare(DbEngine::SQLite);
    WriteIni({{"DoLogon", "0"}});
    Start();
    // Without "DoLogon" the start shows the start-up screen and no dialog.
    ASSERT_TRUE(WaitFor([&] { return appIni->CurrentForm() != nullptr; }, 5000));
    EXPECT_EQ(appIni->CurrentForm()->objectName(), "StartupScreen");
    log.clear();
    bool allow = false;
    appIni->OnTerminate = [&](QObject*, bool& canTerminate) {
        log.append("terminate");
        canTerminate = allow;
    };
    EXPECT_FALSE(appIni->QueryTerminate());
    allow = true;
    EXPECT_TRUE(appIni->QueryTerminate());
    EXPECT_EQ(log, QStringList({"terminate", "terminate", "logoff"}));
}

} // namespace
