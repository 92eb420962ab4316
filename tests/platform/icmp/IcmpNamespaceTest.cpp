// ICMP in a small network of namespaces: client A, router R, silent host B.
//
//   A a0 10.250.0.1/30 -- r0 10.250.0.2/30 R r1 10.250.0.5/30 -- b0 10.250.0.6/30 B (+ 10.250.0.9/32)
//
// R has an unreachable route for 10.251.0.0/24; 10.252.0.0/24 loops between R and B until the
// TTL runs out; B ignores echo requests. All pings run on threads inside A, so nothing leaves
// these namespaces.
#include "platform/icmp/IcmpPacket.h"
#include "tests/platform/icmp/PingOutcome.h"
#include "tests/support/NetNamespace.h"

#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace
{

const QString SilentHost = QStringLiteral("10.250.0.6");
const QString AllGroups = QStringLiteral("0 2147483647");
const QString NoGroups = QStringLiteral("1 0");

QStringList Words(const char* text, const char* argument = nullptr)
{
    const QString words = QString::fromLatin1(text);
    return (argument ? words.arg(QString::fromLatin1(argument)) : words).split(u' ');
}

QString KindName(IcmpSocketKind kind)
{
    return kind == IcmpSocketKind::Datagram ? QStringLiteral("Datagram") : QStringLiteral("Raw");
}

class PingLabTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = NetNamespace::UnavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
    }

    // A gets datagram sockets only when its ping_group_range lets root's group in; otherwise
    // the client falls back to a raw socket (the test runs as root).
    void BuildLab(IcmpSocketKind kind)
    {
        A = std::make_unique<NetNamespace>();
        R = std::make_unique<NetNamespace>();
        B = std::make_unique<NetNamespace>();
        A->setSysctl(QStringLiteral("net.ipv4.ping_group_range"),
            kind == IcmpSocketKind::Datagram ? AllGroups : NoGroups);
        for (const NetNamespace* forwarder : {R.get(), B.get()}) {
            forwarder->setSysctl(QStringLiteral("net.ipv4.ip_forward"), QStringLiteral("1"));
            // The TTL loop passes A's packets through R from the wrong side.
            forwarder->setSysctl(QStringLiteral("net.ipv4.conf.all.rp_filter"), QStringLiteral("0"));
            forwarder->setSysctl(QStringLiteral("net.ipv4.conf.default.rp_filter"), QStringLiteral("0"));
        }
        B->setSysctl(QStringLiteral("net.ipv4.icmp_echo_ignore_all"), QStringLiteral("1"));

        NetNamespace::link(*A, QStringLiteral("a0"), QStringLiteral("10.250.0.1/30"), *R,
            QStringLiteral("r0"), QStringLiteral("10.250.0.2/30"));
        NetNamespace::link(*R, QStringLiteral("r1"), QStringLiteral("10.250.0.5/30"), *B,
            QStringLiteral("b0"), QStringLiteral("10.250.0.6/30"));
        B->ip(Words("addr add 10.250.0.9/32 dev b0"));
        for (const char* net : {"10.250.0.4/30", "10.250.0.8/30", "10.251.0.0/24", "10.252.0.0/24"})
            A->ip(Words("route add %1 via 10.250.0.2", net));
        R->ip(Words("route add unreachable 10.251.0.0/24"));
        R->ip(Words("route add 10.250.0.9/32 via 10.250.0.6"));
        R->ip(Words("route add 10.252.0.0/24 via 10.250.0.6"));
        B->ip(Words("route add default via 10.250.0.5"));
    }

    void TearDown() override
    {
        A.reset();
        R.reset();
        B.reset();
    }

    std::unique_ptr<NetNamespace> A, R, B;
};

class PingLabModes : public PingLabTest, public ::testing::WithParamInterface<IcmpSocketKind>
{
protected:
    void SetUp() override
    {
        PingLabTest::SetUp();
        if (!IsSkipped())
            BuildLab(GetParam());
    }
};

struct NetworkCase {
    const char* host;
    int status;
    std::vector<const char*> from; // any of these
};

