// The ping cycle and the settings of the main form, in process: real SQLite (and PostgreSQL
// under scripts/with-postgres), real ICMP to 127.0.0.0/8 and to namespaces the test makes.
#include "server/TMainForm.h"

#include "common/Clock.h"
#include "common/DayCount.h"
#include "common/Inventory.h"
#include "common/Scramble.h"
#include "tests/server/Devices.h"
#include "tests/server/SilentPeer.h"
#include "tests/support/NetNamespace.h"
#include "tests/support/TempInventory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Devices::Device;

namespace
{

const QDateTime PassTime(QDate(2024, 1, 15), QTime(10, 30, 45, 678));

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder.path()));
        Clock::setNow(PassTime);
    }
    void TearDown() override
    {
        Clock::reset();
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    }

    QString iniFile() const { return m_folder.filePath(QStringLiteral("vigilo.ini")); }

    // A form whose settings open the inventory as written, with every status it shows.
    std::unique_ptr<TMainForm> makeForm(const QStringList& connectionLines)
    {
        Devices::writeIni(iniFile(), connectionLines);
        auto form = std::make_unique<TMainForm>(iniFile(), QStringLiteral("/opt/pulsar/pulsar"));
        QObject::connect(
            form.get(), &TMainForm::StatusShown, [this](const QString& text) { m_statuses << text; });
        return form;
    }
    std::unique_ptr<TMainForm> makeForm(TempInventory& inventory)
    {
        return makeForm(
            {QStringLiteral("RCT=1"), QStringLiteral("ConnectionString=") + inventory.connectionString(),
                QStringLiteral("NativeLogin=1")});
    }

    QTemporaryDir m_folder;
    QByteArray m_savedRuntime;
    QStringList m_statuses;
};

} // namespace

TEST_F(MainFormTest, PassRunsOnTheFirstTickAndThenEveryFifteenth)
{
    // No settings: every pass fails at once with "Update: ", which is all this test needs.
    auto form = makeForm(QStringList());
    form->WMServerRestart();
    EXPECT_EQ(form->CountDown, 0);
    EXPECT_TRUE(form->TimerActive());

    QList<int> passTicks;
    for (int tick = 1; tick <= 31; ++tick) {
        const qsizetype before = m_statuses.size();
        form->WMTimer();
        if (m_statuses.size() > before)
            passTicks << tick;
        if (tick == 1) {
            EXPECT_EQ(form->CountDown, 15);
        }
    }
    EXPECT_EQ(passTicks, QList<int>({1, 16, 31}));
    EXPECT_TRUE(m_statuses.last().startsWith(QStringLiteral("Update: "))) << m_statuses.last().toStdString();
    EXPECT_TRUE(form->TimerActive());

    // A restart a few ticks after a pass brings the next one on the next tick.
    form->WMTimer();
    form->WMTimer();
    form->WMServerRestart();
    const qsizetype before = m_statuses.size();
    form->WMTimer();
    EXPECT_GT(m_statuses.size(), before);

    // Stop: timer off, status, countdown as it was.
    const int countDown = form->CountDown;
    form->WMServerStop();
    EXPECT_FALSE(form->TimerActive());
    EXPECT_EQ(form->CountDown, countDown);
    EXPECT_EQ(m_statuses.last(), QStringLiteral("Ping Server Stopped"));
    EXPECT_EQ(form->Hint(), QStringLiteral("Ping Server Stopped"));
}

