#include "common/DateTime.h"

#include <QRegularExpression>
#include <cmath>

namespace dt
{

namespace
{
constexpr qint64 EpochJulianDay = 2415019; // QDate(1899, 12, 30).toJulianDay()

// Whole days of d; a value that is no number or lies far beyond any calendar
// (a damaged file) gives one beyond QDate's range, so it decodes to no date
// instead of overflowing the conversion.
qint64 wholeDays(TDateTime d)
{
    constexpr double Beyond = 1e15;
    return std::fabs(d) < Beyond ? qint64(std::trunc(d)) : qint64(Beyond);
}
} // namespace

TDateTime encodeDate(int year, int month, int day)
{
    const QDate d(year, month, day);
    if (!d.isValid())
        return 0;
    return double(d.toJulianDay() - EpochJulianDay);
}

TDateTime encodeTime(int hour, int minute, int second, int msec)
{
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
}

TDateTime encode(int year, int month, int day, int hour, int minute, int second, int msec)
{
    const TDateTime date = encodeDate(year, month, day);
    const TDateTime time = encodeTime(hour, minute, second, msec);
    return date >= 0 ? date + time : date - time;
}

TDateTime datePart(TDateTime d)
{
    return std::trunc(d);
}

TDateTime timePart(TDateTime d)
{
    return std::fabs(d - std::trunc(d));
}

void decodeDate(TDateTime d, int& year, int& month, int& day)
{
    const QDate q = QDate::fromJulianDay(wholeDays(d) + EpochJulianDay);
    year = q.year();
    month = q.month();
    day = q.day();
}

void decodeTime(TDateTime d, int& hour, int& minute, int& second, int& msec)
{
    // No time of day in a value that is not a finite number.
    const double part = std::isfinite(d) ? timePart(d) : 0.0;
    qint64 ms = qint64(std::llround(part * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    hour = int(ms / 3600000);
    minute = int(ms / 60000 % 60);
    second = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

int dayOfWeek(TDateTime d)
{
    // 1899-12-30 was a Saturday (7).
    const qint64 days = wholeDays(d);
    int r = int(((days % 7) + 7 + 6) % 7); // 0 = Sunday
    return r + 1;
}

int isoDayOfWeek(TDateTime d)
{
    const int w = dayOfWeek(d);
    return w == 1 ? 7 : w - 1;
}

int64_t secondsBetween(TDateTime a, TDateTime b)
{
    return int64_t((b - a) / OneSecond);
}

QDate toQDate(TDateTime d)
{
    return QDate::fromJulianDay(wholeDays(d) + EpochJulianDay);
}

QTime toQTime(TDateTime d)
{
    int h, m, s, ms;
    decodeTime(d, h, m, s, ms);
    return QTime(h, m, s, ms);
}

QDateTime toQDateTime(TDateTime d)
{
    return QDateTime(toQDate(d), toQTime(d));
}

TDateTime fromQDate(const QDate& d)
{
    return double(d.toJulianDay() - EpochJulianDay);
}

TDateTime fromQDateTime(const QDateTime& d)
{
    const QTime t = d.time();
    return fromQDate(d.date()) + encodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

QString toIsoText(TDateTime d)
{
    return toQDateTime(d).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool fromIsoText(const QString& text, TDateTime& out)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\d{4})-(\d{2})-(\d{2})(?:[ T](\d{2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return false;
    int h = 0, mi = 0, s = 0;
    if (m.capturedLength(4) > 0) {
        h = m.captured(4).toInt();
        mi = m.captured(5).toInt();
        s = m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0;
        if (h > 23 || mi > 59 || s > 59)
            return false;
    }
    out = fromQDate(date) + encodeTime(h, mi, s);
    return true;
}

} // namespace dt
