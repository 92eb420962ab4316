#include "platform/control/ControlChannel.h"

#include "platform/control/ControlRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QString SocketName = QStringLiteral("Pulsar Service");
constexpr int ConnectTimeoutMs = 1000;
constexpr int WriteTimeoutMs = 1000;
constexpr int StartLockTimeoutMs = 3000;

// A folder only this user can enter, for the temp-folder fallback: the temp folder is shared by
// every user, so a socket of a fixed name there could be taken or blocked by somebody else.
QString privateTempFolder()
{
    const QString folder = QDir::tempPath() + QStringLiteral("/pulsar-") + QString::number(getuid());
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat info {
    };
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return {};
    if ((info.st_mode & 077) != 0)
        ::chmod(path.constData(), 0700);
    return folder;
}

QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return runtime;
    return privateTempFolder();
}

} // namespace

ControlChannel::ControlChannel(QObject* parent)
    : QObject(parent)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.setMaxPendingConnections(MaxClients);
    connect(&m_server, &QLocalServer::newConnection, this, &ControlChannel::acceptConnections);
}

ControlChannel::~ControlChannel()
{
    close();
}

QString ControlChannel::serverName()
{
    const QString folder = runtimeFolder();
    if (folder.isEmpty())
        return {};
    return QDir(folder).filePath(SocketName);
}

bool ControlChannel::serverRunning()
{
    const QString name = serverName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    const bool connected = socket.waitForConnected(ConnectTimeoutMs);
    socket.abort();
    return connected;
}

bool ControlChannel::post(int message, qint64 wParam, qint64 lParam)
{
    const QString name = serverName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    const QByteArray record = ControlRecord {message, wParam, lParam}.toBytes();
    bool written = socket.write(record) == record.size();
    while (written && socket.bytesToWrite() > 0)
        written = socket.waitForBytesWritten(WriteTimeoutMs);
    socket.disconnectFromServer();
    return written;
}

ControlChannel::ListenResult ControlChannel::listen()
{
    m_error.clear();
    const QString name = serverName();
    if (name.isEmpty()) {
        m_error = tr("No private folder for the control socket in %1").arg(QDir::tempPath());
        return ListenResult::Failed;
    }
    // Two servers starting together must not both find the socket stale and take turns
    // replacing it: the check and the take-over happen under one lock.
    QLockFile lock(name + QStringLiteral(".lock"));
    if (!lock.tryLock(StartLockTimeoutMs)) {
        m_error = tr("Cannot lock %1.lock").arg(name);
        return ListenResult::Failed;
    }
    if (serverRunning())
        return ListenResult::AlreadyRunning;
    QLocalServer::removeServer(name);
    if (!m_server.listen(name)) {
        m_error = tr("Cannot listen on %1: %2").arg(name, m_server.errorString());
        return ListenResult::Failed;
    }
    return ListenResult::Listening;
}

void ControlChannel::close()
{
    for (QLocalSocket* socket : std::as_const(m_clients)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_clients.clear();
    m_server.close();
}

bool ControlChannel::isKnownMessage(int message)
{
    return message == ServerRestart || message == ServerStop || message == Close;
}

void ControlChannel::acceptConnections()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (m_clients.size() >= MaxClients)
            dropClient(m_clients.first());
        m_clients.append(socket);
        socket->setReadBufferSize(ControlRecord::MaxLength);
        // A client that connects and says nothing must not hold a place for ever.
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, socket] { dropClient(socket); });
        timer->start(ClientTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRecord(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { dropClient(socket); });
        if (socket->bytesAvailable() > 0)
            readRecord(socket);
    }
}

void ControlChannel::readRecord(QLocalSocket* socket)
{
    if (!m_clients.contains(socket))
        return;
    // The record is read only once its newline is there; until then it waits in the socket's
    // buffer, which holds at most one record's length.
    const qint64 available = socket->bytesAvailable();
    const QByteArray pending = socket->peek(qMin<qint64>(available, ControlRecord::MaxLength));
    const int end = pending.indexOf('\n');
    if (end < 0) {
        if (pending.size() >= ControlRecord::MaxLength)
            dropClient(socket);
        return;
    }
    const auto record = ControlRecord::parse(pending.left(end));
    dropClient(socket);
    if (record && isKnownMessage(record->message))
        emit messageReceived(record->message);
}

void ControlChannel::dropClient(QLocalSocket* socket)
{
    if (!m_clients.removeOne(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