TEST_F(MainFormTest, PassWritesWhatEachDeviceEarned)
{
    TempInventory inventory(DbEngine::SQLite);
    DbConnection& db = inventory.connection();
    const double passTime = ToDayCount(QDateTime(QDate(2024, 1, 15), QTime(10, 30, 45)));
    const double earlier = ToDayCount(QDateTime(QDate(2024, 1, 14), QTime(9, 0, 0)));

    const int answered = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, earlier});
    const int slow = Devices::insert(db, Device {QStringLiteral("127.0.0.2"), 30, 1, earlier, {}});
    const int justDue
        = Devices::insert(db, Device {QStringLiteral("127.0.0.3"), 120, 0, passTime - 1.0 / 86400, {}});
    const int unresolved
        = Devices::insert(db, Device {QStringLiteral("no such device"), 300, 0, {}, earlier});
    const int notYetDue = Devices::insert(db, Device {QStringLiteral("127.0.0.4"), 60, 0, passTime, {}});
    const int never = Devices::insert(db, Device {QStringLiteral("127.0.0.5"), 0, 0, {}, {}});
    const int negative = Devices::insert(db, Device {QStringLiteral("127.0.0.6"), -5, 0, {}, {}});

    auto form = makeForm(inventory);
    form->WMServerRestart();
    form->WMTimer();

    EXPECT_EQ(form->PingTime, passTime) << "the pass time drops the milliseconds";
    EXPECT_TRUE(m_statuses.contains(QStringLiteral("Pinging 4 Device(s)")))
        << m_statuses.join(u'|').toStdString();
    EXPECT_TRUE(m_statuses.contains(
        QStringLiteral("Pinger: Cannot resolve host name \"no such device\": Name or service not known")))
        << m_statuses.join(u'|').toStdString();
    EXPECT_FALSE(m_statuses.last().startsWith(QStringLiteral("Update: "))) << m_statuses.last().toStdString();

    const struct {
        int key;
        int interval;
        bool answers;
        QVariant lastPingBefore;
    } tried[] = {
        {answered, 60, true, earlier},
        {slow, 30, true, {}},
        {justDue, 120, true, {}},
        {unresolved, 300, false, earlier},
    };
    for (const auto& t : tried) {
        const auto row = Devices::read(db, t.key);
        EXPECT_EQ(row.pingedAt.toDouble(), passTime) << t.key;
        EXPECT_EQ(row.nextPing.toDouble(), Devices::nextPingAfter(passTime, t.interval)) << t.key;
        if (t.answers) {
            EXPECT_EQ(row.lastPing.toDouble(), passTime) << t.key;
        } else {
            EXPECT_EQ(row.lastPing, t.lastPingBefore) << t.key;
        }
    }
    // 60 seconds later, to the second.
    EXPECT_EQ(FromDayCount(Devices::read(db, answered).nextPing.toDouble()),
        QDateTime(QDate(2024, 1, 15), QTime(10, 31, 45)));

    for (int key : {notYetDue, never, negative}) {
        const auto row = Devices::read(db, key);
        EXPECT_TRUE(row.pingedAt.isNull()) << key;
        EXPECT_TRUE(row.lastPing.isNull()) << key;
    }
    EXPECT_EQ(Devices::read(db, notYetDue).nextPing.toDouble(), passTime);

    // The device whose NextPing equalled the pass time is due in a later pass.
    Clock::setNow(PassTime.addSecs(15));
    form->WMServerRestart();
    form->WMTimer();
    EXPECT_EQ(Devices::read(db, notYetDue).pingedAt.toDouble(), NowDayCount());
}

TEST_F(MainFormTest, EmptyResultWritesNothing)
{
    TempInventory inventory(DbEngine::SQLite);
    const int key
        = Devices::insert(inventory.connection(), Device {QStringLiteral("127.0.0.1"), 0, 0, {}, {}});
    auto form = makeForm(inventory);
    form->WMServerRestart();
    form->WMTimer();
    EXPECT_EQ(m_statuses, QStringList {QStringLiteral("Pinging 0 Device(s)")});
    EXPECT_EQ(form->Hint(), QStringLiteral("Pinging 0 Device(s)"));
    EXPECT_TRUE(Devices::read(inventory.connection(), key).pingedAt.isNull());
}

