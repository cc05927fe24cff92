#pragma once
// Date-times are day counts since 1899-12-30 held in a double; the fraction is
// the local time of day. This is the representation stored in every file and
// registry value of the program, so it is used throughout instead of QDateTime.

#include <QDate>
#include <QDateTime>
#include <QTime>
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
// Its last 8 characters alone, "hh:mm:ss", for any d.
void writeIsoTime(TDateTime d, char* out);

} // namespace dt
