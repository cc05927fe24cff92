#include "archive/ReportStatistics.h"

#include "common/Format.h"

#include <algorithm>
#include <cmath>

ReportStatistics ReportStatistics::compute(const TReportRecords& records)
{
    ReportStatistics s;
    for (int k = 0; k < records.size(); ++k) {
        const TReportRecords::Figures r = records.figures(k);
        if (s.count == 0) {
            s.firstStart = r.inizio;
            s.lastStart = r.inizio;
        } else {
            s.firstStart = std::min(s.firstStart, r.inizio);
            s.lastStart = std::max(s.lastStart, r.inizio);
        }
        s.totals.add(r.inizio, r.fine, r.costo);
        ++s.count;
    }
    if (s.count > 0) {
        s.realDays = int(dt::datePart(s.lastStart) - dt::datePart(s.firstStart)) + 1;
        s.meanTime = s.totals.totalTime / s.count;
        s.meanCost = s.totals.totalCost / float(s.count);
    }
    return s;
}

int64_t ReportStatistics::seconds(double days)
{
    const double ms = std::round(days / dt::OneMillisecond);
    return std::isfinite(ms) ? int64_t(ms) / 1000 : 0;
}

QString ReportStatistics::durationText(int64_t seconds)
{
    if (seconds < 0)
        return QLatin1Char('-') + durationText(-seconds);
    const int64_t h = seconds / 3600;
    const int64_t m = seconds / 60 % 60;
    const int64_t s = seconds % 60;
    QString text = QString::number(s) + QStringLiteral("''");
    if (h > 0)
        text = QString::number(h) + QStringLiteral(" h ") + QString::number(m) +
               QStringLiteral("' ") + text;
    else if (m > 0)
        text = QString::number(m) + QStringLiteral("' ") + text;
    return text;
}

QString ReportStatistics::lireText(double lire)
{
    return fmt::formatFloat(QStringLiteral("#,#0"), lire);
}

QString ReportStatistics::euroText(double lire, float cambioEcu)
{
    return fmt::formatFloat(QStringLiteral("#,#0.00"),
                            cambioEcu != 0 ? lire / double(cambioEcu) : 0.0);
}
