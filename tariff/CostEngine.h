#pragma once
// The cost of a connection from a tariff profile, in two stages:
// BuildSchedule lays out, once, the band changes the connection meets from
// its start (midnight, band changes and holidays are all decided there), and
// ComputeCost walks that schedule for the elapsed seconds, every second of a
// running session and once more at its end.
//
// Amounts are Lire without VAT; the callers add VAT (WithVat, ShownCost).
// Sums are computed in extended precision and rounded to a single-precision
// float after each addition, so that every caller gets the same Lire.
//
// Use:
//     auto schedule = BuildSchedule(profile, start, holidays);
//     if (!schedule) -> refuse to price: NoBandText(profileName)
//     CostResult r = ComputeCost(profile, *schedule, start, now);
//     shown = ShownCost(r.cost, settings.iva);  // the bar
//     stored = WithVat(r.cost, settings.iva);   // the record at the end

#include "common/DateTime.h"
#include "tariff/Schedule.h"
#include "tariff/TariffTable.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class TflFestivi;

// One second as a fraction of a day, in extended precision.
constexpr long double OneSecondExt = 1.0L / 86400.0L;

// Monday 0 .. Saturday 5, Sunday 6.
int DayRow(TDateTime t);

struct BandRef {
    int band = 0; // 1..10
    int row = 0;  // 0..7
};

struct BandChange {
    int band = 0;
    int row = 0;
    TDateTime start = 0;
};

// The band in force at t: on t's day (the "FESTIVI" row when t's own day is
// a holiday and not a Sunday) the highest band column whose start is
// strictly before t; failing that, the days before, as far back as the
// Monday of the same week. Nothing when no band is found.
std::optional<BandRef> FindBand(const TariffTable& profile, TDateTime t, TflFestivi& holidays);

// The first band start strictly after t, scanning the rest of t's week and
// the whole week after it, band columns 1..10 of each day. Nothing when
// there is none.
std::optional<BandChange> FindNextBand(const TariffTable& profile, TDateTime t,
                                       TflFestivi& holidays);

// Text lines describing a schedule as it is built; for whoever wants to look
// at them (the session keeps them; nobody shows them).
struct ScheduleTrace {
    QString profileName;
    QStringList lines;
};

// The schedule of a connection starting at start. Nothing when no band is in
// force at start (an empty profile; a Monday before its first band): such a
// connection cannot be priced, and the caller says so (NoBandText).
// When no further band change is found, the entries found so far are kept.
std::optional<Schedule> BuildSchedule(const TariffTable& profile, TDateTime start,
                                      TflFestivi& holidays, ScheduleTrace* trace = nullptr);

// The message for a connection that cannot be priced with profileName.
QString NoBandText(const QString& profileName);

// Whole seconds from start to end: (end - start) / one second in extended
// precision, truncated; 0 when end is not after start.
int64_t ElapsedSeconds(TDateTime start, TDateTime end);

struct CostResult {
    double elapsed = 0; // end - start, in days
    float cost = 0;     // Lire, VAT excluded
};

// The cost of the connection [start, end]. profile must be the one the
// schedule was built from (for the fixed charge of the starting cell).
CostResult ComputeCost(const TariffTable& profile, const Schedule& schedule, TDateTime start,
                       TDateTime end);
// The cost of exactly seconds whole seconds (negative counts as 0).
float CostForSeconds(const TariffTable& profile, const Schedule& schedule, int64_t seconds);

// The cost of a whole connection, without VAT: exactly what BuildSchedule
// and ComputeCost give, for re-pricing many stored connections. Only as
// much of the schedule is built as the connection's length needs; nothing
// when no band is in force at start.
std::optional<float> CostOfConnection(const TariffTable& profile, TDateTime start, TDateTime end,
                                      TflFestivi& holidays);

// c + c * iva / 100: what a connection record stores.
float WithVat(float cost, int32_t iva);
// c + c * iva / 100 + 0.49: what the running session shows (as whole Lire)
// and checkpoints.
float ShownCost(float cost, int32_t iva);
// Lire / CambioEcu; 0 when the exchange rate is not positive.
float LireToEuro(float lire, float cambioEcu);
