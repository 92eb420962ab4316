#include "tests/platform/icmp/PingOutcome.h"

PingOutcome PingOnce(IcmpClient& client, const QString& host, const QByteArray& data, quint16 sequence)
{
    PingOutcome outcome;
    client.Host = host;
    client.OnReply = [&outcome](const IcmpReply& reply) {
        ++outcome.calls;
        outcome.reply = reply;
    };
    try {
        client.Ping(data, sequence);
    } catch (const IcmpError& e) {
        outcome.error = QString::fromUtf8(e.what());
    }
    client.OnReply = nullptr;
    return outcome;
}

void PrintTo(IcmpSocketKind kind, std::ostream* out)
{
    switch (kind) {
    case IcmpSocketKind::None:
        *out << "no socket";
        break;
    case IcmpSocketKind::Datagram:
        *out << "datagram socket";
        break;
    case IcmpSocketKind::Raw:
        *out << "raw socket";
        break;
    }
}
