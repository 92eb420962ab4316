// The real server program: started from a folder of its own that holds it, its settings file
// and its inventory, with its own runtime and config folders; driven through the control
// socket; its rows read back. Where the machine allows, it runs inside a network namespace the
// test makes, so that nothing it sends can leave the machine.
#include "common/DayCount.h"
#include "common/Inventory.h"
#include "platform/control/ControlChannel.h"
#include "platform/db/DbConnection.h"
#include "tests/server/Devices.h"
#include "tests/server/SilentPeer.h"
#include "tests/support/NetNamespace.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>
#include <unistd.h>

using Devices::Device;

namespace
{

constexpr int StartMs = 10000;
// Comfortably more than the one second to the first tick, much less than fifteen.
constexpr int FirstPassMs = 10000;
constexpr int ExitMs = 10000;

class PulsarProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QFile::exists(TestPaths::program(QStringLiteral("pulsar")))) << "build pulsar first";
        QDir root(m_root.path());
        for (const char* folder : {"app", "run", "xdg"})
            ASSERT_TRUE(root.mkdir(QString::fromLatin1(folder)));
        QFile::setPermissions(
            root.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_app = root.filePath(QStringLiteral("app"));
        ASSERT_TRUE(QFile::copy(TestPaths::program(QStringLiteral("pulsar")), program()));

        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(QStringLiteral("run"))));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.remove(QStringLiteral("DISPLAY"));
        m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("run")));
        m_environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), root.filePath(QStringLiteral("xdg")));
    }
    void TearDown() override
    {
        m_server.stop();
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    }

    QString program() const { return QDir(m_app).filePath(QStringLiteral("pulsar")); }

    // An inventory beside the program, named relative to the settings file.
    DbConnection& createInventory(const QString& name = QStringLiteral("inventory.db"))
    {
        m_db = std::make_unique<DbConnection>();
        m_db->setConnectionString(
            QStringLiteral("Provider=SQLite;Data Source=") + QDir(m_app).filePath(name));
        m_db->openForCreate();
        Inventory::create(*m_db);
        writeSettings(name);
        return *m_db;
    }
    void writeSettings(const QString& dataSource, const QString& folder = {})
    {
        Devices::writeIni(QDir(folder.isEmpty() ? m_app : folder).filePath(QStringLiteral("vigilo.ini")),
            {QStringLiteral("RCT=1"),
                QStringLiteral("ConnectionString=Provider=SQLite;Data Source=") + dataSource,
                QStringLiteral("NativeLogin=1")});
    }

    // Starts the server, inside the namespace when one is given (`ip netns exec` keeps the
    // process id), and waits for its start line.
    void start(ProcessRunner& runner, const QString& namespaceName = {}, const QStringList& prefix = {})
    {
        runner.setEnvironment(m_environment);
        if (namespaceName.isEmpty() && prefix.isEmpty()) {
            ASSERT_TRUE(runner.start(program(), {}, StartMs));
        } else {
            QStringList arguments;
            if (!namespaceName.isEmpty())
                arguments << QStringLiteral("netns") << QStringLiteral("exec") << namespaceName;
            arguments << prefix << program();
            ASSERT_TRUE(runner.start(
                namespaceName.isEmpty() ? arguments.takeFirst() : QStringLiteral("ip"), arguments, StartMs));
        }
    }
    void startServer(const QString& namespaceName = {})
    {
        start(m_server, namespaceName);
        ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pulsar Service started"), StartMs))
            << m_server.standardError().toStdString();
    }
    // Waits for a status line that comes after what the server has written so far.
    bool nextStatus(const QString& text, int timeoutMs = FirstPassMs)
    {
        return m_server.waitForError(text, timeoutMs, m_server.standardError().size());
    }
    static void post(int message) { ASSERT_TRUE(ControlChannel::post(message)); }

    QTemporaryDir m_root;
    QString m_app;
    QByteArray m_savedRuntime;
    QProcessEnvironment m_environment;
    std::unique_ptr<DbConnection> m_db;
    ProcessRunner m_server;
};

// A namespace for the server when the machine allows one, else none (the host's loopback).
std::unique_ptr<NetNamespace> optionalNamespace()
{
    return NetNamespace::UnavailableReason().isEmpty() ? std::make_unique<NetNamespace>() : nullptr;
}

} // namespace

