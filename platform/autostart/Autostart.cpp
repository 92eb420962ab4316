#include "platform/autostart/Autostart.h"

#include "platform/autostart/AutostartError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace Autostart
{

namespace
{

const QString EntryName = QStringLiteral("PulsarService.desktop");

QString firstConfigDir()
{
    // Relative entries are invalid in the XDG base directory rules and are skipped.
    const QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        if (QDir::isAbsolutePath(dir))
            return QDir::cleanPath(dir);
    }
    return QStringLiteral("/etc/xdg");
}

} // namespace

QString folder()
{
    return firstConfigDir() + QStringLiteral("/autostart");
}

QString entryPath()
{
    return folder() + u'/' + EntryName;
}

bool writable()
{
    const QByteArray path = QFile::encodeName(folder());
    return QFileInfo(folder()).isDir() && ::access(path.constData(), W_OK | X_OK) == 0;
}

bool exists()
{
    return QFileInfo::exists(entryPath());
}

QString execLine(const QString& executablePath)
{
    // Inside a quoted argument the Exec key wants ", `, $ and \ escaped with a backslash, and
    // the desktop file's own string rules double every backslash again; "%" starts a field code.
    // Control characters that would end the line are written as the file's escapes.
    QString quoted;
    for (QChar c : executablePath) {
        if (c == u'"' || c == u'`' || c == u'$')
            quoted += QStringLiteral("\\\\") + c;
        else if (c == u'\\')
            quoted += QStringLiteral("\\\\\\\\");
        else if (c == u'%')
            quoted += QStringLiteral("%%");
        else if (c == u'\n')
            quoted += QStringLiteral("\\n");
        else if (c == u'\r')
            quoted += QStringLiteral("\\r");
        else if (c == u'\t')
            quoted += QStringLiteral("\\t");
        else
            quoted += c;
    }
    return u'"' + quoted + u'"';
}

void write(const QString& executablePath)
{
    const QString path = entryPath();
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Pulsar Service\n"
                                        "Comment=Pings the devices of the inventory\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "NoDisplay=true\n")
                             .arg(execLine(executablePath));
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw AutostartError(QStringLiteral("Cannot write the autostart entry %1: %2")
                                 .arg(path, file.errorString())
                                 .toStdString());
    }
    // Every user's session reads the system-wide entry.
    QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ReadUser);
}

bool remove()
{
    return QFile::remove(entryPath());
}

} // namespace Autostart
