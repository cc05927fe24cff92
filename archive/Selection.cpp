#include "archive/Selection.h"

#include "archive/ArchiveFile.h"
#include "common/Format.h"

#include <algorithm>
#include <cmath>

void SelectionTotals::add(const ConnRecord& r)
{
    const double d = r.fine - r.inizio;
    totalCost += r.costo;
    totalTime += d;
    if (d < minTime)
        minTime = d;
    if (d > maxTime)
        maxTime = d;
    if (r.costo < minCost)
        minCost = r.costo;
    if (r.costo > maxCost)
        maxCost = r.costo;
}

bool TSelection::matches(const ConnRecord& r, const SelectionFilter& f)
{
    const SavedQuery& q = f.query;
    if (!(r.inizio > 0) || !(r.fine > 0))
        return false;
    const double day = dt::datePart(r.inizio);
    // Written so that a date that is not a number (a damaged query file)
    // lets no day through.
    if (!(day >= dt::datePart(q.dal)) || !(day <= dt::datePart(q.al)))
        return false;
    if (!q.tarTutti && r.nomeTar != q.nomeTar)
        return false;
    // "Tutto" governs the telephone filter as well as the provider filter.
    if (!q.provTutti && r.provider != q.provider && !f.providerBoxEmpty)
        return false;
    if (!q.provTutti && r.telefono != q.tel && !f.telBoxEmpty)
        return false;
    return true;
}

TSelection::LoadResult TSelection::load(ArchiveFile& archive, const SelectionFilter& filter)
{
    m_records.clear();
    m_totals = SelectionTotals{};
    m_error.clear();
    if (!archive.open()) {
        m_error = archive.errorText();
        return LoadResult::OpenFailed;
    }
    ConnRecord rec;
    const int n = archive.count();
    for (int i = 0; i < n; ++i) {
        const ArchiveFile::ReadStatus st = archive.read(i, rec);
        if (st == ArchiveFile::ReadStatus::Failed) {
            m_error = archive.errorText();
            return LoadResult::Stopped;
        }
        if (st != ArchiveFile::ReadStatus::Stored || !matches(rec, filter))
            continue;
        m_records.append(rec);
        m_totals.add(rec);
    }
    return LoadResult::Loaded;
}

const ConnRecord& TSelection::at(int k) const
{
    static const ConnRecord empty{};
    return k >= 0 && k < m_records.size() ? m_records[k] : empty;
}

QStringList TSelection::telephones() const
{
    QStringList out;
    for (const ConnRecord& r : m_records)
        if (!r.telefono.isEmpty() && !out.contains(r.telefono))
            out.append(r.telefono);
    return out;
}

QString TSelection::marks(const ConnRecord& r, const SelectionTotals& t)
{
    QString cost;
    if (r.costo == t.maxCost)
        cost = QStringLiteral("spesa max");
    else if (r.costo == t.minCost)
        cost = QStringLiteral("spesa min");
    const double d = r.fine - r.inizio;
    QString time;
    if (!(d < t.maxTime))
        time = QStringLiteral("tempo max");
    else if (!(d > t.minTime))
        time = QStringLiteral("tempo min");
    if (cost.isEmpty())
        return time;
    return time.isEmpty() ? cost : cost + QStringLiteral(", ") + time;
}

namespace
{

// (value - min) × w / (max - min), or (value - min) × w when max equals min,
// truncated to whole pixels.
int barLength(int64_t value, int64_t min, int64_t max, int w)
{
    const double factor = max == min ? double(w) : double(w) / double(max - min);
    return int(std::trunc(double(value - min) * factor));
}

// Hours, minutes and seconds of the time of day of a duration, in seconds.
int64_t clockSeconds(double days)
{
    int h = 0, m = 0, s = 0, ms = 0;
    dt::decodeTime(days, h, m, s, ms);
    return int64_t(h) * 3600 + m * 60 + s;
}

// Whole Lire of a cost. A damaged record can hold a cost beyond any whole
// number; it is held at a bound far above real costs so the bar arithmetic
// cannot overflow.
int64_t wholeLire(float cost)
{
    constexpr double Bound = 1e15;
    return int64_t(std::trunc(std::clamp(double(cost), -Bound, Bound)));
}

} // namespace

int TSelection::costBarLength(const ConnRecord& r, const SelectionTotals& t, int w)
{
    return barLength(wholeLire(r.costo), wholeLire(t.minCost), wholeLire(t.maxCost), w);
}

int TSelection::timeBarLength(const ConnRecord& r, const SelectionTotals& t, int w)
{
    return barLength(clockSeconds(r.fine - r.inizio), clockSeconds(t.minTime),
                     clockSeconds(t.maxTime), w);
}

QString TSelection::lireText(float costo)
{
    const QString text =
        fmt::formatFloat(QStringLiteral("#,#"), std::nearbyint(double(costo) + 0.49));
    // The pattern shows nothing for zero; a total of nothing still reads 0.
    return text.isEmpty() ? QStringLiteral("0") : text;
}

QString TSelection::euroText(float costo, float cambioEcu)
{
    const double euro = cambioEcu != 0 ? double(costo) / double(cambioEcu) : 0.0;
    return QStringLiteral("( ") + fmt::formatFloat(QStringLiteral("#,#0.00"), euro) +
           QStringLiteral(" E)");
}

QString TSelection::durationText(double days)
{
    return fmt::formatDateTime(QStringLiteral("hh nn ss"), days);
}

QString TSelection::totalTimeText(double days)
{
    return QString::number(int64_t(std::trunc(days))) + QLatin1Char(',') +
           fmt::formatDateTime(QStringLiteral(" hh:nn:ss"), days);
}
