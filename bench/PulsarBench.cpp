// pulsar-bench: what one ping pass of the server costs.
//
// For each N it fills an SQLite inventory with N devices on 127.0.x.y, runs one pass of the
// server's own cycle code over it, and times `fping -c1 -t100` over the same addresses in the
// same run. For the largest N it also starts the real pulsar program on such an inventory and
// reads its peak resident memory once its first pass is over. Only loopback addresses are used.
//
//   pulsar-bench [N ...]          (default: 100 1000 10000)
//   pulsar-bench --no-fping --no-server 500
#include "common/Inventory.h"
#include "platform/control/ControlChannel.h"
#include "platform/db/DbConnection.h"
#include "server/TMainForm.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace
{

constexpr int MaxDevices = 40 * 254 * 6;

QTextStream out(stdout);

QString addressOf(int index)
{
    // 127.0.x.y with y in 1..254: every one of them answers on the loopback interface.
    return QStringLiteral("127.%1.%2.%3")
        .arg(index / (254 * 256))
        .arg(index / 254 % 256)
        .arg(index % 254 + 1);
}

void fillInventory(const QString& file, int count)
{
    DbConnection db;
    db.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file);
    db.openForCreate();
    Inventory::create(db);
    db.database().transaction();
    for (int i = 0; i < count; ++i) {
        db.execute(QStringLiteral("insert into AssetList (IPAddress, DeviceName, CreatedDate, CreatedBy, "
                                  "ModifiedDate, ModifiedBy, PingInterval, AcceptSlow) "
                                  "values (?, ?, 0, 'bench', 0, 'bench', 60, 0)"),
            {addressOf(i), QStringLiteral("device %1").arg(i)});
    }
    db.database().commit();
}

int countPinged(const QString& file)
{
    DbConnection db;
    db.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file);
    db.open();
    QSqlQuery query = db.run(QStringLiteral("select count(*) from AssetList where LastPing is not null"));
    return query.next() ? query.value(0).toInt() : -1;
}

void writeSettings(const QString& folder, const QString& dataSource)
{
    QFile ini(QDir(folder).filePath(QStringLiteral("vigilo.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Connection]\nRCT=1\nNativeLogin=1\nConnectionString=Provider=SQLite;Data Source="
        + dataSource.toUtf8() + "\n");
}

// Ends a process that overran its time, by its id.
void killProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(process.processId()), SIGKILL);
    process.waitForFinished(5000);
}

// One pass of the server's cycle over the inventory; milliseconds, or -1 when it went wrong.
qint64 timePass(const QString& folder, int count, QString& problem)
{
    TMainForm form(QDir(folder).filePath(QStringLiteral("vigilo.ini")), QStringLiteral("pulsar-bench"));
    QString lastStatus;
    QObject::connect(&form, &TMainForm::StatusShown, [&](const QString& text) { lastStatus = text; });
    form.LoadSettings();
    QElapsedTimer timer;
    timer.start();
    form.PingDevices();
    const qint64 elapsed = timer.elapsed();
    const int answered = countPinged(QDir(folder).filePath(QStringLiteral("inventory.db")));
    if (answered != count) {
        problem
            = QStringLiteral("%1 of %2 answered; last status: %3").arg(answered).arg(count).arg(lastStatus);
        return -1;
    }
    return elapsed;
}

qint64 timeFping(const QString& folder, int count, QString& problem)
{
    const QString list = QDir(folder).filePath(QStringLiteral("addresses.txt"));
    QFile file(list);
    file.open(QIODevice::WriteOnly);
    for (int i = 0; i < count; ++i)
        file.write(addressOf(i).toLatin1() + '\n');
    file.close();

    QProcess fping;
    fping.setStandardOutputFile(QProcess::nullDevice());
    fping.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    fping.start(QStringLiteral("fping"),
        {QStringLiteral("-c1"), QStringLiteral("-t100"), QStringLiteral("-q"), QStringLiteral("-f"), list});
    if (!fping.waitForStarted(5000)) {
        problem = QStringLiteral("fping did not start (Debian package fping)");
        return -1;
    }
    const int limitMs = 60000 + count * 50;
    if (!fping.waitForFinished(limitMs)) {
        killProcess(fping);
        problem = QStringLiteral("fping took longer than %1 ms").arg(limitMs);
        return -1;
    }
    const qint64 elapsed = timer.elapsed();
    if (fping.exitCode() != 0)
        problem = QStringLiteral("fping exit code %1 (not every address answered)").arg(fping.exitCode());
    return elapsed;
}

