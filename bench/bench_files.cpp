// The settings file and the phone book are read whole at start and at every
// save: their cost must grow in step with their size. Each case runs with
// 8,000 and 32,000 keys (or entries); the fitted complexity shows the growth.
// A settings file of 32,000 keys is about 1.9 MB.
#include "platform/ras/RasPhoneBook.h"
#include "platform/system/Registry.h"

#include <benchmark/benchmark.h>

namespace
{

QByteArray settingsFile(int keys)
{
    QByteArray out = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < keys; ++i) {
        out += "[HKEY_CURRENT_USER\\Software\\Altro programma\\Chiave " + QByteArray::number(i) +
               "]\r\n\"Valore\"=dword:00000001\r\n\r\n";
    }
    return out;
}

QByteArray phoneBook(int entries)
{
    QByteArray out;
    for (int i = 0; i < entries; ++i)
        out += "[Voce " + QByteArray::number(i) + "]\r\nPhoneNumber=0701234" +
               QByteArray::number(i) + "\r\nSimStepMs=10\r\n\r\n";
    return out;
}

void readSettings(benchmark::State& state)
{
    const QByteArray data = settingsFile(int(state.range(0)));
    for (auto _ : state) {
        TRegFile reg(QStringLiteral("HKCU.reg"));
        reg.readFrom(data);
        benchmark::DoNotOptimize(reg.keyExists(QStringLiteral("Software")));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * data.size());
}

// What a save does: read the file again, change a value, produce the bytes.
void saveSettings(benchmark::State& state)
{
    const QByteArray data = settingsFile(int(state.range(0)));
    for (auto _ : state) {
        TRegFile reg(QStringLiteral("HKCU.reg"));
        reg.readFrom(data);
        reg.writeValue(QStringLiteral("Tarvelo! Pindral(C)\\Sett"), QStringLiteral("IVA"),
                       RegValue::ofDword(20));
        benchmark::DoNotOptimize(reg.contents());
    }
    state.SetComplexityN(state.range(0));
}

void readAndChangePhoneBook(benchmark::State& state)
{
    const QByteArray data = phoneBook(int(state.range(0)));
    for (auto _ : state) {
        TRasPhoneBook pb = TRasPhoneBook::parse(data);
        pb.setEntry(QStringLiteral("Voce 5"), QStringLiteral("0"));
        benchmark::DoNotOptimize(pb.text());
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(readSettings)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(saveSettings)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(readAndChangePhoneBook)
    ->Arg(8000)
    ->Arg(32000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_MAIN();
