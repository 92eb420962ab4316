#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// Delivers POSIX signals (SIGTERM, SIGINT) on the event loop, so that a service manager or a
// plain kill ends the server the way a close request does instead of in the middle of a write.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(const QList<int>& signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    QList<int> FSignals;
    QSocketNotifier* FNotifier = nullptr;
};
