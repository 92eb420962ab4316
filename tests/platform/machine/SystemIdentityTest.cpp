#include "platform/machine/SystemIdentity.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

TEST(SystemIdentityTest, FileSystemIdentityFoldsTheIdThatStatShows)
{
    const QString stat = QStandardPaths::findExecutable(QStringLiteral("stat"));
    if (stat.isEmpty())
        GTEST_SKIP() << "stat is not installed";
    QProcess process;
    process.start(
        stat, {QStringLiteral("-f"), QStringLiteral("-c"), QStringLiteral("%i"), QStringLiteral("/")});
    ASSERT_TRUE(process.waitForFinished(10000));
    // stat shows both 32-bit words of the id as one hexadecimal number.
    const quint64 id = process.readAllStandardOutput().trimmed().toULongLong(nullptr, 16);
    const auto folded = static_cast<quint32>(id >> 32) ^ static_cast<quint32>(id);
    const QString expected
        = folded == 0 ? QString() : QStringLiteral("%1").arg(folded, 8, 16, QLatin1Char('0')).toUpper();
    EXPECT_EQ(FileSystemIdentity(QStringLiteral("/")), expected);
}

TEST(SystemIdentityTest, FileSystemIdentityIsEmptyForNoPath)
{
    EXPECT_EQ(FileSystemIdentity(QString()), QString());
    EXPECT_EQ(FileSystemIdentity(QStringLiteral("/no/such/folder/vigilo")), QString());
}

TEST(SystemIdentityTest, MachineIdFileGivesItsFirstEightDigitsUpperCased)
{
    QTemporaryDir dir;
    struct Case {
        const char* content;
        const char* expected;
    };
    const Case cases[] = {
        {"3d1219c7c4c5404aaa1f6d2a48adfda4\n", "3D1219C7"},
        {"\n  0a1b2c3d\n", "0A1B2C3D"},
        {"3d12\n", ""},
        {"uninitialized\n", ""},
        {"", ""},
    };
    const QString file = dir.filePath(QStringLiteral("machine-id"));
    for (const Case& c : cases) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(c.content);
        out.close();
        EXPECT_EQ(MachineIdFileIdentity(file), QString::fromLatin1(c.expected)) << c.content;
    }
    EXPECT_EQ(MachineIdFileIdentity(dir.filePath(QStringLiteral("missing"))), QString());
}

} // namespace
