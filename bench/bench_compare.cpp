// Comparing tariffs over a big archive: 100 000 stored connections over ten
// years (from ten seconds to three hours each) priced with ten profiles of
// four bands a day, some with a second rate, a discount or no holiday bands.
// Read straight from the archive file (in the page cache) as the command
// line does, from a loaded selection as the archive window will, and one
// slice of the window's work, the time between two looks at its stop button.
// The comparison window's own figures: copying the listed connections when
// it opens, the whole run with the table refreshed after every slice, and
// the detail of one profile.
#include "archive/ArchiveFile.h"
#include "archive/Selection.h"
#include "tariff/ComparedConnections.h"
#include "tariff/ComparisonDetailModel.h"
#include "tariff/ComparisonModel.h"
#include "tariff/TariffComparison.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

constexpr int Connections = 100000;
constexpr int Profiles = 10;

TariffTable profileNumber(int n)
{
    TariffTable t;
    const struct {
        int h, m;
        float rate;
    } bands[] = {{0, 0, 9.5f}, {8, 0, 19}, {13, 0, 15}, {18, 30, 9.5f}};
    const float scale = 0.6f + 0.1f * float(n);
    const int rows = n % 3 == 2 ? HolidayRow : DayRows; // no band on holidays
    for (int row = 0; row < rows; ++row) {
        for (int b = 0; b < 4; ++b) {
            TariffCell& c = t.cell(b + 1, row);
            c.dalle = dt::encodeTime(bands[b].h, bands[b].m, 0);
            c.costo1 = bands[b].rate * scale;
            c.scrsi = n % 2;
            c.costorisp = 127;
            if (n % 4 == 1) {
                c.doposec = 900;
                c.costo2 = 12 * scale;
            }
            if (n % 4 == 3)
                c.sco = {1, {}, 20, 1800};
        }
    }
    return t;
}

QList<ComparedProfile> profiles()
{
    QList<ComparedProfile> out;
    for (int n = 0; n < Profiles; ++n)
        out.append({QStringLiteral("Profilo %1").arg(n), profileNumber(n), {}});
    return out;
}

// The archive, written once into a folder that lives as long as the run.
QString archiveFolder()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        QRandomGenerator rng(2001);
        TDateTime start = dt::encode(1999, 1, 4, 8, 0, 0);
        const int step = 10 * 365 * 86400 / Connections;
        QByteArray bytes;
        for (int i = 0; i < Connections; ++i) {
            const int gap = step / 2 + int(rng.bounded(step));
            ConnRecord r;
            r.inizio = start + gap * dt::OneSecond;
            r.fine = r.inizio + (10 + int(rng.bounded(std::min(gap, 3 * 3600)))) * dt::OneSecond;
            r.costo = float(rng.bounded(5000));
            r.provider = QStringLiteral("Prova");
            bytes += r.toBytes();
            start = r.inizio;
        }
        QFile f(dir.filePath(QStringLiteral("Archivio.sto")));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }();
    return written ? dir.path() : QString();
}

// The whole archive loaded as the archive window lists it.
const TSelection& loadedSelection()
{
    static TSelection selection;
    static const bool loaded = [] {
        TArchiveFile archive(archiveFolder());
        return selection.load(archive, SelectionFilter::everything()) ==
               TSelection::LoadResult::Loaded;
    }();
    (void)loaded;
    return selection;
}

std::unique_ptr<IConnectionSource> wholeArchive()
{
    return std::make_unique<TArchivePeriodConnections>(archiveFolder() + "/Archivio.sto", -1e9,
                                                       1e9);
}

void BM_CompareArchive100kTimes10(benchmark::State& state)
{
    if (archiveFolder().isEmpty())
        state.SkipWithError("cannot write the archive");
    TTariffComparison comparison(profiles(), 20);
    for (auto _ : state) {
        if (comparison.run(wholeArchive()) != TTariffComparison::Step::Done)
            state.SkipWithError(qPrintable(comparison.errorText()));
        benchmark::DoNotOptimize(comparison.rows());
    }
    state.SetItemsProcessed(state.iterations() * Connections * Profiles);
}
BENCHMARK(BM_CompareArchive100kTimes10)->Unit(benchmark::kMillisecond);

void BM_CompareSelection100kTimes10(benchmark::State& state)
{
    const TSelection& selection = loadedSelection();
    if (selection.count() != Connections)
        state.SkipWithError("cannot load the selection");
    TTariffComparison comparison(profiles(), 20);
    for (auto _ : state) {
        comparison.run(std::make_unique<TSelectionConnections>(selection));
        benchmark::DoNotOptimize(comparison.rows());
    }
    state.SetItemsProcessed(state.iterations() * Connections * Profiles);
}
BENCHMARK(BM_CompareSelection100kTimes10)->Unit(benchmark::kMillisecond);

// One slice of the default size with ten profiles, from the middle of the
// archive.
void BM_CompareOneSlice(benchmark::State& state)
{
    TTariffComparison comparison(profiles(), 20);
    for (auto _ : state) {
        state.PauseTiming();
        comparison.begin(wholeArchive());
        comparison.step(Connections / 2);
        state.ResumeTiming();
        benchmark::DoNotOptimize(comparison.step());
    }
    state.SetItemsProcessed(state.iterations() * TTariffComparison::SlicePositions * Profiles);
}
BENCHMARK(BM_CompareOneSlice)->Unit(benchmark::kMillisecond);

// Opening the comparison window over 100 000 listed connections: they are
// copied out of the selection.
void BM_WindowCopiesListed100k(benchmark::State& state)
{
    const TSelection& selection = loadedSelection();
    for (auto _ : state) {
        const TComparedConnections c =
            TComparedConnections::fromSelection(selection, 0, selection.count() - 1);
        benchmark::DoNotOptimize(c.size());
    }
    state.SetItemsProcessed(state.iterations() * Connections);
}
BENCHMARK(BM_WindowCopiesListed100k)->Unit(benchmark::kMillisecond);

// The window's whole run over them with ten profiles, its table refreshed
// after every slice as it is on screen.
void BM_WindowRun100kTimes10(benchmark::State& state)
{
    const TSelection& selection = loadedSelection();
    const TComparedConnections listed =
        TComparedConnections::fromSelection(selection, 0, selection.count() - 1);
    const float cambioEcu = 1936.27f;
    TComparisonModel model(cambioEcu);
    TTariffComparison comparison(profiles(), 20);
    int64_t slices = 0;
    for (auto _ : state) {
        comparison.begin(listed.source());
        TTariffComparison::Step step = TTariffComparison::Step::More;
        while (step == TTariffComparison::Step::More) {
            step = comparison.step();
            model.setRows(comparison.rows());
            ++slices;
        }
    }
    state.SetItemsProcessed(state.iterations() * Connections * Profiles);
    state.counters["slices"] = double(slices) / double(state.iterations());
}
BENCHMARK(BM_WindowRun100kTimes10)->Unit(benchmark::kMillisecond);

// A double click on a row: its profile's price of each of the 100 000.
void BM_WindowDetail100k(benchmark::State& state)
{
    const TSelection& selection = loadedSelection();
    const TComparedConnections listed =
        TComparedConnections::fromSelection(selection, 0, selection.count() - 1);
    const TariffTable profile = profileNumber(1);
    for (auto _ : state) {
        TComparisonDetailModel detail(listed, QStringLiteral("Profilo 1"), profile, 20);
        benchmark::DoNotOptimize(detail.unpriced());
    }
    state.SetItemsProcessed(state.iterations() * Connections);
}
BENCHMARK(BM_WindowDetail100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
