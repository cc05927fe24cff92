#include "tariff/Repricing.h"

#include "archive/ArchiveFile.h"
#include "common/ByteIO.h"
#include "common/Prompt.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/ProfileFiles.h"

namespace repricing
{

namespace
{

void refuse(IPrompt& prompt, const QString& text)
{
    prompt.beep();
    prompt.message(text, ErrorTitle, PromptIcon::Error);
}

} // namespace

QString noBandStoredText(const QString& profileName, int count)
{
    return NoBandText(profileName) +
           QStringLiteral("\rConnessioni lasciate invariate: %1.").arg(count);
}

std::optional<float> costWithVat(const TariffTable& profile, const ConnRecord& rec, int32_t iva,
                                 TflFestivi& holidays)
{
    return costWithVat(profile, rec.inizio, rec.fine, iva, holidays);
}

std::optional<float> costWithVat(const TariffTable& profile, TDateTime inizio, TDateTime fine,
                                 int32_t iva, TflFestivi& holidays)
{
    const std::optional<float> cost = CostOfConnection(profile, inizio, fine, holidays);
    if (!cost)
        return std::nullopt;
    return WithVat(*cost, iva);
}

ChangeResult changeRunning(RunningSession session, const QString& programFolder,
                           TflFestivi& holidays, const QString& name, IPrompt& prompt)
{
    if (!session.running) {
        prompt.message(NotRunningText, ProgramTitle, PromptIcon::Information);
        return ChangeResult::NotRunning;
    }
    TProfileFiles files(session.profiles, programFolder, prompt);
    if (!files.LoadProfile(name, false)) {
        // The session goes on with the profile it has: switching the watch
        // off here would leave the connection untimed and never offered for
        // keeping.
        prompt.beep();
        prompt.message(NoTableText, ErrorTitle, PromptIcon::Error, true);
        return ChangeResult::NoProfile;
    }
    // The schedule is built before anything changes, so that a profile that
    // cannot price this connection leaves the session as it was.
    ScheduleTrace trace{name, {}};
    std::optional<Schedule> schedule =
        BuildSchedule(session.profiles.working, session.record.inizio, holidays, &trace);
    if (!schedule) {
        refuse(prompt, NoBandText(name));
        return ChangeResult::NoBand;
    }
    session.profiles.session = session.profiles.working;
    session.record.nomeTar = bio::cutTo(name, ConnRecord::NomeTarMax);
    session.schedule = std::move(schedule);
    session.trace = std::move(trace);
    return ChangeResult::Changed;
}

StoredResult repriceStored(const StoredContext& ctx, const QString& name,
                           const QList<ConnRecord>& selection, int firstRow, int lastRow)
{
    if (firstRow == 0 || lastRow == 0)
        return {};
    std::vector<archivechange::RecordRef> rows;
    for (int row = firstRow; row <= lastRow; ++row) {
        const int k = row - 1;
        if (k >= 0 && k < selection.size() && !selection[k].isDeleted())
            rows.push_back({selection[k].indice, selection[k].inizio});
        else
            rows.push_back({});
    }
    return repriceStored(ctx, name, rows);
}

StoredResult repriceStored(const StoredContext& ctx, const QString& name,
                           const std::vector<archivechange::RecordRef>& rows,
                           const archivechange::ProgressFn& progress,
                           const archivechange::Runner& runner)
{
    StoredResult result;
    TProfileFiles files(ctx.profiles, ctx.programFolder, ctx.prompt);
    if (!files.LoadProfileForRepricing(name)) {
        refuse(ctx.prompt, NoTableText);
        return result;
    }
    result.started = true;
    if (rows.empty())
        return result;

    // The change may run on another thread: it prices with a copy of the
    // profile and a calendar of its own, and reaches nothing else of ctx.
    const TariffTable profile = ctx.profiles.repricing;
    const int32_t iva = ctx.iva;
    const QString path = ctx.archive.path();
    archivechange::Result r;
    const archivechange::Work work = [&](const archivechange::ProgressFn& told) {
        TflFestivi holidays(ctx.holidays.Year());
        archivechange::Options options;
        options.progress = told;
        r = archivechange::reprice(
            path, archivechange::Targets::rows(rows), name,
            [&](TDateTime inizio, TDateTime fine) {
                return costWithVat(profile, inizio, fine, iva, holidays);
            },
            options);
    };
    if (runner)
        runner(work);
    else
        work(progress);
    if (r.status == archivechange::Status::Stopped) {
        result.stopped = true;
        return result;
    }
    if (r.status == archivechange::Status::Failed) {
        showArchiveError(ctx.prompt, r.error);
        result.archiveFailed = true;
        return result;
    }
    result.repriced = int(r.changed);
    result.missing = int(r.missing);
    result.noBand = int(r.noBand);
    for (int i = 0; i < result.missing; ++i)
        ctx.prompt.message(MissingConnectionText, ProgramTitle, PromptIcon::Warning);
    if (result.noBand > 0)
        ctx.prompt.message(noBandStoredText(name, result.noBand), ErrorTitle, PromptIcon::Warning);
    return result;
}

} // namespace repricing
