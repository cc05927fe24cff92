#include "tariff/Repricing.h"

#include "archive/ArchiveFile.h"
#include "common/ByteIO.h"
#include "common/Prompt.h"
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
    const std::optional<Schedule> schedule = BuildSchedule(profile, rec.inizio, holidays);
    if (!schedule)
        return std::nullopt;
    return WithVat(ComputeCost(profile, *schedule, rec.inizio, rec.fine).cost, iva);
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
    StoredResult result;
    if (firstRow == 0 || lastRow == 0)
        return result;
    TProfileFiles files(ctx.profiles, ctx.programFolder, ctx.prompt);
    if (!files.LoadProfileForRepricing(name)) {
        refuse(ctx.prompt, NoTableText);
        return result;
    }
    result.started = true;
    if (lastRow < firstRow)
        return result;

    // Opened afresh for writing: a periodic save may have closed the file
    // behind the archive window's back, or someone opened it read-only.
    ArchiveFile& archive = ctx.archive;
    if (!archive.open()) {
        showArchiveError(ctx.prompt, archive.errorText());
        result.archiveFailed = true;
        return result;
    }
    const TariffTable& profile = ctx.profiles.repricing;
    const QString nomeTar = bio::cutTo(name, ConnRecord::NomeTarMax);
    for (int row = firstRow; row <= lastRow; ++row) {
        const int k = row - 1;
        const bool shown = k >= 0 && k < selection.size() && !selection[k].isDeleted();
        ConnRecord rec;
        ArchiveFile::ReadStatus status = ArchiveFile::ReadStatus::Deleted;
        if (shown) {
            const int32_t at = selection[k].indice;
            if (at >= 0 && at < archive.count())
                status = archive.read(at, rec);
        }
        if (status == ArchiveFile::ReadStatus::Failed) {
            showArchiveError(ctx.prompt, archive.errorText());
            result.archiveFailed = true;
            break;
        }
        if (status != ArchiveFile::ReadStatus::Stored) {
            ctx.prompt.message(MissingConnectionText, ProgramTitle, PromptIcon::Warning);
            ++result.missing;
            continue;
        }
        const std::optional<float> cost = costWithVat(profile, rec, ctx.iva, ctx.holidays);
        if (!cost) {
            ++result.noBand;
            continue;
        }
        rec.costo = *cost;
        rec.nomeTar = nomeTar;
        if (!archive.write(rec.indice, rec)) {
            showArchiveError(ctx.prompt, archive.errorText());
            result.archiveFailed = true;
            break;
        }
        ++result.repriced;
    }
    if (result.noBand > 0)
        ctx.prompt.message(noBandStoredText(name, result.noBand), ErrorTitle, PromptIcon::Warning);
    return result;
}

} // namespace repricing
