#include "common/MachineIdentity.h"

#include <QCoreApplication>

#include "platform/machine/SystemIdentity.h"

QString MachineIdentity()
{
    const QString programFolder
        = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    QString identity = FileSystemIdentity(programFolder);
    if (identity.isEmpty())
        identity = MachineIdFileIdentity();
    if (identity.isEmpty())
        identity = QStringLiteral("00000000");
    return identity;
}
