// The pppd backend's probe, as the watch runs it once a second and the
// hang-up wait every few milliseconds: the list of pppd processes (a walk
// of the proc folder) and the status of one connection. Measured on this
// machine's /proc, and on a proc folder of 1000 processes with one pppd.
#include "platform/ppp/RasPppService.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace
{

void write(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

// A proc folder of n processes, the last of them pppd.
QString fakeProc(QTemporaryDir& dir, int n)
{
    const QString proc = dir.filePath(QStringLiteral("proc"));
    for (int pid = 1; pid <= n; ++pid) {
        const QString d = proc + QStringLiteral("/%1").arg(pid);
        QDir().mkpath(d);
        const QByteArray comm = pid == n ? "pppd" : "worker";
        QByteArray stat = QByteArray::number(pid) + " (" + comm + ") S 1";
        for (int f = 5; f <= 21; ++f)
            stat += " 0";
        stat += " 1000 0 0\n";
        write(d + QStringLiteral("/stat"), stat);
        write(d + QStringLiteral("/comm"), comm + '\n');
        write(d + QStringLiteral("/cmdline"), QByteArray("pppd\0call\0casa\0", 15));
    }
    return proc;
}

void probe(benchmark::State& state, TRasPppService& service)
{
    for (auto _ : state) {
        const std::vector<RasConnection> conns = service.connections();
        RasConnStatus st;
        if (!conns.empty())
            service.connectionStatus(conns.front().handle, st);
        benchmark::DoNotOptimize(st);
    }
}

void BM_ProbeThisMachine(benchmark::State& state)
{
    TRasPppService service;
    probe(state, service);
}
BENCHMARK(BM_ProbeThisMachine)->Unit(benchmark::kMicrosecond);

// The pppd service over a proc folder of 1000 processes.
struct Busy {
    QTemporaryDir dir;
    PppPaths paths = [this] {
        PppPaths p;
        p.proc = fakeProc(dir, 1000);
        p.run = dir.filePath(QStringLiteral("run"));
        return p;
    }();
    TRasPppService service{paths};
};

void BM_Probe1000Processes(benchmark::State& state)
{
    Busy machine;
    probe(state, machine.service);
}
BENCHMARK(BM_Probe1000Processes)->Unit(benchmark::kMicrosecond);

// What the hang-up wait asks between its pauses.
void BM_StatusOfOneConnection(benchmark::State& state)
{
    Busy machine;
    const RasHandle h = machine.service.connections().front().handle;
    for (auto _ : state) {
        RasConnStatus st;
        benchmark::DoNotOptimize(machine.service.connectionStatus(h, st));
    }
}
BENCHMARK(BM_StatusOfOneConnection)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
