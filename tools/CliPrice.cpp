// price PROFILE START (--seconds N | --end END) [--iva PERCENT]: the cost of
// one connection, without and with VAT, as the program would record it.
#include "app/SettingsStore.h"
#include "platform/system/Registry.h"
#include "tools/CliTariff.h"

int32_t clitariff::ivaSetting(QTextStream& err)
{
    const int32_t def = Settings{}.iva;
    TRegFile registry(TRegFile::defaultPath());
    QString error;
    if (!registry.reload(&error)) {
        err << "impostazioni non leggibili (" << error << "): IVA " << def << "%\n";
        return def;
    }
    return TSettingsStore(registry).readInteger(TSettingsStore::Sett, QStringLiteral("IVA"), def);
}

int cliPrice(CliContext& ctx)
{
    using namespace clitariff;
    QStringList positional;
    std::optional<qint64> seconds;
    std::optional<QString> endText;
    std::optional<int32_t> iva;
    const QStringList& a = ctx.args;
    for (int i = 0; i < a.size(); ++i) {
        const QString& word = a[i];
        const bool hasValue = i + 1 < a.size();
        bool ok = true;
        if (word == QLatin1String("--seconds") && hasValue) {
            seconds = a[++i].toLongLong(&ok);
            ok = ok && *seconds >= 0;
        } else if (word == QLatin1String("--end") && hasValue) {
            endText = a[++i];
        } else if (word == QLatin1String("--iva") && hasValue) {
            iva = a[++i].toInt(&ok);
        } else if (word.startsWith(QLatin1String("--"))) {
            ok = false;
        } else {
            positional.append(word);
        }
        if (!ok) {
            ctx.err << "argomento non valido: " << a.mid(i - (hasValue ? 1 : 0), 2).join(' ')
                    << "\n";
            return ExitUsage;
        }
    }
    if (positional.size() != 2 || seconds.has_value() == endText.has_value()) {
        ctx.err << "uso: price PROFILO INIZIO (--seconds N | --end FINE) [--iva PERCENTUALE]\n";
        return ExitUsage;
    }

    TariffTable table;
    TDateTime start = 0;
    const std::optional<Schedule> schedule =
        buildSchedule(ctx, positional[0], positional[1], table, start);
    if (!schedule)
        return ExitFailed;

    float cost = 0;
    if (seconds) {
        cost = CostForSeconds(table, *schedule, *seconds);
    } else {
        TDateTime end = 0;
        if (!parseTime(ctx, *endText, end))
            return ExitUsage;
        if (end < start) {
            ctx.err << "la fine precede l'inizio\n";
            return ExitUsage;
        }
        cost = ComputeCost(table, *schedule, start, end).cost;
    }
    const int32_t percent = iva ? *iva : ivaSetting(ctx.err);
    ctx.out << "cost=" << number(cost) << "\n";
    ctx.out << "cost_iva=" << number(WithVat(cost, percent)) << "\n";
    return 0;
}
