#include "platform/icmp/IcmpPacket.h"

#include <algorithm>
#include <cstring>

namespace IcmpPacket
{

namespace
{

constexpr int MinIpHeaderSize = 20;
constexpr quint8 IcmpProtocol = 1;

quint16 Read16(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

quint32 ReadAddress(const uchar* p)
{
    quint32 address;
    std::memcpy(&address, p, sizeof address);
    return address;
}

// Length of a plausible IPv4 header carrying ICMP at the front of the buffer, or 0.
std::size_t IcmpIpHeaderSize(const uchar* ip, std::size_t size)
{
    if (size < std::size_t(MinIpHeaderSize) || (ip[0] >> 4) != 4 || ip[9] != IcmpProtocol)
        return 0;
    const std::size_t headerSize = std::size_t(ip[0] & 0x0f) * 4;
    return headerSize >= std::size_t(MinIpHeaderSize) && headerSize <= size ? headerSize : 0;
}

bool IsErrorType(quint8 type)
{
    return type == DestinationUnreachableType || type == TimeExceededType || type == ParameterProblemType;
}

} // namespace

quint16 Checksum(const uchar* data, std::size_t size)
{
    quint32 sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += Read16(data + i);
    if (size % 2)
        sum += quint32(data[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

QByteArray EchoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload)
{
    QByteArray packet(HeaderSize, '\0');
    packet[0] = char(EchoRequestType);
    packet[4] = char(identifier >> 8);
    packet[5] = char(identifier);
    packet[6] = char(sequence >> 8);
    packet[7] = char(sequence);
    packet += payload;
    const quint16 sum
        = Checksum(reinterpret_cast<const uchar*>(packet.constData()), std::size_t(packet.size()));
    packet[2] = char(sum >> 8);
    packet[3] = char(sum);
    return packet;
}

bool IsEchoReplyTo(const uchar* icmp, std::size_t size, const Request& request)
{
    return size == HeaderSize + std::size_t(request.payload.size()) && icmp[0] == EchoReplyType
        && icmp[1] == 0 && Read16(icmp + 4) == request.identifier && Read16(icmp + 6) == request.sequence
        && std::memcmp(icmp + HeaderSize, request.payload.constData(), std::size_t(request.payload.size()))
        == 0;
}

bool QuotesRequest(const uchar* icmp, std::size_t size, const Request& request)
{
    if (size < std::size_t(HeaderSize) || icmp[0] != EchoRequestType || Read16(icmp + 4) != request.identifier
        || Read16(icmp + 6) != request.sequence)
        return false;
    const std::size_t quoted = std::min(size - HeaderSize, std::size_t(request.payload.size()));
    return std::memcmp(icmp + HeaderSize, request.payload.constData(), quoted) == 0;
}

std::optional<Answer> MatchRawPacket(const uchar* packet, std::size_t size, const Request& request)
{
    const std::size_t ipSize = IcmpIpHeaderSize(packet, size);
    if (ipSize == 0 || size - ipSize < std::size_t(HeaderSize))
        return std::nullopt;
    const uchar* icmp = packet + ipSize;
    const std::size_t icmpSize = size - ipSize;
    const Answer answer {icmp[0], icmp[1], ReadAddress(packet + 12)};

    if (answer.type == EchoReplyType) {
        // Raw sockets get packets before the kernel checks them, so the checksum is ours to test.
        if (answer.from == request.target && Checksum(icmp, icmpSize) == 0
            && IsEchoReplyTo(icmp, icmpSize, request))
            return answer;
        return std::nullopt;
    }
    if (!IsErrorType(answer.type))
        return std::nullopt;

    const uchar* quotedIp = icmp + HeaderSize;
    const std::size_t quotedSize = icmpSize - HeaderSize;
    const std::size_t quotedIpSize = IcmpIpHeaderSize(quotedIp, quotedSize);
    if (quotedIpSize == 0 || ReadAddress(quotedIp + 16) != request.target)
        return std::nullopt;
    if (!QuotesRequest(quotedIp + quotedIpSize, quotedSize - quotedIpSize, request))
        return std::nullopt;
    return answer;
}

} // namespace IcmpPacket
