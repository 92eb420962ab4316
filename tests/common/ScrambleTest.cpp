#include "common/Scramble.h"

#include <QSet>

#include <gtest/gtest.h>

namespace
{

TEST(ScrambleTest, MatchesKnownVectorsByteForByte)
{
    struct Case {
        QString value;
        int rotation;
        int filler;
        const char* hex;
    };
    // Worked out by hand from the rotation rule; the long one crosses the wrap from 7 to 1 often.
    const Case cases[] = {
        {QStringLiteral("ab"), 1, 0, "310104828513"}, {QStringLiteral("ab"), 7, 24, "310703ACC289"},
        {QStringLiteral("Provider=SQLite;Data Source=vigilo.db"), 3, 12,
            "3103066A054EDB3BD2912B27A7D4A898A5A3566711B0E8850135ED5D39C695E9672DD9B4D8BD71464C"},
        {QStringLiteral(u"Café"), 5, 2, "31050468D0B0CC0F4D"}, // the value as UTF-8
    };
    for (const Case& c : cases) {
        const QString hex = QString::fromLatin1(c.hex);
        EXPECT_EQ(ScrambleTextWith(c.value, true, c.rotation, c.filler), hex) << c.hex;
        EXPECT_EQ(UnscrambleText(hex, true), c.value) << c.hex;
        // The plain form is the same bytes, one character each.
        const QString plain = QString::fromLatin1(QByteArray::fromHex(c.hex));
        EXPECT_EQ(ScrambleTextWith(c.value, false, c.rotation, c.filler), plain) << c.hex;
        EXPECT_EQ(UnscrambleText(plain, false), c.value) << c.hex;
    }
}

TEST(ScrambleTest, RoundTripsEveryValueWithBlanksKept)
{
    const QString values[] = {
        QStringLiteral("x"),
        QStringLiteral("  pass word  "),
        QStringLiteral("\tsecret\t"),
        QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1;Password='a;b'"),
        QStringLiteral(u"Zoë € ✓"),
        QString(300, QLatin1Char('z')),
    };
    for (const QString& value : values) {
        QSet<QString> seen;
        for (int i = 0; i < 20; ++i) {
            const QString hex = ScrambleText(value, true);
            EXPECT_EQ(hex.size(), 2 * (value.toUtf8().size() + 4));
            EXPECT_TRUE(hex.startsWith(QLatin1String("310"))) << qPrintable(hex);
            EXPECT_EQ(UnscrambleText(hex, true), value);
            EXPECT_EQ(UnscrambleText(ScrambleText(value, false), false), value);
            seen.insert(hex);
        }
        EXPECT_GT(seen.size(), 1) << "start rotation and filler must vary";
    }
    EXPECT_EQ(ScrambleText(QString()), QString());
    EXPECT_EQ(ScrambleText(QStringLiteral(" \t\r\n ")), QString());
    EXPECT_EQ(ScrambleText(QStringLiteral("  "), false), QString());
}

TEST(ScrambleTest, RefusesWhatDoesNotUnscramble)
{
    const QString good = QStringLiteral(
        "3103066A054EDB3BD2912B27A7D4A898A5A3566711B0E8850135ED5D39C695E9672DD9B4D8BD71464C");
    const QString refused[] = {
        QString(),
        QStringLiteral("3101048"), // fewer than four bytes
        QStringLiteral("32") + good.mid(2), // wrong marker
        good.toLower(),
        good.left(20) + QStringLiteral("G") + good.mid(21),
        good.left(20) + QStringLiteral(" ") + good.mid(21),
        QStringLiteral("plain text"),
    };
    for (const QString& text : refused)
        EXPECT_EQ(UnscrambleText(text, true), QString()) << qPrintable(text);
    // Cut by one to six bytes, the end counter no longer fits.
    for (int digits = 2; digits <= 12; ++digits)
        EXPECT_EQ(UnscrambleText(good.left(good.size() - digits), true), QString()) << digits;
    EXPECT_EQ(UnscrambleText(QString::fromLatin1(QByteArray::fromHex("3101")), false), QString());
    EXPECT_EQ(UnscrambleText(QStringLiteral(u"1\u0001\u0004\u0182"), false), QString()); // no byte
}

TEST(ScrambleTest, ReadsTextsFromEarlierInstallations)
{
    // An odd last digit is ignored.
    EXPECT_EQ(UnscrambleText(QStringLiteral("3101048285137"), true), u"ab");
    // "é" scrambled as the single Windows-1252 byte E9.
    EXPECT_EQ(UnscrambleText(QStringLiteral("31010382A7"), true), QStringLiteral(u"é"));
    // The characters between "9" and "A" count as 65535: ":0" is the byte F0, as "F0" is ("<").
    EXPECT_EQ(UnscrambleText(QStringLiteral("31010382F0"), true), u"<");
    EXPECT_EQ(UnscrambleText(QStringLiteral("31010382:0"), true), u"<");
    // A start rotation above 7 turns by its remainder of 8, then the counts run on from 1.
    EXPECT_EQ(UnscrambleText(QStringLiteral("31090282C2"), true), u"a");
}

} // namespace
