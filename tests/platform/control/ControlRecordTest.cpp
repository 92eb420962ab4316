#include "platform/control/ControlRecord.h"

#include <gtest/gtest.h>

TEST(ControlRecord, WellFormedLinesParse)
{
    const struct {
        const char* line;
        int message;
        qint64 wParam;
        qint64 lParam;
    } cases[] = {
        {"1324 0 0", 1324, 0, 0},
        {"16 0 0", 16, 0, 0},
        {"1325 -1 9223372036854775807", 1325, -1, 9223372036854775807LL},
        {"2147483647 0 0", 2147483647, 0, 0},
    };
    for (const auto& c : cases) {
        const auto record = ControlRecord::parse(c.line);
        ASSERT_TRUE(record) << c.line;
        EXPECT_EQ(record->message, c.message) << c.line;
        EXPECT_EQ(record->wParam, c.wParam) << c.line;
        EXPECT_EQ(record->lParam, c.lParam) << c.line;
        EXPECT_EQ(record->toBytes(), QByteArray(c.line).append('\n'));
    }
}

TEST(ControlRecord, AnythingElseIsRefused)
{
    const char* lines[] = {
        "",
        "1324",
        "1324 0",
        "1324 0 0 0",
        "1324  0 0",
        " 1324 0 0",
        "1324 0 0 ",
        "1324 0 0\r",
        "1324\t0 0",
        "+1324 0 0",
        "-16 0 0",
        "1324 +0 0",
        "1324 - 0",
        "1324 0 x",
        "0x52C 0 0",
        "2147483648 0 0",
        "1324 0 9223372036854775808",
        "1324 0 00000000000000000000",
        "restart",
        "1324 0 0 1324 0 0 1324 0 0 1324 0 0 1324 0 0 1324 0 0 1324 0 0",
    };
    for (const char* line : lines)
        EXPECT_FALSE(ControlRecord::parse(line)) << '"' << line << '"';
    EXPECT_FALSE(ControlRecord::parse(QByteArray("1324\0 0 0", 9)));
}
