#pragma once
// Number and date-time patterns in the classic Delphi notation, implemented
// once for the whole program. Separators, day and month names and the short
// date / long time formats come from the given locale (by default Qt's
// default locale, which is the system locale unless a test pins another).
//
// Number patterns: "#,#", "#,#0", "#,#0.00", "#0.00", "##0.##", "#", "#.00",
// "#0,00" (',' anywhere in the integer part turns on thousands grouping; '.'
// marks the decimal point; '0' forces a digit, '#' an optional one; the
// value is rounded half away from zero to the number of decimal places).
// Date-time patterns: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss,
// "m" after h/hh means minutes, quoted text is literal, '/' and ':' are the
// locale's date and time separators.

#include "common/DateTime.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace fmt {

QString formatFloat(const QString& pattern, double value, const QLocale& locale = QLocale());
QString formatDateTime(const QString& pattern, TDateTime value, const QLocale& locale = QLocale());

// The locale's short date format and long time format in the pattern
// notation above (e.g. "dd/mm/yyyy" and "hh.nn.ss" or "hh:nn:ss").
QString shortDatePattern(const QLocale& locale = QLocale());
QString longTimePattern(const QLocale& locale = QLocale());
QString formatShortDate(TDateTime value, const QLocale& locale = QLocale());
QString formatLongTime(TDateTime value, const QLocale& locale = QLocale());

// Strict parsers: the whole text (spaces around it allowed) must be read.
std::optional<int> parseInt(const QString& text);
std::optional<double> parseFloat(const QString& text, const QLocale& locale = QLocale());
// A time of day "h:nn[:ss]" with the locale's time separator (or ':' / '.').
std::optional<TDateTime> parseTime(const QString& text, const QLocale& locale = QLocale());
// A date in the order of the locale's short date format, two- or four-digit year.
std::optional<TDateTime> parseShortDate(const QString& text, const QLocale& locale = QLocale());

} // namespace fmt
