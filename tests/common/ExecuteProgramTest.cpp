#include "common/ExecuteProgram.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/shell/ShellOpen.h"
#include "tests/support/LaunchRecorder.h"
#include "tests/support/QStringPrinters.h"

#include <gtest/gtest.h>

namespace
{

class ExecuteProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Blanks and a "%" in the path: both must reach the system unchanged.
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("service tools 50%")));
        tools = dir.filePath(QStringLiteral("service tools 50%"));
        recorder = tools + QStringLiteral("/record");
        ASSERT_TRUE(launches.install(recorder, dir.filePath(QStringLiteral("record.txt"))));
    }

    void TearDown() override
    {
        SetDocumentOpener(QString());
        qunsetenv("VIGILO_TEST_TOOLS");
    }

    QTemporaryDir dir;
    LaunchRecorder launches;
    QString tools;
    QString recorder;
};

TEST_F(ExecuteProgramTest, StartsTheTrimmedProgramWithItsParameters)
{
    ExecuteProgram(
        QStringLiteral("  ") + recorder + QStringLiteral(" \t"), QStringLiteral("  -h \"two words\"  "));
    EXPECT_EQ(
        launches.waitForRecord(), QStringList({recorder, QStringLiteral("-h"), QStringLiteral("two words")}));
}

TEST_F(ExecuteProgramTest, ExpandsALeadingEnvironmentVariable)
{
    qputenv("VIGILO_TEST_TOOLS", QFile::encodeName(tools));
    ExecuteProgram(QStringLiteral("%VIGILO_TEST_TOOLS%/record"), QStringLiteral("http://127.0.0.1"));
    EXPECT_EQ(launches.waitForRecord(), QStringList({recorder, QStringLiteral("http://127.0.0.1")}));
}

TEST_F(ExecuteProgramTest, TheWindowsBrowserMeansTheDefaultBrowser)
{
    SetDocumentOpener(recorder);
    struct Case {
        QString program;
        QString parameters;
        QString opened;
    };
    const Case cases[] = {
        {QStringLiteral("iexplore"), QStringLiteral("http://127.0.0.1/status"),
            QStringLiteral("http://127.0.0.1/status")},
        {QStringLiteral("IExplore.EXE"), QStringLiteral(" 127.0.0.1 "), QStringLiteral("http://127.0.0.1")},
        {QStringLiteral("C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE"),
            QStringLiteral("http://10.0.0.1"), QStringLiteral("http://10.0.0.1")},
    };
    for (const Case& c : cases) {
        ExecuteProgram(c.program, c.parameters);
        EXPECT_EQ(launches.waitForRecord(), QStringList({recorder, c.opened})) << qPrintable(c.program);
    }
}

} // namespace
