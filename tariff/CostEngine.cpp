#include "tariff/CostEngine.h"

#include "tariff/HolidayCalendar.h"

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace
{

// The start minutes of a profile's cells: the band searches look at the same
// cells again and again, for every schedule built. Each cell's minutes are
// kept with the start time they were worked out from, so they serve as long
// as the cell (of whatever profile) holds that same start time.
class BandStarts
{
public:
    explicit BandStarts(const TariffTable& profile) : m_profile(profile) {}

    // The cell's start on the day at midnight `day`: its hours and minutes
    // only. The same value as day + encodeTime(hours, minutes, 0).
    TDateTime on(int band, int row, TDateTime day)
    {
        const double dalle = m_profile.cell(band, row).dalle;
        uint64_t bits;
        std::memcpy(&bits, &dalle, sizeof bits);
        Known& k = known()[size_t((band - 1) * DayRows + row)];
        if (!k.valid || k.bits != bits)
            k = {bits, int16_t(m_profile.cell(band, row).startMinutes()), true};
        return day + double(k.minutes) * 60000.0 / 86400000.0;
    }

private:
    struct Known {
        uint64_t bits = 0;
        int16_t minutes = 0;
        bool valid = false;
    };
    static std::array<Known, BandColumns * DayRows>& known()
    {
        thread_local std::array<Known, BandColumns * DayRows> cells;
        return cells;
    }

    const TariffTable& m_profile;
};

std::optional<BandRef> findBand(const TariffTable& profile, TDateTime t, TflFestivi& holidays,
                                BandStarts& starts);
std::optional<BandChange> findNextBand(const TariffTable& profile, TDateTime t,
                                       TflFestivi& holidays, BandStarts& starts);

// Seconds between two band starts, rounded to the nearest second.
int32_t secondsBetweenStarts(TDateTime from, TDateTime to)
{
    return int32_t(std::trunc(
        (static_cast<long double>(to) - static_cast<long double>(from)) / OneSecondExt + 0.49L));
}

// Rewrites list so that the rate changes threshold seconds after the start
// of the connection: the entries before keep their rate, the entry in which
// the threshold falls is split in two, and from there on every entry takes
// laterRate(entry). At most Schedule::MaxEntries entries are kept; the last
// one kept runs without end. Returns whether the split took place.
bool splitAt(QList<ScheduleEntry>& list, int32_t threshold,
             const std::function<float(const ScheduleEntry&)>& laterRate)
{
    QList<ScheduleEntry> out;
    bool split = false;
    int32_t left = threshold;
    for (const ScheduleEntry& e : std::as_const(list)) {
        if (out.size() == Schedule::MaxEntries)
            break;
        if (split) {
            ScheduleEntry later = e;
            later.rate = laterRate(e);
            out.append(later);
        } else if (!e.isEndless() && e.duration < left) {
            out.append(e);
            left -= e.duration;
        } else {
            ScheduleEntry before = e;
            before.duration = left;
            out.append(before);
            if (out.size() < Schedule::MaxEntries) {
                ScheduleEntry after = e;
                after.start = e.start + left * dt::OneSecond;
                after.duration = e.isEndless() ? ScheduleEntry::Endless : e.duration - left;
                after.rate = laterRate(e);
                out.append(after);
            }
            split = true;
        }
    }
    out.last().duration = ScheduleEntry::Endless;
    list = out;
    return split;
}

// A cost that is not a finite number (a damaged profile: a rate or charge that
// is not a number, or one too large for a float) would make the connection
// record unreadable; such a connection is priced at 0 instead.
float storableCost(long double cost)
{
    return std::isfinite(cost) && std::fabs(cost) <= std::numeric_limits<float>::max() ? float(cost)
                                                                                       : 0.0f;
}

QString entryText(const ScheduleEntry& e)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(e.band)
        .arg(e.row)
        .arg(dt::toIsoText(e.start))
        .arg(e.isEndless() ? QStringLiteral("-") : QString::number(e.duration))
        .arg(double(e.rate), 0, 'g', 9);
}

void traceRates(ScheduleTrace* trace, const QList<ScheduleEntry>& list, const QString& mark)
{
    if (!trace)
        return;
    for (const ScheduleEntry& e : list)
        trace->lines.append((e.isEndless() ? QStringLiteral("-") : QString::number(e.duration)) +
                            mark + QString::number(double(e.rate), 'g', 9));
}

} // namespace

int DayRow(TDateTime t)
{
    const int w = dt::dayOfWeek(t); // 1 = Sunday
    return w == 1 ? SundayRow : w - 2;
}

std::optional<BandRef> FindBand(const TariffTable& profile, TDateTime t, TflFestivi& holidays)
{
    BandStarts starts(profile);
    return findBand(profile, t, holidays, starts);
}

