#pragma once

#include "platform/icmp/IcmpPacket.h"
#include "platform/icmp/IcmpReply.h"

#include <QString>

#include <memory>
#include <optional>

enum class IcmpSocketKind { None, Datagram, Raw };

// One open ICMP socket and the exchange of a single echo request over it.
class IcmpSocket
{
public:
    // Prefers the unprivileged datagram socket, falls back to a raw one; throws IcmpError saying
    // how to allow either when neither opens.
    static std::unique_ptr<IcmpSocket> Open();
    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    IcmpSocketKind kind() const { return FKind; }

    // Sends the echo request and waits up to timeoutMs for its answer. On a datagram socket the
    // kernel owns the identifier, so request.identifier is replaced by the socket's own.
    IcmpReply Exchange(IcmpPacket::Request request, const QString& host, int timeoutMs);

private:
    IcmpSocket(int fd, IcmpSocketKind kind);

    void Drain();
    void Send(const IcmpPacket::Request& request, const QString& host);
    quint16 SocketIdentifier(const QString& host) const;
    std::optional<IcmpPacket::Answer> ReadAnswers(const IcmpPacket::Request& request, const QString& host);
    std::optional<IcmpPacket::Answer> ReadErrorQueue(const IcmpPacket::Request& request);
    void ClearPendingError();

    int FSocket = -1;
    IcmpSocketKind FKind = IcmpSocketKind::None;
    std::optional<quint16> FIdentifier;
};
