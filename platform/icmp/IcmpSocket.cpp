#include "platform/icmp/IcmpSocket.h"

#include "platform/icmp/IcmpError.h"

#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// ICMP_FILTER of <linux/icmp.h>, which clashes with the glibc network headers.
constexpr int IcmpFilterOption = 1;
// Reads per wake-up, so that a flood of foreign ICMP cannot hold the wait past its deadline.
constexpr int MaxReadsPerWake = 256;
constexpr std::size_t BufferSize = 65536;

QString ErrorText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

QString AddressText(quint32 address)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr value {};
    value.s_addr = address;
    inet_ntop(AF_INET, &value, text, sizeof text);
    return QString::fromLatin1(text);
}

QString ExecutablePath()
{
    const QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return path.isEmpty() ? QStringLiteral("<program>") : path;
}

// Error numbers a datagram ICMP socket reports once for an ICMP error that also went into its
// error queue; they say nothing about the socket itself.
bool IsReportedIcmpError(int error)
{
    switch (error) {
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENOPROTOOPT:
    case ECONNREFUSED:
    case EMSGSIZE:
    case EOPNOTSUPP:
    case EHOSTDOWN:
    case ENONET:
    case EACCES:
    case EPROTO:
    case EREMOTEIO:
        return true;
    default:
        return false;
    }
}

// Errors that end the wait for a request; redirects and source quenches only advise.
bool IsFinalErrorType(quint8 type)
{
    return type == IcmpPacket::DestinationUnreachableType || type == IcmpPacket::TimeExceededType
        || type == IcmpPacket::ParameterProblemType;
}

[[noreturn]] void ThrowCannotOpen(int datagramError, int rawError)
{
    throw IcmpError(QStringLiteral(
        "Cannot open an ICMP socket: unprivileged ICMP sockets are not allowed for the groups of "
        "this process (%1) and a raw ICMP socket needs root or the CAP_NET_RAW capability (%2). "
        "Allow one of them as root: sysctl -w net.ipv4.ping_group_range=\"0 2147483647\" "
        "(add it to /etc/sysctl.d to keep it) or setcap cap_net_raw+ep %3")
                        .arg(ErrorText(datagramError), ErrorText(rawError), ExecutablePath())
                        .toStdString());
}

std::vector<uchar>& Buffer()
{
    thread_local std::vector<uchar> buffer(BufferSize);
    return buffer;
}

} // namespace

std::unique_ptr<IcmpSocket> IcmpSocket::Open()
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd >= 0) {
        // ICMP errors about our requests go to the error queue instead of being dropped.
        const int on = 1;
        if (::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0) {
            const int error = errno;
            ::close(fd);
            throw IcmpError(QStringLiteral("Cannot enable ICMP error reports on the ICMP socket: %1")
                                .arg(ErrorText(error))
                                .toStdString());
        }
        return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, IcmpSocketKind::Datagram));
    }
    const int datagramError = errno;

    fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        ThrowCannotOpen(datagramError, errno);
    // A raw socket gets a copy of every ICMP packet the host receives; let through only the
    // types that can answer a request. Without the filter the matching still holds, only slower.
    const quint32 blocked
        = ~((1u << IcmpPacket::EchoReplyType) | (1u << IcmpPacket::DestinationUnreachableType)
            | (1u << IcmpPacket::TimeExceededType) | (1u << IcmpPacket::ParameterProblemType));
    ::setsockopt(fd, SOL_RAW, IcmpFilterOption, &blocked, sizeof blocked);
    return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, IcmpSocketKind::Raw));
}

IcmpSocket::IcmpSocket(int fd, IcmpSocketKind kind)
    : FSocket(fd)
    , FKind(kind)
{
}

IcmpSocket::~IcmpSocket()
{
    ::close(FSocket);
}