std::optional<BandChange> FindNextBand(const TariffTable& profile, TDateTime t,
                                       TflFestivi& holidays)
{
    BandStarts starts(profile);
    return findNextBand(profile, t, holidays, starts);
}

namespace
{

std::optional<BandRef> findBand(const TariffTable& profile, TDateTime t, TflFestivi& holidays,
                                BandStarts& starts)
{
    const int w = DayRow(t);
    // Whether t's own day is a holiday decides the row for every day scanned.
    const bool holidayRow = holidays.IsHoliday(t) && w != SundayRow;
    TDateTime day = dt::datePart(t);
    for (int c = w; c >= 0; --c, day -= 1.0) {
        const int row = holidayRow ? HolidayRow : c;
        for (int band = BandColumns; band >= 1; --band) {
            const TariffCell& cell = profile.cell(band, row);
            if (cell.isBand() && starts.on(band, row, day) < t)
                return BandRef{band, row};
        }
    }
    return std::nullopt;
}

std::optional<BandChange> findNextBand(const TariffTable& profile, TDateTime t,
                                       TflFestivi& holidays, BandStarts& starts)
{
    TDateTime day = dt::datePart(t);
    int w = DayRow(t);
    for (int pass = 0; pass < 2; ++pass) {
        for (int c = w; c <= SundayRow; ++c, day += 1.0) {
            const int row = holidays.IsHoliday(day) && c != SundayRow ? HolidayRow : c;
            for (int band = 1; band <= BandColumns; ++band) {
                const TariffCell& cell = profile.cell(band, row);
                if (!cell.isBand())
                    continue;
                const TDateTime start = starts.on(band, row, day);
                if (start > t)
                    return BandChange{band, row, start};
            }
        }
        w = DayRow(day);
    }
    return std::nullopt;
}

} // namespace

namespace
{

// The entries of the schedule of a connection starting at start, after the
// second rate and the discount, from at most rawEntries band changes (the
// full schedule takes Schedule::MaxEntries). When fewer were taken than the
// profile has, *reliable says for how many seconds from the start the
// entries are those of the full schedule; otherwise it is left alone.
std::optional<QList<ScheduleEntry>> buildEntries(const TariffTable& profile, TDateTime start,
                                                 TflFestivi& holidays, ScheduleTrace* trace,
                                                 int rawEntries, int64_t* reliable)
{
    // The searches look up to two weeks ahead; a start outside the calendar
    // (a damaged record) cannot be priced.
    if (!(start >= 0) || !TflFestivi::isCalendarDate(start + 15))
        return std::nullopt;

    BandStarts starts(profile);
    const std::optional<BandRef> first = findBand(profile, start, holidays, starts);
    if (!first) {
        if (trace)
            trace->lines.append(QStringLiteral("Nessuna fascia in vigore a ") +
                                dt::toIsoText(start));
        return std::nullopt;
    }
    const TariffCell& startCell = profile.cell(first->band, first->row);

    QList<ScheduleEntry> list;
    list.append({first->band, first->row, start, 0, startCell.rate1()});
    if (trace) {
        trace->lines.append(QStringLiteral("Inizio Connessione:"));
        trace->lines.append(trace->profileName);
        trace->lines.append(QStringLiteral("This ") + entryText(list.first()));
        trace->lines.append(startCell.hasDiscount() ? QStringLiteral("sco.attivo = true")
                                                    : QStringLiteral("sco.attivo = false"));
    }

    bool cut = false;
    for (int i = 1; i < Schedule::MaxEntries; ++i) {
        if (i == rawEntries) {
            cut = true;
            break;
        }
        const std::optional<BandChange> next =
            findNextBand(profile, list.last().start, holidays, starts);
        if (!next)
            break;
        list.last().duration = secondsBetweenStarts(list.last().start, next->start);
        list.append(
            {next->band, next->row, next->start, 0, profile.cell(next->band, next->row).rate1()});
    }
    if (cut && reliable) {
        // The last entry taken would run on to a band change not looked for.
        *reliable = 0;
        for (int i = 0; i + 1 < list.size(); ++i)
            *reliable += list[i].duration;
    }
    list.last().duration = ScheduleEntry::Endless;
    if (trace)
        for (int i = 0; i < list.size(); ++i)
            trace->lines.append(QString::number(i) + QStringLiteral(" sx: ") + entryText(list[i]));

    // Second rate: from doposec seconds after the start, each entry is priced
    // at the costo2 of its own cell, taken as stored.
    if (startCell.doposec > 0)
        splitAt(list, startCell.doposec,
                [&profile](const ScheduleEntry& e) { return profile.cell(e.band, e.row).costo2; });
    traceRates(trace, list, QStringLiteral(" F "));

    if (startCell.hasDiscount() && startCell.sco.doposec > 0) {
        const int32_t percent = startCell.sco.percent;
        const bool split = splitAt(list, startCell.sco.doposec, [percent](const ScheduleEntry& e) {
            const long double rate = e.rate;
            return float(rate - rate * percent / 100.0L);
        });
        traceRates(trace, list, QStringLiteral(" S "));
        if (split && trace)
            trace->lines.append(QStringLiteral("lo sconto è attivato!!!!!!!!"));
    } else {
        traceRates(trace, list, QStringLiteral(" S "));
    }

    list.first().band = first->band;
    list.first().row = first->row;
    return list;
}

// The cost of seconds along schedule, as ComputeCost gives it; nothing when
// that would need an entry beginning reliable seconds or more after the
// start.
std::optional<float> walk(const TariffTable& profile, const Schedule& schedule, int64_t seconds,
                          int64_t reliable)
{
    const ScheduleEntry& first = schedule.first();
    float cost = 0;
    if (TariffTable::isValid(first.band, first.row)) {
        const TariffCell& cell = profile.cell(first.band, first.row);
        if (cell.hasFixedCharge())
            cost = cell.costorisp;
    }
    int64_t n = std::max<int64_t>(seconds, 0);
    int64_t from = 0; // seconds from the start to the entry
    for (int i = 0; i < schedule.size(); ++i) {
        const ScheduleEntry& e = schedule[i];
        if (from >= reliable)
            return std::nullopt;
        const long double rate = e.rate;
        if (!e.isEndless() && n > e.duration) {
            cost = float(cost + static_cast<long double>(e.duration) * rate / 60.0L);
            n -= e.duration;
            from += e.duration;
        } else {
            cost = float(cost + static_cast<long double>(n) * rate / 60.0L);
            break;
        }
    }
    return storableCost(cost);
}

} // namespace

