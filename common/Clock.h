#pragma once

#include <QDateTime>

// The one place that reads the time, so that tests can set it.
namespace Clock
{
QDateTime now();
void setNow(const QDateTime& fixed);
void reset();
} // namespace Clock
