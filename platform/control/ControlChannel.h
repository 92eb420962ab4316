#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>

class QLocalSocket;

// The ping server's control endpoint, which stands for its hidden main window: a local socket
// named "Pulsar Service" in the user's runtime folder, reachable by the owning user only. A
// client "posts" a message by connecting, writing one ControlRecord and closing; no answer is
// sent. A server that accepts a connection is running; a socket file nobody accepts on is stale.
class ControlChannel : public QObject
{
    Q_OBJECT
public:
    // The messages the server obeys; any other number is ignored.
    static constexpr int ServerRestart = 1324;
    static constexpr int ServerStop = 1325;
    static constexpr int Close = 16;

    // A client that has not sent its whole record by then is dropped.
    static constexpr int ClientTimeoutMs = 2000;
    // Connections served at once; a further one takes the place of the oldest, so that clients
    // that say nothing cannot keep a record out.
    static constexpr int MaxClients = 16;

    enum class ListenResult { Listening, AlreadyRunning, Failed };

    explicit ControlChannel(QObject* parent = nullptr);
    ~ControlChannel() override;

    // Full path of the socket: "$XDG_RUNTIME_DIR/Pulsar Service"; without a usable runtime
    // folder, a folder of the user's own in the temp folder ("pulsar-<uid>").
    static QString serverName();
    // True when a server accepts connections on the socket (waits at most about a second).
    static bool serverRunning();
    // Sends one record to the running server; false when none accepted it. Waits at most about
    // a second for the connection and for the write.
    static bool post(int message, qint64 wParam = 0, qint64 lParam = 0);

    // Takes the socket unless a live server holds it; a stale socket is replaced.
    ListenResult listen();
    bool isListening() const { return m_server.isListening(); }
    QString errorString() const { return m_error; }
    void close();

signals:
    // A well-formed record with a known message arrived.
    void messageReceived(int message);

private:
    void acceptConnections();
    void readRecord(QLocalSocket* socket);
    void dropClient(QLocalSocket* socket);
    static bool isKnownMessage(int message);

    QLocalServer m_server;
    QList<QLocalSocket*> m_clients;
    QString m_error;
};
