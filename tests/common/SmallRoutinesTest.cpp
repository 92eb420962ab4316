#include <QCoreApplication>
#include <QRegularExpression>

#include "common/ForbiddenChars.h"
#include "common/MachineIdentity.h"
#include "common/Slashes.h"
#include "platform/machine/SystemIdentity.h"

#include <gtest/gtest.h>

namespace
{

TEST(ForbiddenCharsTest, HoldsTheSignsThatCouldBreakAQuotedText)
{
    const QString chars = ForbiddenChars();
    EXPECT_EQ(chars.size(), 27);
    const char16_t expected[] = u"!\"#\u00A4%&/()=?@\u00A3${[]}+\\'*^\u00A8~`\u00B4";
    for (const QChar c : QStringView(expected))
        EXPECT_TRUE(IsForbiddenChar(c)) << int(c.unicode());
    for (const QChar c : QStringView(u"aZ09 .-_:;,<>|\u00E9\u20AC"))
        EXPECT_FALSE(IsForbiddenChar(c)) << int(c.unicode());
}

TEST(SlashesTest, ConvertsOnlyTheSeparators)
{
    EXPECT_EQ(ToForwardSlashes(QStringLiteral("C:\\Help\\a/b.hlp")), u"C:/Help/a/b.hlp");
    EXPECT_EQ(ToBackSlashes(QStringLiteral("/usr/share/vigilo\\x.hlp")), u"\\usr\\share\\vigilo\\x.hlp");
}

TEST(MachineIdentityTest, IsTheFileSystemOfTheProgramFolderAsEightHexDigits)
{
    const QString identity = MachineIdentity();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}$")).match(identity).hasMatch())
        << qPrintable(identity);
    const QString fileSystem = FileSystemIdentity(QCoreApplication::applicationDirPath());
    if (!fileSystem.isEmpty()) {
        EXPECT_EQ(identity, fileSystem);
    }
    EXPECT_EQ(MachineIdentity(), identity) << "must not change within a run";
}

} // namespace
