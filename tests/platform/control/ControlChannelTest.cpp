#include "platform/control/ControlChannel.h"

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

// Every test gets a runtime folder of its own, so that it never meets a real server.
class ControlChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid());
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_savedRuntime); }

    // Writes raw bytes as a client would and closes, waiting for the write to leave.
    static void send(const QByteArray& bytes, bool close = true)
    {
        QLocalSocket socket;
        socket.connectToServer(ControlChannel::serverName());
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(bytes);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(1000)) { }
        if (close)
            socket.disconnectFromServer();
    }

    QTemporaryDir m_runtime;
    QByteArray m_savedRuntime;
};

// A socket file that nobody listens on any more, as a killed server leaves it.
void makeStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(path));
}

} // namespace

TEST_F(ControlChannelTest, SocketLivesInTheRuntimeFolder)
{
    EXPECT_EQ(ControlChannel::serverName(), m_runtime.filePath(QStringLiteral("Pulsar Service")));
}

TEST_F(ControlChannelTest, WithoutRuntimeFolderTheSocketIsInAPrivateTempFolder)
{
    qunsetenv("XDG_RUNTIME_DIR");
    const QString name = ControlChannel::serverName();
    const QString folder = QFileInfo(name).absolutePath();
    EXPECT_EQ(QFileInfo(name).fileName(), QStringLiteral("Pulsar Service"));
    EXPECT_TRUE(folder.startsWith(QDir::tempPath()));
    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_uid, getuid());
    EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST_F(ControlChannelTest, ServerReceivesKnownMessagesOnly)
{
    EXPECT_FALSE(ControlChannel::serverRunning());
    EXPECT_FALSE(ControlChannel::post(ControlChannel::ServerRestart));

    ControlChannel server;
    ASSERT_EQ(server.listen(), ControlChannel::ListenResult::Listening) << server.errorString().toStdString();
    QSignalSpy received(&server, &ControlChannel::messageReceived);

    // Only the owner may connect.
    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(ControlChannel::serverName()).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u);

    EXPECT_TRUE(ControlChannel::serverRunning());
    for (int message :
        {ControlChannel::ServerRestart, 1000, ControlChannel::ServerStop, ControlChannel::Close})
        EXPECT_TRUE(ControlChannel::post(message));
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() >= 3; }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received[0][0].toInt(), ControlChannel::ServerRestart);
    EXPECT_EQ(received[1][0].toInt(), ControlChannel::ServerStop);
    EXPECT_EQ(received[2][0].toInt(), ControlChannel::Close);

    server.close();
    EXPECT_FALSE(QFile::exists(ControlChannel::serverName()));
    EXPECT_FALSE(ControlChannel::serverRunning());
}

TEST_F(ControlChannelTest, SecondServerFindsTheLiveOne)
{
    ControlChannel first;
    ASSERT_EQ(first.listen(), ControlChannel::ListenResult::Listening);
    ControlChannel second;
    EXPECT_EQ(second.listen(), ControlChannel::ListenResult::AlreadyRunning);
    EXPECT_FALSE(second.isListening());

    // The first one still gets the records.
    QSignalSpy received(&first, &ControlChannel::messageReceived);
    EXPECT_TRUE(ControlChannel::post(ControlChannel::ServerStop));
    EXPECT_TRUE(received.wait(5000));
}

TEST_F(ControlChannelTest, StaleSocketIsReplaced)
{
    makeStaleSocket(ControlChannel::serverName());
    EXPECT_FALSE(ControlChannel::serverRunning());
    EXPECT_FALSE(ControlChannel::post(ControlChannel::ServerRestart));

    ControlChannel server;
    ASSERT_EQ(server.listen(), ControlChannel::ListenResult::Listening) << server.errorString().toStdString();
    QSignalSpy received(&server, &ControlChannel::messageReceived);
    EXPECT_TRUE(ControlChannel::post(ControlChannel::ServerRestart));
    EXPECT_TRUE(received.wait(5000));
}

TEST_F(ControlChannelTest, MalformedRecordsAreIgnoredAndDoNotBlockTheNextOne)
{
    ControlChannel server;
    ASSERT_EQ(server.listen(), ControlChannel::ListenResult::Listening);
    QSignalSpy received(&server, &ControlChannel::messageReceived);

    // A client that connects and says nothing, kept open during the whole test.
    QLocalSocket silent;
    silent.connectToServer(ControlChannel::serverName());
    ASSERT_TRUE(silent.waitForConnected(1000));

    const QByteArray garbage[] = {
        "hello\n",
        "1324 0 0", // no newline before the close
        "1324 0 0\r\n", // not ASCII digits up to the newline
        "4242 0 0\n", // unknown message
        QByteArray(100, 'x'), // too long, never a newline
        QByteArray(70, '1').append('\n'),
        QByteArray("\xff\xfe\n"),
        QByteArray(1 << 20, ' '),
    };
    for (const QByteArray& bytes : garbage)
        send(bytes);
    QTest::qWait(200);
    EXPECT_EQ(received.size(), 0);

    send("1325 0 0\n");
    ASSERT_TRUE(received.wait(1000));
    EXPECT_EQ(received.takeFirst()[0].toInt(), ControlChannel::ServerStop);

    // The silent client is dropped after its time.
    EXPECT_TRUE(QTest::qWaitFor([&] { return silent.state() == QLocalSocket::UnconnectedState; },
        ControlChannel::ClientTimeoutMs + 3000));
}

TEST_F(ControlChannelTest, ManySilentClientsDoNotKeepARecordOut)
{
    ControlChannel server;
    ASSERT_EQ(server.listen(), ControlChannel::ListenResult::Listening);
    QSignalSpy received(&server, &ControlChannel::messageReceived);

    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < ControlChannel::MaxClients + 4; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(ControlChannel::serverName());
        ASSERT_TRUE(silent.back()->waitForConnected(1000));
    }
    QTest::qWait(100);
    send("1324 0 0\n");
    ASSERT_TRUE(received.wait(1000));
    EXPECT_EQ(received.takeFirst()[0].toInt(), ControlChannel::ServerRestart);
}