TEST_F(PulsarProcessTest, FirstPassAboutASecondAfterStart)
{
    DbConnection& db = createInventory();
    const int answered = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    const int unresolved = Devices::insert(db, Device {QStringLiteral("no such device"), 90, 0, {}, {}});
    const int never = Devices::insert(db, Device {QStringLiteral("127.0.0.2"), 0, 0, {}, {}});

    const auto space = optionalNamespace();
    const double startedAt = NowDayCount();
    QElapsedTimer sinceStart;
    sinceStart.start();
    start(m_server, space ? space->name() : QString());
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 2 Device(s)"), StartMs + FirstPassMs))
        << m_server.standardError().toStdString();
    EXPECT_LT(sinceStart.elapsed(), FirstPassMs) << "the first pass runs on the first tick";
    ASSERT_TRUE(m_server.waitForError(
        QStringLiteral("Pinger: Cannot resolve host name \"no such device\""), FirstPassMs))
        << m_server.standardError().toStdString();

    // SIGTERM ends the server like a close request: after the pass, with every row written.
    EXPECT_TRUE(m_server.stop(ExitMs));
    EXPECT_FALSE(m_server.crashed());
    EXPECT_EQ(m_server.exitCode(), 0);

    const auto row = Devices::read(db, answered);
    const double pingedAt = row.pingedAt.toDouble();
    EXPECT_GE(pingedAt, startedAt);
    EXPECT_LE(pingedAt, NowDayCount());
    EXPECT_EQ(row.lastPing.toDouble(), pingedAt);
    EXPECT_EQ(row.nextPing.toDouble(), Devices::nextPingAfter(pingedAt, 60));
    const auto failed = Devices::read(db, unresolved);
    EXPECT_EQ(failed.pingedAt.toDouble(), pingedAt);
    EXPECT_TRUE(failed.lastPing.isNull());
    EXPECT_EQ(failed.nextPing.toDouble(), Devices::nextPingAfter(pingedAt, 90));
    EXPECT_TRUE(Devices::read(db, never).pingedAt.isNull());

    // Each status is one line on standard error.
    const QString log = QString::fromUtf8(m_server.standardError());
    EXPECT_TRUE(log.contains(QRegularExpression(
        QStringLiteral("\\n\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Pinging 2 Device\\(s\\)\\n"))))
        << log.toStdString();
    EXPECT_FALSE(QFile::exists(ControlChannel::serverName()));
}

TEST_F(PulsarProcessTest, UnansweredDeviceInANamespace)
{
    const QString unavailable = NetNamespace::UnavailableReason();
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();
    const SilentPeer network(QStringLiteral("10.202.0"));

    DbConnection& db = createInventory();
    const double earlier = ToDayCount(QDateTime::currentDateTime().addDays(-1));
    const int silent = Devices::insert(db, Device {QStringLiteral("10.202.0.2"), 60, 0, {}, earlier});
    const int answering = Devices::insert(db, Device {QStringLiteral("10.202.0.1"), 60, 0, {}, earlier});
    startServer(network.here.name());
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 2 Device(s)"), FirstPassMs));
    // Both rows are written once the pass is over; a close waits for that.
    post(ControlChannel::Close);
    ASSERT_TRUE(m_server.waitForExit(ExitMs));

    const auto unanswered = Devices::read(db, silent);
    const auto answered = Devices::read(db, answering);
    EXPECT_FALSE(answered.pingedAt.isNull());
    EXPECT_EQ(answered.lastPing, answered.pingedAt);
    EXPECT_EQ(unanswered.pingedAt, answered.pingedAt);
    EXPECT_EQ(unanswered.lastPing.toDouble(), earlier);
    EXPECT_EQ(unanswered.nextPing.toDouble(), Devices::nextPingAfter(unanswered.pingedAt.toDouble(), 60));
    EXPECT_FALSE(m_server.standardError().contains("Pinger: ")) << "a time-out is no error";
}

TEST_F(PulsarProcessTest, SigtermEndsALongPassAfterTheCurrentDevice)
{
    const QString unavailable = NetNamespace::UnavailableReason();
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();
    const SilentPeer network(QStringLiteral("10.203.0"));

    // Twenty slow devices that never answer: a pass of ten seconds.
    DbConnection& db = createInventory();
    QList<int> keys;
    for (int i = 0; i < 20; ++i)
        keys << Devices::insert(db, Device {QStringLiteral("10.203.0.2"), 60, 1, {}, {}});
    startServer(network.here.name());
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 20 Device(s)"), FirstPassMs));
    QThread::msleep(700);
    // Well before the pass could have ended.
    EXPECT_TRUE(m_server.stop(4000)) << "SIGTERM should end the server after the current device";
    EXPECT_EQ(m_server.exitCode(), 0);
    EXPECT_FALSE(Devices::read(db, keys.first()).pingedAt.isNull());
    EXPECT_TRUE(Devices::read(db, keys.last()).pingedAt.isNull());
}

