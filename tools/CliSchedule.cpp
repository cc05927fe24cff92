// schedule PROFILE START: the band changes a connection starting at START
// meets, one entry a line: index, band column, day row, seconds ("-" for the
// entry that runs without end), rate per minute.
#include "tools/CliTariff.h"

int cliSchedule(CliContext& ctx)
{
    using namespace clitariff;
    if (ctx.args.size() != 2) {
        ctx.err << "uso: schedule PROFILO INIZIO\n";
        return ExitUsage;
    }
    TariffTable table;
    TDateTime start = 0;
    const std::optional<Schedule> schedule =
        buildSchedule(ctx, ctx.args[0], ctx.args[1], table, start);
    if (!schedule)
        return ExitFailed;
    for (int i = 0; i < schedule->size(); ++i) {
        const ScheduleEntry& e = (*schedule)[i];
        ctx.out << i << ' ' << e.band << ' ' << e.row << ' '
                << (e.isEndless() ? QStringLiteral("-") : QString::number(e.duration)) << ' '
                << number(e.rate) << "\n";
    }
    return 0;
}
