#pragma once
// Date-times are day counts since 1899-12-30 held in a double; the fraction is
// the local time of day. This is the representation stored in every file and
// registry value of the program, so it is used throughout instead of QDateTime.

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstdint>

using TDateTime = double;

namespace dt
{

constexpr double OneSecond = 1.0 / 86400.0;
constexpr double OneMillisecond = 1.0 / 86400000.0;

// Days between 0001-01-01 (proleptic Gregorian) and 1899-12-30.
TDateTime encodeDate(int year, int month, int day);
TDateTime encodeTime(int hour, int minute, int second, int msec = 0);
TDateTime encode(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                 int msec = 0);
void decodeDate(TDateTime d, int& year, int& month, int& day);
// Time of day of d, rounded to the nearest millisecond; a time that would
// round up to the next day reads 23:59:59.999.
void decodeTime(TDateTime d, int& hour, int& minute, int& second, int& msec);

// Whole-day part, truncated towards zero; the time of day is the size of the
// fraction, so stored day counts before 1899-12-30 read right: -1.25 is
// day -1 at 06:00.
TDateTime datePart(TDateTime d);
TDateTime timePart(TDateTime d);

// 1 = Sunday .. 7 = Saturday: the numbering the cost engine maps onto a
// profile's day rows.
int dayOfWeek(TDateTime d);
// 1 = Monday .. 7 = Sunday (ISO).
int isoDayOfWeek(TDateTime d);

// Elapsed whole seconds from a to b: (b - a) / OneSecond, truncated.
int64_t secondsBetween(TDateTime a, TDateTime b);

QDate toQDate(TDateTime d);
QTime toQTime(TDateTime d);
QDateTime toQDateTime(TDateTime d);
TDateTime fromQDate(const QDate& d);
TDateTime fromQDateTime(const QDateTime& d);

// "YYYY-MM-DD hh:mm:ss", used by the command-line tool and logs.
QString toIsoText(TDateTime d);
// Parses "YYYY-MM-DD hh:mm:ss" or "YYYY-MM-DD"; returns false on anything else.
bool fromIsoText(const QString& text, TDateTime& out);

// Year, month and day of a whole-day count, by integer arithmetic alone (no
// date object); days counted from 1899-12-30 like the date-times.
void civilFromDays(int64_t days, int& year, int& month, int& day);

// Writes exactly the 19 characters toIsoText(d) gives into out, without
// building a date-time object: for listing many records. False, and nothing
// written, for a value outside the years 1..9999 or that is not a number;
// the caller then uses toIsoText.
constexpr int IsoTextLength = 19;
bool writeIsoText(TDateTime d, char* out);
// Milliseconds since midnight of d's time of day, as decodeTime reads them:
// rounded to the nearest, a time that would round up to the next day read
// as 23:59:59.999, no time at all in a value that is not a finite number.
inline int msOfDay(TDateTime d)
{
    if (!std::isfinite(d))
        return 0;
    const double ms = std::fabs(d - std::trunc(d)) * 86400000.0; // below a day: fits
    // Halves away from zero; taking the whole part off a non-negative
    // double is exact, so this is the library's rounding without its call.
    int64_t whole = int64_t(ms);
    whole += ms - double(whole) >= 0.5 ? 1 : 0;
    return whole >= 86400000 ? 86399999 : int(whole);
}

// "00" to "99", two characters each.
inline constexpr char TwoDigits[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";

// The last 8 characters of writeIsoText alone, "hh:mm:ss", for any d.
inline void writeIsoTime(TDateTime d, char* out)
{
    const int ms = msOfDay(d);
    const int seconds = ms / 1000;
    const auto two = [](char* at, int v) {
        at[0] = TwoDigits[2 * v];
        at[1] = TwoDigits[2 * v + 1];
    };
    two(out, seconds / 3600);
    out[2] = ':';
    two(out + 3, seconds / 60 % 60);
    out[5] = ':';
    two(out + 6, seconds % 60);
}

} // namespace dt