TEST_F(PulsarProcessTest, SecondCopyEndsWithoutTouchingTheDatabase)
{
    DbConnection& db = createInventory();
    Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    startServer();
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 1 Device(s)"), FirstPassMs));

    // The second copy's settings name an inventory that does not exist: opening it would create it.
    const QString second = QDir(m_root.path()).filePath(QStringLiteral("second"));
    ASSERT_TRUE(QDir().mkpath(second));
    ASSERT_TRUE(QFile::copy(program(), QDir(second).filePath(QStringLiteral("pulsar"))));
    writeSettings(QStringLiteral("second.db"), second);
    ProcessRunner copy;
    copy.setEnvironment(m_environment);
    ASSERT_TRUE(copy.start(QDir(second).filePath(QStringLiteral("pulsar")), {}, StartMs));
    ASSERT_TRUE(copy.waitForExit(ExitMs)) << "the second copy should end by itself";
    EXPECT_EQ(copy.exitCode(), 0);
    EXPECT_TRUE(copy.standardError().contains("Pulsar Service is already running"))
        << copy.standardError().toStdString();
    EXPECT_FALSE(copy.standardError().contains("Pinging"));
    EXPECT_FALSE(QFile::exists(QDir(second).filePath(QStringLiteral("second.db"))));

    // The first one runs on unchanged and still obeys.
    EXPECT_TRUE(m_server.isRunning());
    post(ControlChannel::ServerRestart);
    EXPECT_TRUE(nextStatus(QStringLiteral("Pinging ")));
}

TEST_F(PulsarProcessTest, StopRestartWithNewSettingsAndClose)
{
    DbConnection& db = createInventory();
    const int first = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    startServer();
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 1 Device(s)"), FirstPassMs));

    post(ControlChannel::ServerStop);
    ASSERT_TRUE(nextStatus(QStringLiteral("Ping Server Stopped")));
    // Stopped: a device that is due again stays untouched.
    Devices::setNextPing(db, first, {});
    const qsizetype stoppedAt = m_server.standardError().size();
    QThread::msleep(2500);
    EXPECT_FALSE(m_server.waitForError(QStringLiteral("Pinging"), 0, stoppedAt));
    EXPECT_TRUE(Devices::read(db, first).nextPing.isNull());

    // Restart reads the settings again: now they name another inventory.
    DbConnection other;
    other.setConnectionString(
        QStringLiteral("Provider=SQLite;Data Source=") + QDir(m_app).filePath("other.db"));
    other.openForCreate();
    Inventory::create(other);
    const int second = Devices::insert(other, Device {QStringLiteral("127.0.0.3"), 30, 0, {}, {}});
    Devices::insert(other, Device {QStringLiteral("127.0.0.4"), 30, 0, {}, {}});
    writeSettings(QStringLiteral("other.db"));
    post(ControlChannel::ServerRestart);
    ASSERT_TRUE(nextStatus(QStringLiteral("Pinging 2 Device(s)"))) << m_server.standardError().toStdString();

    post(ControlChannel::Close);
    ASSERT_TRUE(m_server.waitForExit(ExitMs));
    EXPECT_EQ(m_server.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(ControlChannel::serverName()));
    EXPECT_FALSE(Devices::read(other, second).lastPing.isNull());
    EXPECT_TRUE(Devices::read(db, first).nextPing.isNull());
}

TEST_F(PulsarProcessTest, KilledServerLeavesAStaleSocketThatTheNextReplaces)
{
    DbConnection& db = createInventory();
    Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    startServer();
    m_server.kill();
    ASSERT_TRUE(QFile::exists(ControlChannel::serverName())) << "a killed server leaves its socket";
    EXPECT_FALSE(ControlChannel::serverRunning());

    startServer();
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 1 Device(s)"), FirstPassMs));
    EXPECT_TRUE(ControlChannel::serverRunning());
    post(ControlChannel::ServerRestart);
    EXPECT_TRUE(nextStatus(QStringLiteral("Pinging ")));
}

