#include "archive/SessionArchive.h"

#include "common/ByteIO.h"
#include "common/Prompt.h"

#include <algorithm>

namespace session
{

namespace
{

// Where this session's record goes: over its own saved record, or appended.
// If the file was cut short behind the program's back, append at its end.
int sessionPosition(const ConnRecords& recs, const TArchiveFile& archive)
{
    if (recs.sessionSaved && recs.sessionIndex >= 0)
        return std::min(recs.sessionIndex, archive.count());
    return archive.count();
}

// Shows an archive error unless one is already on record for this session.
void reportOnce(ConnRecords& recs, IPrompt& prompt, const QString& text)
{
    if (recs.saveErrorShown)
        return;
    recs.saveErrorShown = true;
    showArchiveError(prompt, text);
}

} // namespace

double withVat(double cost, int32_t iva)
{
    return cost * iva / 100.0 + cost;
}

double shownCost(double cost, int32_t iva)
{
    return withVat(cost, iva) + ShownCostExtra;
}

void armFirstSave(ConnRecords& recs)
{
    recs.saveCounter = FirstSaveCounter;
}

void begin(ConnRecords& recs, TArchiveFile& archive, const QString& profileName,
           int32_t dialTimeSeconds, TDateTime now, IPrompt& prompt)
{
    recs.sessionSaved = false;
    recs.sessionIndex = -1;
    recs.saveErrorShown = false;
    ConnRecord& r = recs.running;
    r.inizio = now + dialTimeSeconds * dt::OneSecond;
    r.fine = r.inizio + dt::OneSecond;
    r.motivo = InCorso;
    r.nomeTar = bio::cutTo(profileName, ConnRecord::NomeTarMax);
    // The record is complete before any message: the session may be timed
    // or ended while the message is open.
    if (!archive.open())
        reportOnce(recs, prompt, archive.errorText());
}

bool countTick(ConnRecords& recs, TDateTime now)
{
    if (now < recs.running.inizio)
        return false;
    ++recs.saveCounter;
    recs.running.fine = now;
    return true;
}

SaveResult periodicSave(ConnRecords& recs, TArchiveFile& archive, double shown, bool connected,
                        IPrompt& prompt, ISaveIndicator* indicator)
{
    if (recs.saveCounter <= SaveAfterTicks || !connected)
        return SaveResult::NotDue;
    if (indicator)
        indicator->saveStarted();
    bool ok = archive.open();
    if (ok) {
        const int pos = sessionPosition(recs, archive);
        recs.running.costo = float(shown);
        recs.transfer = recs.running;
        ok = archive.write(pos, recs.transfer, SaveLockWaitMs);
        if (ok) {
            recs.sessionSaved = true;
            recs.sessionIndex = pos;
        }
    }
    if (ok) {
        recs.saveCounter = 0;
        recs.saveErrorShown = false;
    } else if (!archive.busy()) {
        // Another process changing the archive only delays the save: the
        // counter stays due and the next tick saves.
        reportOnce(recs, prompt, archive.errorText());
    }
    archive.close();
    if (indicator)
        indicator->saveFinished(ok);
    return ok ? SaveResult::Saved : SaveResult::Failed;
}

void end(ConnRecords& recs, TDateTime now, double finalCost)
{
    recs.running.fine = now;
    recs.running.costo = float(finalCost);
    recs.transfer = recs.running;
}

void clearInCorso(ConnRecord& rec)
{
    if (rec.motivo == InCorso)
        rec.motivo.clear();
}

bool finalWrite(ConnRecords& recs, TArchiveFile& archive, IPrompt& prompt)
{
    clearInCorso(recs.running);
    recs.transfer = recs.running;
    bool ok = archive.open();
    if (ok) {
        const int pos = sessionPosition(recs, archive);
        ok = archive.write(pos, recs.transfer);
        if (ok) {
            recs.sessionSaved = true;
            recs.sessionIndex = pos;
        }
    }
    if (!ok)
        showArchiveError(prompt, archive.errorText());
    archive.close();
    return ok;
}

bool discardWrite(ConnRecords& recs, TArchiveFile& archive, IPrompt& prompt)
{
    if (!recs.sessionSaved || recs.sessionIndex < 0)
        return true;
    recs.transfer = recs.empty;
    bool ok = archive.open();
    // A record beyond the end is already gone: the file was cut behind our back.
    if (ok && recs.sessionIndex < archive.count())
        ok = archive.write(recs.sessionIndex, recs.transfer);
    if (!ok)
        showArchiveError(prompt, archive.errorText());
    archive.close();
    return ok;
}

void releaseSessionRecord(ConnRecords& recs)
{
    recs.sessionSaved = false;
    recs.sessionIndex = -1;
}

} // namespace session
