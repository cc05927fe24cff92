// Placeholder until the formatting module lands; every function returns an empty value.
#include "common/Format.h"
namespace fmt {
QString formatFloat(const QString&, double, const QLocale&) { return {}; }
QString formatDateTime(const QString&, TDateTime, const QLocale&) { return {}; }
QString shortDatePattern(const QLocale&) { return {}; }
QString longTimePattern(const QLocale&) { return {}; }
QString formatShortDate(TDateTime, const QLocale&) { return {}; }
QString formatLongTime(TDateTime, const QLocale&) { return {}; }
std::optional<int> parseInt(const QString&) { return {}; }
std::optional<double> parseFloat(const QString&, const QLocale&) { return {}; }
std::optional<TDateTime> parseTime(const QString&, const QLocale&) { return {}; }
std::optional<TDateTime> parseShortDate(const QString&, const QLocale&) { return {}; }
} // namespace fmt