TEST_F(PulsarProcessTest, MalformedRecordsAreIgnored)
{
    DbConnection& db = createInventory();
    Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    startServer();
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinging 1 Device(s)"), FirstPassMs));
    const qsizetype before = m_server.standardError().size();

    QLocalSocket silent;
    silent.connectToServer(ControlChannel::serverName());
    ASSERT_TRUE(silent.waitForConnected(1000));
    for (const QByteArray& bytes : {QByteArray("garbage\n"), QByteArray("1325 0 0"), QByteArray("1325 0\n"),
             QByteArray("9999 0 0\n"), QByteArray(4096, '1'), QByteArray("1325 0 0\r\n")}) {
        QLocalSocket client;
        client.connectToServer(ControlChannel::serverName());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(bytes);
        client.waitForBytesWritten(1000);
        client.disconnectFromServer();
    }
    // With the silent client still connected, a good record is obeyed at once.
    post(ControlChannel::ServerRestart);
    ASSERT_TRUE(nextStatus(QStringLiteral("Pinging ")));
    EXPECT_TRUE(m_server.isRunning());
    const QByteArray after = m_server.standardError().mid(before);
    EXPECT_FALSE(after.contains("Stopped")) << after.toStdString();
    EXPECT_FALSE(after.contains("Update")) << after.toStdString();
}

TEST_F(PulsarProcessTest, UnreachableDatabaseComesBackWithoutRestart)
{
    // The inventory's folder is missing: the first pass fails and is retried 15 ticks later.
    writeSettings(QStringLiteral("later/inventory.db"));
    startServer();
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Update: "), FirstPassMs))
        << m_server.standardError().toStdString();

    ASSERT_TRUE(QDir(m_app).mkdir(QStringLiteral("later")));
    DbConnection db;
    db.setConnectionString(
        QStringLiteral("Provider=SQLite;Data Source=") + QDir(m_app).filePath("later/inventory.db"));
    db.openForCreate();
    Inventory::create(db);
    const int key = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    ASSERT_TRUE(nextStatus(QStringLiteral("Pinging 1 Device(s)"), 25000))
        << m_server.standardError().toStdString();
    post(ControlChannel::Close);
    ASSERT_TRUE(m_server.waitForExit(ExitMs));
    EXPECT_FALSE(Devices::read(db, key).lastPing.isNull());
}

TEST_F(PulsarProcessTest, MissingPingPrivilegeIsExplained)
{
    const QString unavailable = NetNamespace::UnavailableReason();
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to run the server as another user";
    // Neither kind of ICMP socket for an ordinary user: no ping group, no raw-socket capability.
    NetNamespace here;
    here.setSysctl(QStringLiteral("net.ipv4.ping_group_range"), QStringLiteral("1 0"));
    DbConnection& db = createInventory();
    const int key = Devices::insert(db, Device {QStringLiteral("127.0.0.1"), 60, 0, {}, {}});
    m_db.reset();
    for (const QString& path : {m_root.path(), m_app})
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOther | QFile::ReadOther);
    const QString run = QDir(m_root.path()).filePath(QStringLiteral("run"));
    for (const QString& path :
        {m_app, QDir(m_app).filePath("inventory.db"), QDir(m_app).filePath("vigilo.ini"), run})
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0) << path.toStdString();

    start(m_server, here.name(),
        {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups"), QStringLiteral("--")});
    ASSERT_TRUE(m_server.waitForError(QStringLiteral("Pinger: "), StartMs + FirstPassMs))
        << m_server.standardError().toStdString();
    ASSERT_TRUE(
        m_server.waitForError(QStringLiteral("\n"), 1000, m_server.standardError().lastIndexOf("Pinger: ")));
    const QByteArray log = m_server.standardError();
    const QByteArray line = log.mid(log.lastIndexOf("Pinger: "));
    EXPECT_TRUE(line.contains("net.ipv4.ping_group_range")) << line.toStdString();
    EXPECT_TRUE(line.contains("setcap cap_net_raw+ep")) << line.toStdString();
    m_server.stop(ExitMs);

    DbConnection check;
    check.setConnectionString(
        QStringLiteral("Provider=SQLite;Data Source=") + QDir(m_app).filePath("inventory.db"));
    check.open();
    const auto row = Devices::read(check, key);
    EXPECT_FALSE(row.pingedAt.isNull());
    EXPECT_TRUE(row.lastPing.isNull());
}
