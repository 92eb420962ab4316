// Echo over the host's loopback with whichever socket the host allows.
#include "tests/platform/icmp/PingOutcome.h"

#include <gtest/gtest.h>

namespace
{

struct LoopbackCase {
    const char* host;
    QByteArray data;
    quint16 sequence;
    const char* from;
};

TEST(IcmpLoopback, EchoRepliesComeBackOnceWithTheirSequence)
{
    const LoopbackCase cases[] = {
        {"127.0.0.1", " ", 1, "127.0.0.1"},
        {"127.0.0.2", " ", 65535, "127.0.0.2"},
        {"127.0.0.1", "", 0, "127.0.0.1"},
        {"127.0.0.3", QByteArray(1400, 'x'), 7, "127.0.0.3"},
        // A line taken from a note keeps its line end.
        {" 127.0.0.2\r\n", " ", 1, "127.0.0.2"},
    };
    IcmpClient client;
    client.ReceiveTimeout = 2000;
    for (const LoopbackCase& c : cases) {
        SCOPED_TRACE(c.host);
        const PingOutcome outcome = PingOnce(client, QString::fromLatin1(c.host), c.data, c.sequence);
        if (outcome.error.contains(QStringLiteral("ping_group_range")))
            GTEST_SKIP() << "no ICMP socket for this user: " << outcome.error.toStdString();
        ASSERT_EQ(outcome.error, QString());
        EXPECT_EQ(outcome.calls, 1);
        EXPECT_EQ(outcome.reply.status, IcmpReply::EchoReply);
        EXPECT_EQ(outcome.reply.fromAddress, QString::fromLatin1(c.from));
        EXPECT_EQ(outcome.reply.sequence, c.sequence);
        EXPECT_GE(outcome.reply.roundTripMs, 0);
        EXPECT_LT(outcome.reply.roundTripMs, client.ReceiveTimeout);
    }
    EXPECT_NE(client.socketKind(), IcmpSocketKind::None);
}

} // namespace
