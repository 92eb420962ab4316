#include "common/DayCount.h"

#include <clocale>

#include <QLocale>

#include "common/Clock.h"

#include <gtest/gtest.h>

namespace
{

QDateTime local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec));
}

TEST(DayCountTest, ConvertsFormatsAndWritesLiterals)
{
    struct Case {
        QDateTime time;
        double days;
        const char* literal;
        const char* shown;
    };
    const Case cases[] = {
        {local(2024, 1, 15, 10, 30, 45), 45306 + 37845 / 86400.0, "45306.4380208333", "15.01.24 10:30:45"},
        {local(2024, 1, 15), 45306, "45306", "15.01.24 00:00:00"},
        {local(2024, 1, 15, 23, 59, 59), 45306 + 86399 / 86400.0, "45306.9999884259", "15.01.24 23:59:59"},
        {local(1899, 12, 30), 0, "0", "30.12.99 00:00:00"},
        {local(1900, 1, 1, 12), 2.5, "2.5", "01.01.00 12:00:00"},
        {local(1899, 12, 29, 6), -1.25, "-1.25", "29.12.99 06:00:00"},
    };
    for (const Case& c : cases) {
        const QString when = c.time.toString(Qt::ISODate);
        EXPECT_DOUBLE_EQ(ToDayCount(c.time), c.days) << qPrintable(when);
        EXPECT_EQ(FromDayCount(c.days), c.time) << qPrintable(when);
        EXPECT_EQ(DayCountLiteral(c.days), QString::fromLatin1(c.literal)) << qPrintable(when);
        EXPECT_EQ(FormatDayCount(c.days), QString::fromLatin1(c.shown)) << qPrintable(when);
    }
}

TEST(DayCountTest, EverySecondSurvivesTheLiteralAndTheWayBack)
{
    // Values go to SQL as literals of 15 digits and come back as doubles.
    for (int second = 0; second < 86400; second += 7) {
        const QDateTime time = local(2031, 7, 3).addSecs(second);
        const double readBack = DayCountLiteral(ToDayCount(time)).toDouble();
        ASSERT_EQ(FromDayCount(readBack), time) << second;
    }
}

TEST(DayCountTest, LiteralKeepsItsPointUnderACommaLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // where installed
    EXPECT_EQ(DayCountLiteral(45306 + 37845 / 86400.0), u"45306.4380208333");
    EXPECT_EQ(FormatDayCount(45306 + 37845 / 86400.0), u"15.01.24 10:30:45");
    std::setlocale(LC_NUMERIC, numeric.c_str());
    QLocale::setDefault(previous);
}

TEST(DayCountTest, NowIsTheClockCutToWholeSeconds)
{
    Clock::setNow(local(2024, 1, 15, 10, 30, 45, 987));
    EXPECT_EQ(DayCountLiteral(NowDayCount()), u"45306.4380208333");
    Clock::reset();
    EXPECT_LE(qAbs(NowDayCount() - ToDayCount(QDateTime::currentDateTime())), 2 / 86400.0);
}

TEST(DayCountTest, LiteralNeverUsesAnExponent)
{
    EXPECT_EQ(DayCountLiteral(1 / 86400.0), u"0.0000115740740740741");
    EXPECT_EQ(DayCountLiteral(-0.0), u"0");
}

} // namespace