qint64 peakKiB(qint64 pid, const char* field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The real program on its own copy of the inventory: peak resident memory after its first pass.
void measureServer(int count)
{
    QTemporaryDir folder;
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pulsar"));
    const QString copy = folder.filePath(QStringLiteral("pulsar"));
    if (!QFile::copy(program, copy)) {
        out << "server: cannot copy " << program << "\n";
        return;
    }
    fillInventory(folder.filePath(QStringLiteral("inventory.db")), count);
    writeSettings(folder.path(), QStringLiteral("inventory.db"));
    QDir(folder.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(
        folder.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // The server's control socket lives in a runtime folder of this run, away from a real one.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.filePath(QStringLiteral("run"))));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), folder.filePath(QStringLiteral("xdg")));

    QProcess server;
    server.setProcessEnvironment(environment);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(folder.filePath(QStringLiteral("pulsar.log")));
    server.start(copy, {});
    if (!server.waitForStarted(10000)) {
        out << "server: did not start\n";
        return;
    }
    const qint64 pid = server.processId();
    const QDeadlineTimer deadline(120000 + qint64(count) * 20);
    int answered = 0;
    while (!deadline.hasExpired() && server.state() == QProcess::Running) {
        answered = countPinged(folder.filePath(QStringLiteral("inventory.db")));
        if (answered == count)
            break;
        QThread::msleep(200);
    }
    const qint64 peak = peakKiB(pid, "VmHWM:");
    const qint64 now = peakKiB(pid, "VmRSS:");
    ControlChannel::post(ControlChannel::Close);
    if (!server.waitForFinished(10000))
        killProcess(server);
    out << QStringLiteral(
        "server: pulsar process, first pass over %1 devices (%2 answered): peak RSS %3 MiB, "
        "RSS after the pass %4 MiB\n")
               .arg(count)
               .arg(answered)
               .arg(peak / 1024.0, 0, 'f', 1)
               .arg(now / 1024.0, 0, 'f', 1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool withFping = true;
    bool withServer = true;
    QList<int> counts;
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument == QStringLiteral("--no-fping")) {
            withFping = false;
        } else if (argument == QStringLiteral("--no-server")) {
            withServer = false;
        } else if (bool ok = false; argument.toInt(&ok) > 0 && ok && argument.toInt() <= MaxDevices) {
            counts << argument.toInt();
        } else {
            std::fprintf(
                stderr, "usage: pulsar-bench [--no-fping] [--no-server] [N (1..%d) ...]\n", MaxDevices);
            return 2;
        }
    }
    if (counts.isEmpty())
        counts = {100, 1000, 10000};

    out << "N\tpass ms\tper device ms\tfping ms\tpass/fping\n";
    out.flush();
    for (int count : counts) {
        QTemporaryDir folder;
        fillInventory(folder.filePath(QStringLiteral("inventory.db")), count);
        writeSettings(folder.path(), QStringLiteral("inventory.db"));
        QString problem;
        const qint64 pass = timePass(folder.path(), count, problem);
        qint64 fping = -1;
        if (pass >= 0 && withFping)
            fping = timeFping(folder.path(), count, problem);
        out << count << '\t' << pass << '\t'
            << (pass >= 0 ? QString::number(double(pass) / count, 'f', 3) : "-") << '\t'
            << (fping >= 0 ? QString::number(fping) : "-") << '\t'
            << (pass >= 0 && fping > 0 ? QString::number(double(pass) / fping, 'f', 3) : "-") << '\n';
        if (!problem.isEmpty())
            out << "  note: " << problem << '\n';
        out.flush();
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    out << QStringLiteral("bench process peak RSS (all passes, core only): %1 MiB\n")
               .arg(usage.ru_maxrss / 1024.0, 0, 'f', 1);
    out.flush();
    if (withServer)
        measureServer(*std::max_element(counts.begin(), counts.end()));
    return 0;
}
