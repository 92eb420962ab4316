#include "server/UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// The handler may only write to a descriptor; the event loop reads the other end.
int signalPipe[2] = {-1, -1};

} // namespace

UnixSignalWatcher::UnixSignalWatcher(const QList<int>& signalNumbers, QObject* parent)
    : QObject(parent)
    , FSignals(signalNumbers)
{
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    FNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readPipe);
    for (int signalNumber : FSignals) {
        struct sigaction action {
        };
        action.sa_handler = &UnixSignalWatcher::handle;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    for (int signalNumber : FSignals)
        ::signal(signalNumber, SIG_DFL);
}

void UnixSignalWatcher::handle(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void UnixSignalWatcher::readPipe()
{
    unsigned char byte = 0;
    if (::read(signalPipe[0], &byte, 1) == 1)
        emit received(byte);
}
