#include "common/Slashes.h"

QString ToForwardSlashes(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString ToBackSlashes(QString text)
{
    return text.replace(QLatin1Char('/'), QLatin1Char('\\'));
}
