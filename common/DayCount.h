#pragma once

#include <QDateTime>
#include <QString>

// Date-time values as stored in the inventory: days since 30 December 1899, local time, with the
// time of day as the fraction.

double ToDayCount(const QDateTime& dateTime);
QDateTime FromDayCount(double dayCount);

// The current time from Clock::now(), cut to whole seconds.
double NowDayCount();

// "dd.mm.yy hh:mm:ss" as the client shows it; day 0 (a NULL column) shows "30.12.99 00:00:00".
QString FormatDayCount(double dayCount);

// The value as an SQL literal: up to 15 significant digits, '.' whatever the locale, no
// exponent, no trailing zeros, no point when whole.
QString DayCountLiteral(double dayCount);
