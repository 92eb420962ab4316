#include "common/Clock.h"

namespace
{

QDateTime& fixedTime()
{
    static QDateTime fixed;
    return fixed;
}

} // namespace

namespace Clock
{

QDateTime now()
{
    return fixedTime().isValid() ? fixedTime() : QDateTime::currentDateTime();
}

void setNow(const QDateTime& fixed)
{
    fixedTime() = fixed;
}

void reset()
{
    fixedTime() = QDateTime();
}

} // namespace Clock
