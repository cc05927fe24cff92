#pragma once
// Number and date-time patterns ("#,#0.00", "dddd, d mmmm yyyy", "hh.nn.ss",
// ...), implemented once for the whole program. Separators, day and month names and the short
// date / long time formats come from the given locale (by default Qt's
// default locale, which is the system locale unless a test pins another).
//
// Number patterns: "#,#", "#,#0", "#,#0.00", "#0.00", "##0.##", "#", "#.00",
// "#0,00": ',' anywhere turns on thousands grouping and is no decimal point
// (so "#0,00" shows 1234.5 as "1.235"); the first '.' marks the decimal
// point; '0' forces a digit, '#' an optional one (the first '0' of "#0,00"
// forces three integer digits: 5 shows as "005", and "#" shows 0 as ""). The
// value is rounded half away from zero to the number of decimal places,
// working on its first 18 significant digits (2.675 is stored as
// 2.67499999999999982 and gives "2,67" with "#0.00").
// Several sections "positive;negative;zero" are honoured; a value that
// rounds to zero never shows a minus sign.
// Date-time patterns: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss,
// "m" after h/hh means minutes, quoted text is literal, '/' and ':' are the
// locale's date and time separators.
//
// Separators are taken from the locale's own short formats: the date
// separator is the first non-letter character of its short date format, the
// time separator that of its short time format. For Italian that gives "/"
// and ":" ("dd/MM/yy", "HH:mm").

#include "common/DateTime.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace fmt
{

QString formatFloat(const QString& pattern, double value, const QLocale& locale = QLocale());
QString formatDateTime(const QString& pattern, TDateTime value, const QLocale& locale = QLocale());

QString dateSeparator(const QLocale& locale = QLocale());
QString timeSeparator(const QLocale& locale = QLocale());

// The locale's short date format and long time format in the pattern
// notation above (e.g. "dd/mm/yyyy" and "hh.nn.ss" or "hh:nn:ss"). A
// two-digit year of the locale's short date is widened to four digits, so
// dates shown and stored as text never lose their century; the time zone
// that some long time formats carry is left out.
QString shortDatePattern(const QLocale& locale = QLocale());
QString shortTimePattern(const QLocale& locale = QLocale());
QString longTimePattern(const QLocale& locale = QLocale());
QString formatShortDate(TDateTime value, const QLocale& locale = QLocale());
QString formatLongTime(TDateTime value, const QLocale& locale = QLocale());

// Strict parsers: the whole text (spaces around it allowed) must be read.
// An integer: optional sign and decimal digits, within 32 bits ("1,5", "1.5"
// and "1e3" are not integers).
std::optional<int> parseInt(const QString& text);
// A decimal: optional sign, digits with the locale's decimal separator,
// optional exponent; no group separators. A plain integer is a decimal too.
std::optional<double> parseFloat(const QString& text, const QLocale& locale = QLocale());
// A time of day "h:nn[:ss]" with the locale's time separator (or ':' / '.').
std::optional<TDateTime> parseTime(const QString& text, const QLocale& locale = QLocale());
// A date in the order of the locale's short date format, two- or four-digit
// year. Fields are separated by the locale's date separator (or '/', '.',
// '-'), the same one between all three; the month may also be a month name. A two-digit year lands
// in the 100 years that begin 50 years before currentYear (2020: "03" is 2003, "68" is 2068, "70"
// is 1970). The overload without a year uses the system date's year.
std::optional<TDateTime> parseShortDate(const QString& text, int currentYear,
                                        const QLocale& locale = QLocale());
std::optional<TDateTime> parseShortDate(const QString& text, const QLocale& locale = QLocale());

} // namespace fmt
