// The cost engine's two stages: BuildSchedule (once per session, or once per
// connection when re-pricing an archive) and ComputeCost (every second of a
// running session), on a profile of four bands a day.
#include "tariff/CostEngine.h"
#include "tariff/HolidayCalendar.h"

#include <benchmark/benchmark.h>

namespace
{

TariffTable fourBandsADay()
{
    TariffTable t;
    const struct {
        int h, m;
        float rate;
    } bands[] = {{0, 0, 9.5f}, {8, 0, 19}, {13, 0, 15}, {18, 30, 9.5f}};
    for (int row = 0; row < DayRows; ++row) {
        for (int b = 0; b < 4; ++b) {
            TariffCell& c = t.cell(b + 1, row);
            c.dalle = dt::encodeTime(bands[b].h, bands[b].m, 0);
            c.costo1 = bands[b].rate;
            c.scrsi = 1;
            c.costorisp = 106;
        }
    }
    // A second rate and a discount, so that both rewrites run.
    for (int row = 0; row < DayRows; ++row) {
        TariffCell& c = t.cell(3, row);
        c.doposec = 900;
        c.costo2 = 12;
        c.sco = {1, {}, 20, 1800};
    }
    return t;
}

// A Wednesday, an hour before a band change.
const TDateTime Start = dt::encode(2000, 3, 8, 12, 0, 0);

void BM_BuildSchedule(benchmark::State& state)
{
    const TariffTable profile = fourBandsADay();
    TflFestivi holidays(2000);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildSchedule(profile, Start, holidays));
}
BENCHMARK(BM_BuildSchedule);

// The cost at the end of a one-hour session.
void BM_ComputeCostOneHour(benchmark::State& state)
{
    const TariffTable profile = fourBandsADay();
    TflFestivi holidays(2000);
    const Schedule schedule = *BuildSchedule(profile, Start, holidays);
    const TDateTime end = Start + 3600 * dt::OneSecond;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeCost(profile, schedule, Start, end));
}
BENCHMARK(BM_ComputeCostOneHour);

// Every tick of a one-hour session: 3600 costs.
void BM_ComputeCostEverySecondOfAnHour(benchmark::State& state)
{
    const TariffTable profile = fourBandsADay();
    TflFestivi holidays(2000);
    const Schedule schedule = *BuildSchedule(profile, Start, holidays);
    for (auto _ : state) {
        for (int s = 1; s <= 3600; ++s)
            benchmark::DoNotOptimize(
                ComputeCost(profile, schedule, Start, Start + s * dt::OneSecond));
    }
}
BENCHMARK(BM_ComputeCostEverySecondOfAnHour);

} // namespace

BENCHMARK_MAIN();