TEST_F(MainFormTest, SettingsAreReadOnEveryRestart)
{
    TempInventory inventory(DbEngine::SQLite);
    const QString plain = inventory.connectionString();
    const QString scrambled = ScrambleText(plain);
    const struct {
        QStringList lines;
        QString userName;
        QString password;
        bool nativeLogin;
        bool opens;
    } cases[] = {
        // Written as is.
        {{"RCT=1", "ConnectionString=" + plain, "UserName=alice", "Password=s3cret", "NativeLogin=1"},
            "alice", "s3cret", true, true},
        // Scrambled: connection string and password are unscrambled. A missing UserName keeps the
        // previous one.
        {{"ConnectionString=" + scrambled, "Password=" + ScrambleText("pa55"), "NativeLogin=0"}, "alice",
            "pa55", false, true},
        // "NativeLogon" is the client's key and means nothing here.
        {{"RCT=0", "ConnectionString=" + scrambled, "UserName=bob", "NativeLogon=1"}, "bob", "", false, true},
        // Plain text where scrambled text belongs does not unscramble: empty connection string.
        {{"ConnectionString=" + plain, "UserName=carol"}, "carol", "", false, false},
    };
    auto form = makeForm(QStringList());
    for (const auto& c : cases) {
        Devices::writeIni(iniFile(), c.lines);
        m_statuses.clear();
        form->WMServerRestart();
        EXPECT_EQ(form->UserName, c.userName) << c.lines.join(u';').toStdString();
        EXPECT_EQ(form->Password, c.password) << c.lines.join(u';').toStdString();
        EXPECT_EQ(form->NativeLogin, c.nativeLogin) << c.lines.join(u';').toStdString();
        form->WMTimer();
        ASSERT_FALSE(m_statuses.isEmpty());
        EXPECT_EQ(m_statuses.last() == QStringLiteral("Pinging 0 Device(s)"), c.opens)
            << c.lines.join(u';').toStdString() << " -> " << m_statuses.last().toStdString();
    }
    // A new server starts with an empty user name.
    auto fresh = makeForm(QStringList {QStringLiteral("RCT=1")});
    fresh->WMServerRestart();
    EXPECT_EQ(fresh->UserName, QString());
}

TEST_F(MainFormTest, UnreachableDatabaseIsRetriedAndComesBack)
{
    // The inventory's folder does not exist yet: every pass fails, none writes.
    const QString later = m_folder.filePath(QStringLiteral("later/inventory.db"));
    auto form = makeForm({QStringLiteral("RCT=1"),
        QStringLiteral("ConnectionString=Provider=SQLite;Data Source=later/inventory.db"),
        QStringLiteral("NativeLogin=1")});
    form->WMServerRestart();
    form->WMTimer();
    ASSERT_TRUE(m_statuses.last().startsWith(QStringLiteral("Update: "))) << m_statuses.last().toStdString();
    EXPECT_TRUE(form->TimerActive());

    ASSERT_TRUE(QDir().mkpath(QFileInfo(later).absolutePath()));
    DbConnection db;
    db.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + later);
    db.openForCreate();
    Inventory::create(db);
    const int key = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});

    for (int tick = 0; tick < 15; ++tick)
        form->WMTimer();
    EXPECT_EQ(m_statuses.last(), QStringLiteral("Pinging 1 Device(s)"));
    EXPECT_EQ(Devices::read(db, key).lastPing.toDouble(), form->PingTime);
}

TEST_F(MainFormTest, LostConnectionIsOpenedAgainByTheNextPass)
{
    SKIP_UNLESS_ENGINE_AVAILABLE(DbEngine::PostgreSQL);
    TempInventory inventory(DbEngine::PostgreSQL);
    DbConnection& db = inventory.connection();
    const int key = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    auto form = makeForm(inventory);
    form->WMServerRestart();
    form->WMTimer();
    ASSERT_EQ(m_statuses.last(), QStringLiteral("Pinging 1 Device(s)"));

    // The database server drops the server's session, as a restart of the database would.
    db.execute(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                              "where datname = current_database() and pid <> pg_backend_pid()"));
    Clock::setNow(PassTime.addSecs(120));
    for (int tick = 0; tick < 15; ++tick)
        form->WMTimer();
    ASSERT_TRUE(m_statuses.last().startsWith(QStringLiteral("Update: "))) << m_statuses.last().toStdString();

    Clock::setNow(PassTime.addSecs(240));
    for (int tick = 0; tick < 15; ++tick)
        form->WMTimer();
    EXPECT_EQ(m_statuses.last(), QStringLiteral("Pinging 1 Device(s)"));
    EXPECT_EQ(Devices::read(db, key).pingedAt.toDouble(), NowDayCount());
}

