// holiday YYYY-MM-DD: 1 when the date is a holiday of the calendar, else 0.
#include "tariff/HolidayCalendar.h"
#include "tools/Cli.h"

#include <QRegularExpression>

int cliHoliday(CliContext& ctx)
{
    static const QRegularExpression dateOnly(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    TDateTime date = 0;
    if (ctx.args.size() != 1 || !dateOnly.match(ctx.args[0]).hasMatch() ||
        !dt::fromIsoText(ctx.args[0], date)) {
        ctx.err << "uso: holiday AAAA-MM-GG\n";
        return 2;
    }
    int year, month, day;
    dt::decodeDate(date, year, month, day);
    TflFestivi calendar{uint16_t(year)};
    ctx.out << (calendar.IsHoliday(date) ? 1 : 0) << "\n";
    return 0;
}