TEST_P(PingLabModes, AnswersOfRoutersAndSilenceGiveTheirStatus)
{
    const NetworkCase cases[] = {
        {"10.250.0.2", IcmpReply::EchoReply, {"10.250.0.2"}},
        {"10.250.0.6", IcmpReply::TimedOut, {""}},
        {"10.251.0.1", IcmpReply::DestinationUnreachable, {"10.250.0.2"}},
        {"10.252.0.1", IcmpReply::TimeExceeded, {"10.250.0.2", "10.250.0.5", "10.250.0.6"}},
    };
    std::vector<PingOutcome> outcomes;
    IcmpSocketKind kind = IcmpSocketKind::None;
    A->run([&] {
        IcmpClient client;
        client.ReceiveTimeout = 400;
        for (const NetworkCase& c : cases)
            outcomes.push_back(PingOnce(client, QString::fromLatin1(c.host)));
        kind = client.socketKind();
    });

    EXPECT_EQ(kind, GetParam());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].host);
        const PingOutcome& outcome = outcomes[i];
        ASSERT_EQ(outcome.error, QString());
        EXPECT_EQ(outcome.calls, 1);
        EXPECT_EQ(outcome.reply.status, cases[i].status);
        EXPECT_EQ(outcome.reply.sequence, 1);
        QStringList allowed;
        for (const char* from : cases[i].from)
            allowed << QString::fromLatin1(from);
        EXPECT_TRUE(allowed.contains(outcome.reply.fromAddress)) << outcome.reply.fromAddress.toStdString();
        if (cases[i].status == IcmpReply::TimedOut) {
            EXPECT_GE(outcome.reply.roundTripMs, 400);
        }
    }
}

// Builds answers to the requests that arrive at B from sockets of B's, as another program or a
// late network would.
class Forger
{
public:
    explicit Forger(const NetNamespace& b)
    {
        b.run([this] {
            FMain = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
            FOther = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
            sockaddr_in other {};
            other.sin_family = AF_INET;
            inet_pton(AF_INET, "10.250.0.9", &other.sin_addr);
            if (FMain < 0 || FOther < 0
                || ::bind(FOther, reinterpret_cast<sockaddr*>(&other), sizeof other) != 0)
                throw std::runtime_error("cannot open the raw sockets of the forger");
        });
    }
    ~Forger()
    {
        ::close(FMain);
        ::close(FOther);
    }

