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
    const int ms = msOfDay(d);
    hour = ms / 3600000;
    minute = ms / 60000 % 60;
    second = ms / 1000 % 60;
    msec = ms % 1000;
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

void civilFromDays(int64_t days, int& year, int& month, int& day)
{
    // Days since 1970-01-01, then the proleptic Gregorian calendar counted in
    // 400-year eras starting on 1 March, so that the leap day ends a year.
    const int64_t z = days - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;                                      // 0..146096
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // 0..399
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);               // 0..365
    const int64_t mp = (5 * doy + 2) / 153;                                    // 0 = March
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

namespace
{
void twoDigits(char* out, int v)
{
    out[0] = char('0' + v / 10);
    out[1] = char('0' + v % 10);
}
} // namespace

bool writeIsoText(TDateTime d, char* out)
{
    // Whole days of 0001-01-01 and 9999-12-31.
    constexpr double FirstDay = -693593.0;
    constexpr double LastDay = 2958465.0;
    if (!std::isfinite(d) || !(std::trunc(d) >= FirstDay) || !(std::trunc(d) <= LastDay))
        return false;
    int year, month, day;
    civilFromDays(int64_t(std::trunc(d)), year, month, day);
    out[0] = char('0' + year / 1000);
    out[1] = char('0' + year / 100 % 10);
    twoDigits(out + 2, year % 100);
    out[4] = '-';
    twoDigits(out + 5, month);
    out[7] = '-';
    twoDigits(out + 8, day);
    out[10] = ' ';
    writeIsoTime(d, out + 11);
    return true;
}

} // namespace dt
