#include "tests/support/ProcessRunner.h"

#include <QDeadlineTimer>

#include <csignal>
#include <sys/types.h>

namespace
{

constexpr int KillWaitMs = 5000;
constexpr int PollMs = 20;

} // namespace

ProcessRunner::ProcessRunner()
{
    FProcess.setReadChannel(QProcess::StandardError);
}

ProcessRunner::~ProcessRunner()
{
    if (isRunning())
        stop(2000);
}

void ProcessRunner::setWorkingDirectory(const QString& folder)
{
    FProcess.setWorkingDirectory(folder);
}

void ProcessRunner::setEnvironment(const QProcessEnvironment& environment)
{
    FProcess.setProcessEnvironment(environment);
}

QProcessEnvironment ProcessRunner::environment() const
{
    const QProcessEnvironment set = FProcess.processEnvironment();
    return set.isEmpty() ? QProcessEnvironment::systemEnvironment() : set;
}

bool ProcessRunner::start(const QString& program, const QStringList& arguments, int timeoutMs)
{
    FOutput.clear();
    FError.clear();
    FProcess.start(program, arguments);
    if (!FProcess.waitForStarted(timeoutMs)) {
        kill();
        return false;
    }
    FPid = FProcess.processId();
    return true;
}

bool ProcessRunner::isRunning()
{
    return FProcess.state() != QProcess::NotRunning;
}

void ProcessRunner::collect()
{
    FOutput += FProcess.readAllStandardOutput();
    FError += FProcess.readAllStandardError();
}

bool ProcessRunner::waitForExit(int timeoutMs)
{
    if (isRunning())
        FProcess.waitForFinished(timeoutMs);
    collect();
    return !isRunning();
}

int ProcessRunner::exitCode() const
{
    return FProcess.exitCode();
}

bool ProcessRunner::crashed() const
{
    return FProcess.exitStatus() == QProcess::CrashExit;
}

void ProcessRunner::signal(int signalNumber)
{
    if (FPid > 0 && isRunning())
        ::kill(pid_t(FPid), signalNumber);
}

bool ProcessRunner::stop(int graceMs)
{
    signal(SIGTERM);
    if (waitForExit(graceMs))
        return true;
    kill();
    return false;
}

void ProcessRunner::kill()
{
    signal(SIGKILL);
    waitForExit(KillWaitMs);
}

QByteArray ProcessRunner::standardOutput()
{
    collect();
    return FOutput;
}

QByteArray ProcessRunner::standardError()
{
    collect();
    return FError;
}

bool ProcessRunner::waitForError(const QString& text, int timeoutMs, qsizetype from)
{
    const QByteArray wanted = text.toUtf8();
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        collect();
        if (FError.indexOf(wanted, from) >= 0)
            return true;
        if (!isRunning() || deadline.hasExpired())
            return false;
        FProcess.waitForReadyRead(int(qMin<qint64>(PollMs * 10, qMax<qint64>(1, deadline.remainingTime()))));
    }
}

ProcessRunner::Result ProcessRunner::run(const QString& program, const QStringList& arguments, int timeoutMs,
    const QProcessEnvironment& environment)
{
    ProcessRunner runner;
    runner.setEnvironment(environment);
    Result result;
    if (!runner.start(program, arguments, timeoutMs))
        return result;
    result.finished = runner.waitForExit(timeoutMs);
    if (!result.finished)
        runner.kill();
    result.exitCode = runner.exitCode();
    result.standardOutput = runner.standardOutput();
    result.standardError = runner.standardError();
    return result;
}
