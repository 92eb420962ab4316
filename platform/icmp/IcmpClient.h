#pragma once

#include "platform/icmp/IcmpError.h"
#include "platform/icmp/IcmpReply.h"
#include "platform/icmp/IcmpSocket.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// Synchronous ICMP echo client: one request at a time to Host, answer through OnReply.
// The socket is opened by the first ping and kept for the following ones.
class IcmpClient
{
public:
    IcmpClient();
    ~IcmpClient();
    IcmpClient(const IcmpClient&) = delete;
    IcmpClient& operator=(const IcmpClient&) = delete;

    QString Host;
    // Milliseconds to wait for the answer; negative values count as 0.
    int ReceiveTimeout = 5000;
    std::function<void(const IcmpReply&)> OnReply;

    // Sends one echo request carrying data and sequence and calls OnReply exactly once with the
    // echo reply, the ICMP error that came back or the time-out. Throws IcmpError (and does not
    // call OnReply) when Host does not resolve or the request cannot be sent or received.
    // On the wire the echo data is an 8-byte token of this request followed by data.
    void Ping(const QByteArray& data = QByteArrayLiteral(" "), quint16 sequence = 1);

    // Kind of the open socket; None until the first ping opened one.
    IcmpSocketKind socketKind() const;

private:
    quint32 ResolveHost(const QString& host) const;

    std::unique_ptr<IcmpSocket> FSocket;
    quint64 FNextToken = 0;
};
