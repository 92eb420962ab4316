#pragma once

#include <QString>

// The settings file keeps paths with "\" as separator, the program works with "/".
QString ToForwardSlashes(QString text);
QString ToBackSlashes(QString text);
