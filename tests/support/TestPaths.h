#pragma once

#include <QString>

// Where the build put the programs and where the sources are, as ctest hands them to tests.
namespace TestPaths {
QString binDir();
QString sourceDir();
QString program(const QString& name);
} // namespace TestPaths