std::optional<Schedule> BuildSchedule(const TariffTable& profile, TDateTime start,
                                      TflFestivi& holidays, ScheduleTrace* trace)
{
    const std::optional<QList<ScheduleEntry>> list =
        buildEntries(profile, start, holidays, trace, Schedule::MaxEntries, nullptr);
    if (!list)
        return std::nullopt;
    return Schedule::fromEntries(*list);
}

std::optional<float> CostOfConnection(const TariffTable& profile, TDateTime start, TDateTime end,
                                      TflFestivi& holidays)
{
    // Most connections end before their second band change: the first three
    // entries settle their cost. Longer ones take the whole schedule.
    constexpr int FirstEntries = 3;
    const int64_t seconds = ElapsedSeconds(start, end);
    int64_t reliable = std::numeric_limits<int64_t>::max();
    const std::optional<QList<ScheduleEntry>> list =
        buildEntries(profile, start, holidays, nullptr, FirstEntries, &reliable);
    if (!list)
        return std::nullopt;
    if (const std::optional<Schedule> few = Schedule::fromEntries(*list))
        if (const std::optional<float> cost = walk(profile, *few, seconds, reliable))
            return cost;
    const std::optional<Schedule> schedule = BuildSchedule(profile, start, holidays);
    if (!schedule)
        return std::nullopt;
    return CostForSeconds(profile, *schedule, seconds);
}

QString NoBandText(const QString& profileName)
{
    return QStringLiteral("La tabella <%1> non ha nessuna fascia oraria in vigore all'inizio "
                          "della connessione: il costo non può essere calcolato.\rControlla la "
                          "tabella nella finestra Tariffe.")
        .arg(profileName);
}

int64_t ElapsedSeconds(TDateTime start, TDateTime end)
{
    const double elapsed = end - start;
    const long double seconds = static_cast<long double>(elapsed) / OneSecondExt;
    // Also false for a NaN. A span beyond any real connection is capped so
    // the conversion cannot overflow.
    if (!(seconds > 0))
        return 0;
    constexpr long double Cap = 1e15L;
    return int64_t(std::trunc(std::min(seconds, Cap)));
}

CostResult ComputeCost(const TariffTable& profile, const Schedule& schedule, TDateTime start,
                       TDateTime end)
{
    return {end - start, CostForSeconds(profile, schedule, ElapsedSeconds(start, end))};
}

float CostForSeconds(const TariffTable& profile, const Schedule& schedule, int64_t seconds)
{
    return *walk(profile, schedule, seconds, std::numeric_limits<int64_t>::max());
}

float WithVat(float cost, int32_t iva)
{
    const long double c = cost;
    return storableCost(c + c * iva / 100.0L);
}

float ShownCost(float cost, int32_t iva)
{
    const long double c = cost;
    return storableCost(c + c * iva / 100.0L + 0.49L);
}

float LireToEuro(float lire, float cambioEcu)
{
    if (!(cambioEcu > 0))
        return 0;
    return float(static_cast<long double>(lire) / cambioEcu);
}
