#pragma once

#include "platform/icmp/IcmpClient.h"

#include <QString>

#include <ostream>

// What one ping did: how often OnReply ran, with what, or the IcmpError text.
struct PingOutcome {
    int calls = 0;
    IcmpReply reply;
    QString error;
};

PingOutcome PingOnce(
    IcmpClient& client, const QString& host, const QByteArray& data = " ", quint16 sequence = 1);

// Readable socket kinds in test names and failure messages; declared here so that every test
// file prints them the same way.
void PrintTo(IcmpSocketKind kind, std::ostream* out);
