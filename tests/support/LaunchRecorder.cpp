#include "tests/support/LaunchRecorder.h"

#include <csignal>
#include <sys/types.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace
{

// The first line is the script's pid, so that the test can end it should it still run. The record
// is written under another name and renamed, so that a reader never sees half of it.
const QByteArray RecorderScript
    = "#!/bin/sh\n"
      "{ echo \"$$\"; echo \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; }"
      " > \"$VIGILO_TEST_RECORD.part\"\n"
      "mv \"$VIGILO_TEST_RECORD.part\" \"$VIGILO_TEST_RECORD\"\n";

} // namespace

LaunchRecorder::~LaunchRecorder()
{
    if (!FRecord.isEmpty())
        qunsetenv("VIGILO_TEST_RECORD");
}

bool LaunchRecorder::install(const QString& scriptPath, const QString& recordPath)
{
    QFile script(scriptPath);
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write(RecorderScript);
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    FScript = scriptPath;
    FRecord = recordPath;
    qputenv("VIGILO_TEST_RECORD", QFile::encodeName(FRecord));
    return true;
}

QStringList LaunchRecorder::waitForRecord(int msecs) const
{
    const QDeadlineTimer deadline(msecs);
    while (!QFile::exists(FRecord) && !deadline.hasExpired())
        QThread::msleep(20);
    QFile file(FRecord);
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
