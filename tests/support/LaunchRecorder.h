#pragma once

#include <QString>
#include <QStringList>

// A stand-in for the programs that code under test starts: a shell script that records the path
// it was started as and its arguments, one a line, in a record file that the test then reads. The
// script finds the record file through $VIGILO_TEST_RECORD, which install() sets and the
// destructor removes again.
class LaunchRecorder
{
public:
    LaunchRecorder() = default;
    ~LaunchRecorder();
    LaunchRecorder(const LaunchRecorder&) = delete;
    LaunchRecorder& operator=(const LaunchRecorder&) = delete;

    // Writes the script to scriptPath, executable by its owner, and has it record into
    // recordPath; false when the script could not be written.
    bool install(const QString& scriptPath, const QString& recordPath);
    QString script() const { return FScript; }

    // The recorded path and arguments of the one start, or {} when nothing ran within the wait.
    // The record is removed, so that the next start can be waited for; a script that still runs
    // is killed by its process id.
    QStringList waitForRecord(int msecs = 10000) const;

private:
    QString FScript;
    QString FRecord;
};
