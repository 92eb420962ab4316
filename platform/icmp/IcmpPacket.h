#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <optional>

// Building echo requests and recognising what comes back for them. Addresses are IPv4 in network
// byte order, as they come out of the socket API.
namespace IcmpPacket
{

constexpr quint8 EchoReplyType = 0;
constexpr quint8 DestinationUnreachableType = 3;
constexpr quint8 EchoRequestType = 8;
constexpr quint8 TimeExceededType = 11;
constexpr quint8 ParameterProblemType = 12;
constexpr int HeaderSize = 8;

// The request whose answer is awaited: everything an answer must repeat.
struct Request {
    quint32 target = 0;
    quint16 identifier = 0;
    quint16 sequence = 0;
    QByteArray payload;
};

// An ICMP message found to answer the request: its type and code and who sent it.
struct Answer {
    quint8 type = 0;
    quint8 code = 0;
    quint32 from = 0;
};

quint16 Checksum(const uchar* data, std::size_t size);
QByteArray EchoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload);

// An echo reply (ICMP header onwards) carrying the request's identifier, sequence and payload.
bool IsEchoReplyTo(const uchar* icmp, std::size_t size, const Request& request);
// The request as quoted in an ICMP error (ICMP header onwards). Routers quote at least the
// header; whatever part of the payload they quote must be ours.
bool QuotesRequest(const uchar* icmp, std::size_t size, const Request& request);
// A whole IPv4 packet read from a raw socket: an echo reply from the target or an ICMP error
// about the request. Anything else (other programs' traffic, damaged packets) gives nothing.
std::optional<Answer> MatchRawPacket(const uchar* packet, std::size_t size, const Request& request);

} // namespace IcmpPacket
