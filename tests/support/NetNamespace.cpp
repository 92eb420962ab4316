#include "tests/support/NetNamespace.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace
{

constexpr int CommandTimeoutMs = 10000;

QString IpProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("ip"),
        {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"),
            QStringLiteral("/bin")});
}

// Runs `ip arguments` with a bounded wait; returns an error text, empty on success.
QString RunIp(const QStringList& arguments, QString* output = nullptr)
{
    const QString program = IpProgram();
    if (program.isEmpty())
        return QStringLiteral("the ip program (iproute2) is not installed");
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForFinished(CommandTimeoutMs)) {
        process.kill();
        process.waitForFinished(CommandTimeoutMs);
        return QStringLiteral("ip %1: no end within %2 ms").arg(arguments.join(u' ')).arg(CommandTimeoutMs);
    }
    const QString text = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (output)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("ip %1: %2").arg(arguments.join(u' '), text);
    return {};
}

void RunIpOrThrow(const QStringList& arguments)
{
    const QString error = RunIp(arguments);
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
}

// Namespaces left by test processes that died before deleting theirs.
void RemoveOrphans()
{
    QString list;
    if (!RunIp({QStringLiteral("netns"), QStringLiteral("list")}, &list).isEmpty())
        return;
    static const QRegularExpression ours(
        QStringLiteral("^(vigilo-(\\d+)-\\d+)\\b"), QRegularExpression::MultilineOption);
    for (auto match = ours.globalMatch(list); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        const pid_t pid = pid_t(found.captured(2).toLongLong());
        if (pid != getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            RunIp({QStringLiteral("netns"), QStringLiteral("delete"), found.captured(1)});
    }
}

QString NextName()
{
    static std::atomic<int> counter {0};
    return QStringLiteral("vigilo-%1-%2").arg(getpid()).arg(counter++);
}

} // namespace

QString NetNamespace::UnavailableReason()
{
    static const QString reason = [] {
        if (geteuid() != 0)
            return QStringLiteral("creating network namespaces needs root (CI runs the tests as root)");
        if (IpProgram().isEmpty())
            return QStringLiteral("the ip program (iproute2) is not installed");
        try {
            NetNamespace probe;
        } catch (const std::exception& e) {
            return QStringLiteral("network namespaces are not available here: %1")
                .arg(QString::fromUtf8(e.what()));
        }
        return QString();
    }();
    return reason;
}

NetNamespace::NetNamespace()
    : FName(NextName())
{
    static const bool cleaned = (RemoveOrphans(), true);
    Q_UNUSED(cleaned);
    RunIpOrThrow({QStringLiteral("netns"), QStringLiteral("add"), FName});
    try {
        ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")});
    } catch (...) {
        RunIp({QStringLiteral("netns"), QStringLiteral("delete"), FName});
        throw;
    }
}

NetNamespace::~NetNamespace()
{
    // Deleting the namespace also removes the veth ends inside it.
    RunIp({QStringLiteral("netns"), QStringLiteral("delete"), FName});
}

void NetNamespace::ip(const QStringList& arguments) const
{
    RunIpOrThrow(QStringList {QStringLiteral("-n"), FName} + arguments);
}

void NetNamespace::setSysctl(const QString& key, const QString& value) const
{
    // /proc/sys/net shows the namespace of the thread that opens it.
    const QString path = QStringLiteral("/proc/sys/") + QString(key).replace(u'.', u'/');
    run([&] {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(value.toUtf8()) < 0 || !file.flush())
            throw std::runtime_error(
                QStringLiteral("cannot set %1 = %2: %3").arg(key, value, file.errorString()).toStdString());
    });
}

std::future<void> NetNamespace::start(std::function<void()> work) const
{
    const QString path = QStringLiteral("/run/netns/") + FName;
    return std::async(std::launch::async, [path, work = std::move(work)] {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            throw std::runtime_error(
                QStringLiteral("cannot enter %1: %2")
                    .arg(path, QString::fromStdString(std::generic_category().message(error)))
                    .toStdString());
        }
        ::close(fd);
        work();
    });
}

void NetNamespace::link(const NetNamespace& a, const QString& nameA, const QString& addressA,
    const NetNamespace& b, const QString& nameB, const QString& addressB)
{
    // Made inside a and moved straight to b: the interface names never appear in the host.
    a.ip(
        {QStringLiteral("link"), QStringLiteral("add"), nameA, QStringLiteral("type"), QStringLiteral("veth"),
            QStringLiteral("peer"), QStringLiteral("name"), nameB, QStringLiteral("netns"), b.name()});
    a.ip({QStringLiteral("addr"), QStringLiteral("add"), addressA, QStringLiteral("dev"), nameA});
    b.ip({QStringLiteral("addr"), QStringLiteral("add"), addressB, QStringLiteral("dev"), nameB});
    a.ip({QStringLiteral("link"), QStringLiteral("set"), nameA, QStringLiteral("up")});
    b.ip({QStringLiteral("link"), QStringLiteral("set"), nameB, QStringLiteral("up")});
}
