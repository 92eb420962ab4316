#include "tests/support/TestPaths.h"

#include <QDir>

namespace TestPaths {

QString binDir()
{
    return qEnvironmentVariable("VIGILO_BIN_DIR");
}

QString sourceDir()
{
    return qEnvironmentVariable("VIGILO_SOURCE_DIR");
}

QString program(const QString& name)
{
    return QDir(binDir()).filePath(name);
}

} // namespace TestPaths
