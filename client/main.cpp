// Vigilo, the desktop client. The monitor window comes with the client's own windows; for now the
// program tells the operator which settings file and inventory it would use.
#include "common/IniStore.h"
#include "common/Scramble.h"
#include "platform/db/ConnectionString.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString iniPath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vigilo.ini"));
    QTextStream out(stdout);
    if (!QFileInfo::exists(iniPath)) {
        out << "No settings file at " << iniPath << "\n";
        return 1;
    }
    const IniStore ini(iniPath);
    QString connection = ini.readString(QStringLiteral("Connection"), QStringLiteral("ConnectionString"), QString());
    if (!ini.readBool(QStringLiteral("Connection"), QStringLiteral("RCT"), false))
        connection = UnscrambleText(connection, true);
    out << "Settings file: " << iniPath << "\n"
        << "Inventory:     " << ConnectionString(connection).redacted() << "\n"
        << "The monitor window is not part of this build yet.\n";
    return 0;
}
