#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A program a test starts and is sure to end: every wait has a limit, and whatever still runs
// when the runner goes is killed by its process id (SIGTERM, then SIGKILL).
class ProcessRunner
{
public:
    ProcessRunner();
    ~ProcessRunner();
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    void setWorkingDirectory(const QString& folder);
    // Replaces the environment the program gets (the test's own by default).
    void setEnvironment(const QProcessEnvironment& environment);
    QProcessEnvironment environment() const;

    // Starts the program; false when it could not be started within timeoutMs.
    bool start(const QString& program, const QStringList& arguments = {}, int timeoutMs = 10000);
    qint64 pid() const { return FPid; }
    bool isRunning();

    // Waits until the program has ended; false when it still runs after timeoutMs.
    bool waitForExit(int timeoutMs);
    int exitCode() const;
    // Ended by a signal rather than by exit().
    bool crashed() const;

    // Asks the program to end (SIGTERM) and kills it (SIGKILL) when it has not after graceMs.
    // True when it ended on SIGTERM.
    bool stop(int graceMs = 5000);
    // SIGKILL by process id; returns when the process is gone (bounded).
    void kill();

    // Everything the program wrote so far.
    QByteArray standardOutput();
    QByteArray standardError();
    // Waits until the standard error written since byte `from` contains text; false when the
    // time ran out or the program ended without writing it.
    bool waitForError(const QString& text, int timeoutMs, qsizetype from = 0);

    // Runs a program to its end within timeoutMs (killed by process id after that).
    struct Result {
        bool finished = false;
        int exitCode = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };
    static Result run(const QString& program, const QStringList& arguments, int timeoutMs,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

private:
    void collect();
    void signal(int signalNumber);

    QProcess FProcess;
    qint64 FPid = 0;
    QByteArray FOutput;
    QByteArray FError;
};
