#pragma once
// What the tariff commands (price, schedule, profile) share: finding a
// profile by name or path, reading times, building a schedule. Every failure
// is written to ctx.err; the caller returns the exit status.

#include "common/DateTime.h"
#include "common/SafeName.h"
#include "tariff/CostEngine.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/ProfileFiles.h"
#include "tools/Cli.h"

#include <QFileInfo>
#include <optional>

namespace clitariff
{

constexpr int ExitFailed = 1; // missing profile, cannot price
constexpr int ExitUsage = 2;

// A path to a .trf file (it holds a '/' or ends with ".trf" and is a file),
// otherwise a profile name in Trf/ of the program folder.
inline bool loadProfile(CliContext& ctx, const QString& profile, TariffTable& table)
{
    QString path = profile;
    const bool isPath =
        (profile.contains(QLatin1Char('/')) || profile.endsWith(TProfileFiles::Extension)) &&
        QFileInfo(profile).isFile();
    if (!isPath) {
        if (!isSafeFileName(profile, TProfileFiles::Extension)) {
            ctx.err << "nome di tabella non valido: " << profile << "\n";
            return false;
        }
        path = ctx.folder + TProfileFiles::Folder + profile + TProfileFiles::Extension;
        if (!QFileInfo::exists(path)) {
            ctx.err << "la tabella <" << profile << "> non esiste (" << path << ")\n";
            return false;
        }
    }
    ProfileHeader header;
    QString error;
    if (!TProfileFiles::readProfileFile(path, header, table, &error)) {
        ctx.err << "impossibile leggere la tabella <" << profile << ">: " << error << "\n";
        return false;
    }
    return true;
}

inline bool parseTime(CliContext& ctx, const QString& text, TDateTime& out)
{
    if (dt::fromIsoText(text, out))
        return true;
    ctx.err << "data e ora non valide: " << text << " (usare \"AAAA-MM-GG hh:mm:ss\")\n";
    return false;
}

// The schedule of a connection of profile starting at startText; table and
// start receive what was read.
inline std::optional<Schedule> buildSchedule(CliContext& ctx, const QString& profile,
                                             const QString& startText, TariffTable& table,
                                             TDateTime& start)
{
    if (!parseTime(ctx, startText, start) || !loadProfile(ctx, profile, table))
        return std::nullopt;
    int year, month, day;
    dt::decodeDate(start, year, month, day);
    TflFestivi holidays{uint16_t(year)};
    std::optional<Schedule> schedule = BuildSchedule(table, start, holidays);
    if (!schedule)
        ctx.err << NoBandText(profile).replace(QLatin1Char('\r'), QLatin1Char('\n')) << "\n";
    return schedule;
}

// The "IVA" setting, read without writing anything back.
int32_t ivaSetting(QTextStream& err);

inline QString number(float v)
{
    return QString::asprintf("%.9g", double(v));
}

} // namespace clitariff
