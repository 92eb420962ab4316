#include "common/DayCount.h"

#include <cmath>

#include "common/Clock.h"

namespace
{

constexpr qint64 msecsPerDay = 86400000;
// Beyond 31 December 9999 a day count is no date of ours.
constexpr double largestDayCount = 2958466.0;

QDate epoch()
{
    return QDate(1899, 12, 30);
}

} // namespace

double ToDayCount(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const QDateTime local = dateTime.toLocalTime();
    const double days = static_cast<double>(epoch().daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / static_cast<double>(msecsPerDay);
    // Before the epoch the whole part counts back while the fraction still counts forward.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime FromDayCount(double dayCount)
{
    if (!std::isfinite(dayCount) || std::fabs(dayCount) > largestDayCount)
        return {};
    const double whole = std::trunc(dayCount);
    qint64 msecs = std::llround(std::fabs(dayCount - whole) * msecsPerDay);
    QDate date = epoch().addDays(static_cast<qint64>(whole));
    if (msecs >= msecsPerDay) {
        date = date.addDays(1);
        msecs -= msecsPerDay;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
}

double NowDayCount()
{
    const QDateTime now = Clock::now().toLocalTime();
    return ToDayCount(now.addMSecs(-now.time().msec()));
}

QString FormatDayCount(double dayCount)
{
    return FromDayCount(dayCount).toString(QStringLiteral("dd.MM.yy hh:mm:ss"));
}

QString DayCountLiteral(double dayCount)
{
    if (dayCount == 0 || !std::isfinite(dayCount))
        return QStringLiteral("0");
    const QString general = QString::number(dayCount, 'g', 15);
    if (!general.contains(QLatin1Char('e')))
        return general;
    // Far from the usual range: write the same 15 digits out without an exponent.
    const QString scientific = QString::number(dayCount, 'e', 14);
    const int exponent = scientific.mid(scientific.indexOf(QLatin1Char('e')) + 1).toInt();
    QString fixed = QString::number(dayCount, 'f', std::max(0, 14 - exponent));
    if (fixed.contains(QLatin1Char('.'))) {
        while (fixed.endsWith(QLatin1Char('0')))
            fixed.chop(1);
        if (fixed.endsWith(QLatin1Char('.')))
            fixed.chop(1);
    }
    return fixed;
}
