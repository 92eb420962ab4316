#include "platform/icmp/IcmpClient.h"

#include <QRandomGenerator>

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <sys/socket.h>
#include <system_error>

namespace
{

constexpr int TokenSize = 8;

// Each request starts its payload with a token of its own, so that a late answer to an earlier
// request (the server always uses sequence 1) or another program's ping with the same
// identifier and sequence is never taken for the current one.
QByteArray TokenBytes(quint64 token)
{
    QByteArray bytes(TokenSize, '\0');
    for (int i = 0; i < TokenSize; ++i)
        bytes[i] = char(token >> (8 * (TokenSize - 1 - i)));
    return bytes;
}

} // namespace

IcmpClient::IcmpClient()
    : FNextToken(QRandomGenerator::system()->generate64())
{
}

IcmpClient::~IcmpClient() = default;

void IcmpClient::Ping(const QByteArray& data, quint16 sequence)
{
    const QString host = Host.trimmed();
    IcmpPacket::Request request;
    request.target = ResolveHost(host);
    if (!FSocket)
        FSocket = IcmpSocket::Open();

    const quint64 token = FNextToken++;
    request.payload = TokenBytes(token) + data;
    // On a raw socket the identifier is ours to choose: a new one per request keeps even
    // answers that quote only the ICMP header apart from those to earlier requests.
    request.identifier = quint16(token ^ (token >> 16) ^ (token >> 32) ^ (token >> 48));
    request.sequence = sequence;

    const IcmpReply reply = FSocket->Exchange(request, host, ReceiveTimeout);
    if (OnReply)
        OnReply(reply);
}

IcmpSocketKind IcmpClient::socketKind() const
{
    return FSocket ? FSocket->kind() : IcmpSocketKind::None;
}

quint32 IcmpClient::ResolveHost(const QString& host) const
{
    const QByteArray name = host.toUtf8();
    in_addr address {};
    // Dotted addresses, what the callers nearly always pass, need no trip through the resolver.
    if (inet_pton(AF_INET, name.constData(), &address) == 1)
        return address.s_addr;
    if (name.isEmpty())
        throw IcmpError("Cannot resolve host name \"\": no host name given");

    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_RAW;
    addrinfo* found = nullptr;
    const int error = getaddrinfo(name.constData(), nullptr, &hints, &found);
    if (error != 0 || !found) {
        const QString reason = error == EAI_SYSTEM
            ? QString::fromStdString(std::generic_category().message(errno))
            : QString::fromLocal8Bit(gai_strerror(error));
        throw IcmpError(
            QStringLiteral("Cannot resolve host name \"%1\": %2").arg(host, reason).toStdString());
    }
    const quint32 result = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return result;
}