TEST_F(MainFormTest, StopOrRestartInTheMiddleOfAPass)
{
    TempInventory inventory(DbEngine::SQLite);
    DbConnection& db = inventory.connection();
    const int first = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    const int second = Devices::insert(db, Device {QStringLiteral("127.0.0.2"), 60, 0, {}, {}});

    // Handled between the two devices: the connection closes under the pass, which ends with
    // "Update: "; after a stop the cycle stays stopped.
    auto form = makeForm(inventory);
    form->WMServerRestart();
    form->PostMessage(TMainForm::WM_SERVER_STOP);
    form->WMTimer();
    EXPECT_FALSE(form->TimerActive());
    EXPECT_TRUE(m_statuses.contains(QStringLiteral("Ping Server Stopped")));
    EXPECT_TRUE(m_statuses.last().startsWith(QStringLiteral("Update: "))) << m_statuses.last().toStdString();
    EXPECT_FALSE(Devices::read(db, first).pingedAt.isNull());
    EXPECT_TRUE(Devices::read(db, second).pingedAt.isNull());

    // After a restart the next pass follows on the next tick and finds the second device due.
    Devices::setNextPing(db, first, {});
    m_statuses.clear();
    form->WMServerRestart();
    form->PostMessage(TMainForm::WM_SERVER_RESTART);
    form->WMTimer();
    EXPECT_TRUE(form->TimerActive());
    const qsizetype before = m_statuses.size();
    form->WMTimer();
    EXPECT_GT(m_statuses.size(), before);
    EXPECT_EQ(m_statuses.last(), QStringLiteral("Pinging 1 Device(s)"));
    EXPECT_FALSE(Devices::read(db, second).pingedAt.isNull());
}

TEST_F(MainFormTest, UnansweredDevicesWaitByAcceptSlow)
{
    const QString unavailable = NetNamespace::UnavailableReason();
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();
    // The server side pings from one namespace a peer in another that ignores echo requests.
    const SilentPeer network(QStringLiteral("10.201.0"));

    TempInventory inventory(DbEngine::SQLite);
    DbConnection& db = inventory.connection();
    const double earlier = ToDayCount(QDateTime(QDate(2024, 1, 14), QTime(9, 0, 0)));
    const int quick = Devices::insert(db, Device {QStringLiteral("10.201.0.2"), 60, 0, {}, earlier});
    const int slow = Devices::insert(db, Device {QStringLiteral("10.201.0.2"), 60, 1, {}, {}});
    const int own = Devices::insert(db, Device {QStringLiteral("10.201.0.1"), 60, 0, {}, {}});
    Devices::writeIni(iniFile(),
        {QStringLiteral("RCT=1"), QStringLiteral("ConnectionString=") + inventory.connectionString(),
            QStringLiteral("NativeLogin=1")});

    qint64 elapsed = 0;
    QStringList statuses;
    network.here.run([&] {
        TMainForm form(iniFile(), QStringLiteral("/opt/pulsar/pulsar"));
        QObject::connect(&form, &TMainForm::StatusShown, [&](const QString& text) { statuses << text; });
        form.LoadSettings();
        QElapsedTimer timer;
        timer.start();
        form.PingDevices();
        elapsed = timer.elapsed();
    });
    EXPECT_EQ(statuses, QStringList {QStringLiteral("Pinging 3 Device(s)")});
    // Waited 100 ms for one and 500 ms for the other.
    EXPECT_GE(elapsed, 590);

    const double passTime = ToDayCount(QDateTime(QDate(2024, 1, 15), QTime(10, 30, 45)));
    for (int key : {quick, slow, own})
        EXPECT_EQ(Devices::read(db, key).pingedAt.toDouble(), passTime) << key;
    EXPECT_EQ(Devices::read(db, quick).lastPing.toDouble(), earlier);
    EXPECT_TRUE(Devices::read(db, slow).lastPing.isNull());
    EXPECT_EQ(Devices::read(db, own).lastPing.toDouble(), passTime);
}
