#pragma once

#include <QString>
#include <QtGlobal>

// Outcome of one echo request, handed to IcmpClient::OnReply.
struct IcmpReply {
    static constexpr int EchoReply = 0;
    static constexpr int TimedOut = 2;
    static constexpr int DestinationUnreachable = 3;
    static constexpr int TimeExceeded = 4;

    int status = TimedOut;
    // Who answered: the pinged host for an echo reply, the reporting router for an ICMP error,
    // empty after a time-out.
    QString fromAddress;
    quint16 sequence = 0;
    // Milliseconds from sending until the answer arrived (until giving up after a time-out).
    int roundTripMs = 0;
};
