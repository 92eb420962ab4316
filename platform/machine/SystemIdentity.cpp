#include "platform/machine/SystemIdentity.h"

#include <cctype>
#include <sys/vfs.h>

#include <QFile>

namespace
{

QString eightHexDigits(quint32 value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString FileSystemIdentity(const QString& path)
{
    if (path.isEmpty())
        return {};
    // statfs gives both 32-bit words of the id; statvfs packs them into one long and sign-extends
    // the first word on the way, so the second would be lost for half of all file systems.
    struct statfs info {
    };
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    const quint32 folded
        = static_cast<quint32>(info.f_fsid.__val[0]) ^ static_cast<quint32>(info.f_fsid.__val[1]);
    return folded == 0 ? QString() : eightHexDigits(folded);
}

QString MachineIdFileIdentity()
{
    return MachineIdFileIdentity(QStringLiteral("/etc/machine-id"));
}

QString MachineIdFileIdentity(const QString& machineIdFile)
{
    QFile file(machineIdFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(64).trimmed().left(8);
    if (head.size() < 8)
        return {};
    for (const char c : head) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    }
    return QString::fromLatin1(head).toUpper();
}
