#include "server/StatusText.h"

#include <gtest/gtest.h>

TEST(StatusText, WrapsAtFortyColumns)
{
    const QString a19(19, u'a'), b20(20, u'b'), b21(21, u'b'), x70(70, u'x');
    const struct {
        QString text;
        QString wrapped;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("Pinging 3 Device(s)"), QStringLiteral("Pinging 3 Device(s)")},
        // 50 characters of words: two lines.
        {QStringLiteral("The quick brown fox jumps over the lazy dog again!"),
            QStringLiteral("The quick brown fox jumps over the lazy\r\ndog again!")},
        // Exactly 40 stays; 41 breaks at the blank, which does not stay at the line's end.
        {a19 + u' ' + b20, a19 + u' ' + b20},
        {a19 + u' ' + b21, a19 + QStringLiteral("\r\n") + b21},
        // Nothing to break at: one line, however long.
        {x70, x70},
        // After a hyphen, which stays; after a tab.
        {QString(30, u'a') + u'-' + b20, QString(30, u'a') + QStringLiteral("-\r\n") + b20},
        {QString(30, u'a') + u'\t' + b20, QString(30, u'a') + QStringLiteral("\r\n") + b20},
        // A first word longer than a line is broken after, not cut.
        {QString(45, u'a') + QStringLiteral(" bb cc"), QString(45, u'a') + QStringLiteral("\r\nbb cc")},
        // Runs of blanks at a break are dropped.
        {a19 + QStringLiteral("     ") + b21, a19 + QStringLiteral("\r\n") + b21},
        // Quoted text is not broken.
        {QStringLiteral("Pinger: \"one two three four five six seven eight\" failed"),
            QStringLiteral("Pinger:\r\n\"one two three four five six seven eight\"\r\nfailed")},
        {QStringLiteral("Update: 'one two three four five six seven eight nine ten"),
            QStringLiteral("Update:\r\n'one two three four five six seven eight nine ten")},
        // Existing line breaks stay, as CR LF; each line is wrapped on its own.
        {QStringLiteral("first\nsecond\r\nthird\rfourth"),
            QStringLiteral("first\r\nsecond\r\nthird\r\nfourth")},
        {QStringLiteral("Update: ") + a19 + u' ' + b21 + QStringLiteral("\nok"),
            QStringLiteral("Update: ") + a19 + QStringLiteral("\r\n") + b21 + QStringLiteral("\r\nok")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WrapText(c.text, 40), c.wrapped) << c.text.toStdString();
}

TEST(StatusText, OneLineForTheLog)
{
    EXPECT_EQ(OneLine(QStringLiteral("a\r\nb\nc\rd")), QStringLiteral("a b c d"));
    EXPECT_EQ(OneLine(QStringLiteral("plain")), QStringLiteral("plain"));
}
