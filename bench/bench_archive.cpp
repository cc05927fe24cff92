// The archive's reading side: a date-time's text by integer arithmetic
// beside the date-time object it replaces in long listings, and loading a
// selection of 100 000 stored connections from a file (in the page cache).
#include "archive/ArchiveFile.h"
#include "archive/Selection.h"
#include "common/DateTime.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

const TDateTime Start = dt::encode(2001, 5, 14, 21, 30, 15);

void BM_IsoTextIntegers(benchmark::State& state)
{
    char text[dt::IsoTextLength];
    TDateTime d = Start;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dt::writeIsoText(d, text));
        d += 0.01;
    }
}
BENCHMARK(BM_IsoTextIntegers);

void BM_IsoTextDateTimeObject(benchmark::State& state)
{
    TDateTime d = Start;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dt::toIsoText(d));
        d += 0.01;
    }
}
BENCHMARK(BM_IsoTextDateTimeObject);

void BM_SelectionLoad100k(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i) {
        ConnRecord r;
        r.inizio = Start + i * 0.05;
        r.fine = r.inizio + 0.01;
        r.costo = float(i % 1000);
        r.telefono = QStringLiteral("070%1").arg(i % 20);
        r.provider = QStringLiteral("Prova");
        r.motivo = QStringLiteral("posta");
        bytes += r.toBytes();
    }
    QFile f(dir.filePath(QStringLiteral("Archivio.sto")));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        state.SkipWithError("cannot write the archive");
    f.close();
    TArchiveFile archive(dir.path());
    SelectionFilter filter;
    filter.query.dal = Start;
    filter.query.al = Start + 1e6;
    filter.query.provTutti = true;
    filter.query.tarTutti = true;
    for (auto _ : state) {
        TSelection selection;
        benchmark::DoNotOptimize(selection.load(archive, filter));
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_SelectionLoad100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
