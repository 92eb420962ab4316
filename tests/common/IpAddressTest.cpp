#include "common/IpAddress.h"

#include <gtest/gtest.h>

namespace
{

TEST(IpAddressTest, ConvertsDottedAddressesAndAnswersZeroForAnythingElse)
{
    struct Case {
        const char* text;
        quint32 value;
    };
    const Case cases[] = {
        {"10.0.0.1", 167772161u},
        {"192.168.1.10", 3232235786u},
        {"255.255.255.255", 4294967295u},
        {"01.02.03.04", 16909060u},
        {" 10.0.0.1 ", 167772161u}, // blanks around a part are allowed
        {"1.2.3.x", 16909056u}, // a part that is no number counts as 0
        {"1.2.3.", 16909056u},
        {"1..3.4", 16777988u},
        {"0.0.0.0", 0u},
        {"1.2.3", 0u},
        {"1.2.3.4.5", 0u},
        {"256.1.1.1", 0u},
        {"1.2.3.-1", 0u},
        {"1.2.3.99999999999", 0u}, // too large for any part, not read as 0
        {"a.b.c.d", 0u},
        {"", 0u},
        {"host.example.org", 0u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IPAddressToValue(QString::fromLatin1(c.text)), c.value) << c.text;
}

} // namespace