IcmpReply IcmpSocket::Exchange(IcmpPacket::Request request, const QString& host, int timeoutMs)
{
    Drain();
    const Clock::time_point sent = Clock::now();
    Send(request, host);
    if (FKind == IcmpSocketKind::Datagram) {
        if (!FIdentifier)
            FIdentifier = SocketIdentifier(host);
        request.identifier = *FIdentifier;
    }

    const Clock::time_point deadline = sent + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::optional<IcmpPacket::Answer> answer;
    for (;;) {
        answer = ReadAnswers(request, host);
        const Clock::time_point now = Clock::now();
        if (answer || now >= deadline)
            break;
        pollfd wait {FSocket, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        if (::poll(&wait, 1, int(left)) < 0 && errno != EINTR)
            throw IcmpError(QStringLiteral("Cannot receive the echo reply from %1: %2")
                                .arg(host, ErrorText(errno))
                                .toStdString());
    }

    IcmpReply reply;
    reply.sequence = request.sequence;
    reply.roundTripMs
        = int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
    if (!answer)
        return reply;
    reply.fromAddress = AddressText(answer->from);
    switch (answer->type) {
    case IcmpPacket::EchoReplyType:
        reply.status = IcmpReply::EchoReply;
        break;
    case IcmpPacket::DestinationUnreachableType:
        reply.status = IcmpReply::DestinationUnreachable;
        break;
    case IcmpPacket::TimeExceededType:
        reply.status = IcmpReply::TimeExceeded;
        break;
    default:
        throw IcmpError(
            QStringLiteral("Unexpected ICMP reply to the echo request to %1: type %2 code %3 from %4")
                .arg(host)
                .arg(answer->type)
                .arg(answer->code)
                .arg(reply.fromAddress)
                .toStdString());
    }
    return reply;
}

// Throws away answers still queued from earlier requests, so that the wait starts clean.
void IcmpSocket::Drain()
{
    std::vector<uchar>& buffer = Buffer();
    for (int i = 0; i < MaxReadsPerWake; ++i) {
        if (::recv(FSocket, buffer.data(), buffer.size(), MSG_DONTWAIT) < 0
            && (errno != EINTR && !(FKind == IcmpSocketKind::Datagram && IsReportedIcmpError(errno))))
            break;
    }
    if (FKind != IcmpSocketKind::Datagram)
        return;
    for (int i = 0; i < MaxReadsPerWake; ++i) {
        iovec data {buffer.data(), buffer.size()};
        msghdr message {};
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        if (::recvmsg(FSocket, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0 && errno != EINTR)
            break;
    }
    ClearPendingError();
}

void IcmpSocket::Send(const IcmpPacket::Request& request, const QString& host)
{
    const QByteArray packet = IcmpPacket::EchoRequest(request.identifier, request.sequence, request.payload);
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = request.target;
    ssize_t sent;
    do
        sent = ::sendto(FSocket, packet.constData(), std::size_t(packet.size()), 0,
            reinterpret_cast<const sockaddr*>(&target), sizeof target);
    while (sent < 0 && errno == EINTR);
    if (sent < 0)
        throw IcmpError(QStringLiteral("Cannot send the echo request to %1: %2")
                            .arg(host, ErrorText(errno))
                            .toStdString());
    if (sent != packet.size())
        throw IcmpError(QStringLiteral("Cannot send the echo request to %1: only %2 of %3 bytes were sent")
                            .arg(host)
                            .arg(sent)
                            .arg(packet.size())
                            .toStdString());
}

// The identifier the kernel gave the datagram socket when it first sent; it stays for the
// socket's life.
quint16 IcmpSocket::SocketIdentifier(const QString& host) const
{
    sockaddr_in local {};
    socklen_t size = sizeof local;
    if (::getsockname(FSocket, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        throw IcmpError(QStringLiteral("Cannot read the identifier of the ICMP socket for %1: %2")
                            .arg(host, ErrorText(errno))
                            .toStdString());
    return ntohs(local.sin_port);
}

std::optional<IcmpPacket::Answer> IcmpSocket::ReadAnswers(
    const IcmpPacket::Request& request, const QString& host)
{
    if (FKind == IcmpSocketKind::Datagram) {
        if (auto answer = ReadErrorQueue(request))
            return answer;
    }
    std::vector<uchar>& buffer = Buffer();
    for (int i = 0; i < MaxReadsPerWake; ++i) {
        sockaddr_in from {};
        socklen_t fromSize = sizeof from;
        const ssize_t size = ::recvfrom(FSocket, buffer.data(), buffer.size(), MSG_DONTWAIT,
            reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (size < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return std::nullopt;
            if (errno == EINTR)
                continue;
            if (FKind == IcmpSocketKind::Datagram && IsReportedIcmpError(errno)) {
                if (auto answer = ReadErrorQueue(request))
                    return answer;
                continue;
            }
            throw IcmpError(QStringLiteral("Cannot receive the echo reply from %1: %2")
                                .arg(host, ErrorText(errno))
                                .toStdString());
        }
        if (FKind == IcmpSocketKind::Raw) {
            if (auto answer = IcmpPacket::MatchRawPacket(buffer.data(), std::size_t(size), request))
                return answer;
        } else if (from.sin_addr.s_addr == request.target
            && IcmpPacket::IsEchoReplyTo(buffer.data(), std::size_t(size), request)) {
            return IcmpPacket::Answer {IcmpPacket::EchoReplyType, 0, request.target};
        }
    }
    return std::nullopt;
}

// ICMP errors reach a datagram socket through its error queue: the quoted request as data, the
// original destination as address and the reporting router as offender.
std::optional<IcmpPacket::Answer> IcmpSocket::ReadErrorQueue(const IcmpPacket::Request& request)
{
    std::vector<uchar>& buffer = Buffer();
    for (int i = 0; i < MaxReadsPerWake; ++i) {
        sockaddr_in destination {};
        iovec data {buffer.data(), buffer.size()};
        alignas(cmsghdr) char control[512];
        msghdr message {};
        message.msg_name = &destination;
        message.msg_namelen = sizeof destination;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(FSocket, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        const sock_extended_err* error = nullptr;
        for (cmsghdr* item = CMSG_FIRSTHDR(&message); item; item = CMSG_NXTHDR(&message, item)) {
            if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_RECVERR)
                error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(item));
        }
        if (!error || error->ee_origin != SO_EE_ORIGIN_ICMP || !IsFinalErrorType(error->ee_type)
            || destination.sin_addr.s_addr != request.target
            || !IcmpPacket::QuotesRequest(buffer.data(), std::size_t(size), request))
            continue;
        const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(error));
        const quint32 from = offender->sin_family == AF_INET ? offender->sin_addr.s_addr : request.target;
        ClearPendingError();
        return IcmpPacket::Answer {error->ee_type, error->ee_code, from};
    }
    ClearPendingError();
    return std::nullopt;
}

// An ICMP error also leaves a pending socket error that would keep poll() reporting POLLERR.
void IcmpSocket::ClearPendingError()
{
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(FSocket, SOL_SOCKET, SO_ERROR, &error, &size);
}