    // The next echo request from A as the whole IP packet; empty when none came in time.
    QByteArray NextRequest()
    {
        QByteArray buffer(65536, '\0');
        QDeadlineTimer deadline(3000);
        for (;;) {
            pollfd wait {FMain, POLLIN, 0};
            if (::poll(&wait, 1, int(deadline.remainingTime())) <= 0)
                return {};
            sockaddr_in from {};
            socklen_t size = sizeof from;
            const ssize_t n = ::recvfrom(
                FMain, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
            if (n <= 20)
                continue;
            const int headerSize = (buffer[0] & 0x0f) * 4;
            if (n > headerSize && quint8(buffer[headerSize]) == IcmpPacket::EchoRequestType
                && from.sin_addr.s_addr == inet_addr("10.250.0.1"))
                return buffer.left(n);
        }
    }

    // request turned into its echo reply; change() may alter the ICMP message first.
    static QByteArray EchoReply(
        const QByteArray& request, const std::function<void(QByteArray&)>& change = {})
    {
        QByteArray icmp = request.mid((request[0] & 0x0f) * 4);
        icmp[0] = char(IcmpPacket::EchoReplyType);
        if (change)
            change(icmp);
        return WithChecksum(icmp);
    }

    // A destination-unreachable quoting the request; change() may alter the quoted packet.
    static QByteArray Unreachable(QByteArray quoted, const std::function<void(QByteArray&)>& change = {})
    {
        if (change)
            change(quoted);
        QByteArray icmp(IcmpPacket::HeaderSize, '\0');
        icmp[0] = char(IcmpPacket::DestinationUnreachableType);
        icmp[1] = 1; // host unreachable
        return WithChecksum(icmp + quoted);
    }

    void Send(const QByteArray& icmp, bool fromOtherAddress = false)
    {
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = inet_addr("10.250.0.1");
        ::sendto(fromOtherAddress ? FOther : FMain, icmp.constData(), icmp.size(), 0,
            reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

private:
    static QByteArray WithChecksum(QByteArray icmp)
    {
        icmp[2] = icmp[3] = 0;
        const quint16 sum
            = IcmpPacket::Checksum(reinterpret_cast<const uchar*>(icmp.constData()), icmp.size());
        icmp[2] = char(sum >> 8);
        icmp[3] = char(sum);
        return icmp;
    }

    int FMain = -1;
    int FOther = -1;
};

enum class Forgery {
    Echo,
    OtherData,
    OtherSequence,
    OtherIdentifier,
    OtherSource,
    EarlierRequest,
    ForeignThenEcho,
    UnreachableQuotingRequest,
    UnreachableOtherSequence,
    UnreachableOtherDestination,
};

struct ForgeryCase {
    const char* name;
    Forgery forgery;
    int status;
};

void Answer(Forger& forger, Forgery forgery, const QByteArray& request, const QByteArray& earlier)
{
    const int ipSize = (request[0] & 0x0f) * 4;
    auto increment = [](QByteArray& bytes, int at) { bytes[at + 1] = char(bytes[at + 1] + 1); };
    switch (forgery) {
    case Forgery::Echo:
        forger.Send(Forger::EchoReply(request));
        break;
    case Forgery::OtherData:
        forger.Send(Forger::EchoReply(request, [](QByteArray& icmp) { icmp[icmp.size() - 1] = 'x'; }));
        break;
    case Forgery::OtherSequence:
        forger.Send(Forger::EchoReply(request, [&](QByteArray& icmp) { increment(icmp, 6); }));
        break;
    case Forgery::OtherIdentifier:
        forger.Send(Forger::EchoReply(request, [&](QByteArray& icmp) { increment(icmp, 4); }));
        break;
    case Forgery::OtherSource:
        forger.Send(Forger::EchoReply(request), true);
        break;
    case Forgery::EarlierRequest:
        forger.Send(Forger::EchoReply(earlier));
        break;
    case Forgery::ForeignThenEcho:
        forger.Send(Forger::EchoReply(request, [](QByteArray& icmp) { icmp[icmp.size() - 1] = 'x'; }));
        forger.Send(Forger::EchoReply(request));
        break;
    case Forgery::UnreachableQuotingRequest:
        forger.Send(Forger::Unreachable(request));
        break;
    case Forgery::UnreachableOtherSequence:
        forger.Send(Forger::Unreachable(request, [&](QByteArray& quoted) { increment(quoted, ipSize + 6); }));
        break;
    case Forgery::UnreachableOtherDestination:
        forger.Send(Forger::Unreachable(request, [](QByteArray& quoted) { quoted[19] = 9; }));
        break;
    }
}

// The host B stays silent; what reaches A is only what the forger sends. Only answers that
// carry this very request's identifier, sequence and data from the pinged address count.
TEST_P(PingLabModes, ForeignAndLateAnswersAreNotTakenForOurs)
{
    const ForgeryCase cases[] = {
        {"echo", Forgery::Echo, IcmpReply::EchoReply},
        {"other data", Forgery::OtherData, IcmpReply::TimedOut},
        {"other sequence", Forgery::OtherSequence, IcmpReply::TimedOut},
        {"other identifier", Forgery::OtherIdentifier, IcmpReply::TimedOut},
        {"other source", Forgery::OtherSource, IcmpReply::TimedOut},
        {"answer to the earlier request", Forgery::EarlierRequest, IcmpReply::TimedOut},
        {"foreign answer, then ours", Forgery::ForeignThenEcho, IcmpReply::EchoReply},
        {"unreachable quoting the request", Forgery::UnreachableQuotingRequest,
            IcmpReply::DestinationUnreachable},
        {"unreachable quoting another sequence", Forgery::UnreachableOtherSequence, IcmpReply::TimedOut},
        {"unreachable quoting another destination", Forgery::UnreachableOtherDestination,
            IcmpReply::TimedOut},
    };
    Forger forger(*B);
    std::vector<PingOutcome> outcomes;
    IcmpSocketKind kind = IcmpSocketKind::None;
    std::future<void> client = A->start([&] {
        IcmpClient pinger;
        pinger.ReceiveTimeout = 300;
        for (std::size_t i = 0; i < std::size(cases); ++i)
            outcomes.push_back(PingOnce(pinger, SilentHost));
        kind = pinger.socketKind();
    });

    QByteArray earlier;
    for (const ForgeryCase& c : cases) {
        const QByteArray request = forger.NextRequest();
        ASSERT_FALSE(request.isEmpty()) << "no request for " << c.name;
        Answer(forger, c.forgery, request, earlier);
        earlier = request;
    }
    client.get();

    EXPECT_EQ(kind, GetParam());
    ASSERT_EQ(outcomes.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(outcomes[i].error, QString());
        EXPECT_EQ(outcomes[i].calls, 1);
        EXPECT_EQ(outcomes[i].reply.status, cases[i].status);
    }
}

INSTANTIATE_TEST_SUITE_P(Sockets, PingLabModes,
    ::testing::Values(IcmpSocketKind::Datagram, IcmpSocketKind::Raw),
    [](const auto& info) { return KindName(info.param).toStdString(); });

// Names are looked up from inside A, which has no route to any name server: the lookup fails at
// once and no query leaves the namespaces.
TEST_F(PingLabTest, NamesThatDoNotResolveRaiseWithoutReply)
{
    BuildLab(IcmpSocketKind::Raw);
    const QString hosts[] = {QStringLiteral("no-such-host.invalid"), QStringLiteral("::1"), QString()};
    std::vector<PingOutcome> outcomes;
    A->run([&] {
        IcmpClient client;
        client.ReceiveTimeout = 200;
        for (const QString& host : hosts)
            outcomes.push_back(PingOnce(client, host));
    });
    for (std::size_t i = 0; i < std::size(hosts); ++i) {
        SCOPED_TRACE(hosts[i].toStdString());
        EXPECT_EQ(outcomes[i].calls, 0);
        EXPECT_TRUE(
            outcomes[i].error.startsWith(QStringLiteral("Cannot resolve host name \"%1\": ").arg(hosts[i])))
            << outcomes[i].error.toStdString();
    }
}

// Takes CAP_NET_RAW out of the calling thread's effective set, as for an ordinary user.
void DropNetRaw()
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        throw std::runtime_error("capget failed");
    data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    if (::syscall(SYS_capset, &header, data) != 0)
        throw std::runtime_error("capset failed");
}

TEST_F(PingLabTest, WithoutRawCapabilityOnlyTheGroupRangeAllowsPinging)
{
    struct Case {
        QString groupRange;
        IcmpSocketKind kind;
    };
    const Case cases[] = {{AllGroups, IcmpSocketKind::Datagram}, {NoGroups, IcmpSocketKind::None}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groupRange.toStdString());
        NetNamespace lonely;
        lonely.setSysctl(QStringLiteral("net.ipv4.ping_group_range"), c.groupRange);
        PingOutcome outcome;
        IcmpSocketKind kind = IcmpSocketKind::None;
        lonely.run([&] {
            DropNetRaw();
            IcmpClient client;
            client.ReceiveTimeout = 1000;
            outcome = PingOnce(client, QStringLiteral("127.0.0.1"));
            kind = client.socketKind();
        });
        EXPECT_EQ(kind, c.kind);
        if (c.kind == IcmpSocketKind::Datagram) {
            EXPECT_EQ(outcome.error, QString());
            EXPECT_EQ(outcome.calls, 1);
            EXPECT_EQ(outcome.reply.status, IcmpReply::EchoReply);
        } else {
            EXPECT_EQ(outcome.calls, 0);
            EXPECT_TRUE(outcome.error.contains(
                QStringLiteral("sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"")))
                << outcome.error.toStdString();
            EXPECT_TRUE(outcome.error.contains(QStringLiteral("setcap cap_net_raw+ep /")))
                << outcome.error.toStdString();
        }
    }
}

} // namespace
