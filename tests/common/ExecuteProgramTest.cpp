#include "common/ExecuteProgram.h"

#include <csignal>
#include <sys/types.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "platform/shell/ShellOpen.h"

#include <gtest/gtest.h>

// Readable texts in failure messages.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace
{

// A script that records its own path and its arguments, one a line, in $VIGILO_TEST_RECORD.
// The first line is its pid, so that the test can end it should it still run.
const QByteArray recorderScript
    = "#!/bin/sh\n"
      "{ echo \"$$\"; echo \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; }"
      " > \"$VIGILO_TEST_RECORD.part\"\n"
      "mv \"$VIGILO_TEST_RECORD.part\" \"$VIGILO_TEST_RECORD\"\n";

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
        QFile script(recorder);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(recorderScript);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        record = dir.filePath(QStringLiteral("record.txt"));
        qputenv("VIGILO_TEST_RECORD", QFile::encodeName(record));
    }

    void TearDown() override
    {
        SetDocumentOpener(QString());
        qunsetenv("VIGILO_TEST_RECORD");
        qunsetenv("VIGILO_TEST_TOOLS");
    }

    // The recorded path and arguments of the one start, or {} when nothing ran within the wait.
    QStringList waitForRecord(int msecs = 10000) const
    {
        const QDeadlineTimer deadline(msecs);
        while (!QFile::exists(record) && !deadline.hasExpired())
            QThread::msleep(20);
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        file.remove();
        lines.removeLast(); // after the last line break
        const pid_t pid = lines.takeFirst().toInt();
        if (pid > 0 && ::kill(pid, 0) == 0)
            ::kill(pid, SIGKILL);
        return lines;
    }

    QTemporaryDir dir;
    QString tools;
    QString recorder;
    QString record;
};

TEST_F(ExecuteProgramTest, StartsTheTrimmedProgramWithItsParameters)
{
    ExecuteProgram(
        QStringLiteral("  ") + recorder + QStringLiteral(" \t"), QStringLiteral("  -h \"two words\"  "));
    EXPECT_EQ(waitForRecord(), QStringList({recorder, QStringLiteral("-h"), QStringLiteral("two words")}));
}

TEST_F(ExecuteProgramTest, ExpandsALeadingEnvironmentVariable)
{
    qputenv("VIGILO_TEST_TOOLS", QFile::encodeName(tools));
    ExecuteProgram(QStringLiteral("%VIGILO_TEST_TOOLS%/record"), QStringLiteral("http://127.0.0.1"));
    EXPECT_EQ(waitForRecord(), QStringList({recorder, QStringLiteral("http://127.0.0.1")}));
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
        EXPECT_EQ(waitForRecord(), QStringList({recorder, c.opened})) << qPrintable(c.program);
    }
}

} // namespace
