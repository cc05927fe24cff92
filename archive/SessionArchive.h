#pragma once
// What a timed session does to the archive: session begin, the periodic save
// on every session tick (the program's only crash recovery), session end, and
// the final or discard write chosen in the end-of-connection dialog.
//
// The connection watch drives these calls; each takes the records, the
// archive and the prompt explicitly, and the time as a value, so tests can
// run a whole session without timers.

#include "archive/ArchiveFile.h"
#include "archive/ConnRecords.h"
#include "common/DateTime.h"

#include <QString>
#include <cstdint>

class IPrompt;

// Told around each periodic save, so the main bar can paint its autLight red
// while the archive is being written and green afterwards.
class ISaveIndicator
{
public:
    virtual ~ISaveIndicator() = default;
    virtual void saveStarted() = 0;
    virtual void saveFinished(bool ok) = 0;
};

namespace session
{

// The description of a running connection; a confirmed connection that still
// carries it exactly is stored with an empty description.
inline const QString InCorso = QStringLiteral("Connessione In Corso...");

// Session begin puts the save counter here so that the first confirmed tick saves.
constexpr int32_t FirstSaveCounter = 11000;
// A save is due when the counter passes this: every 21st tick.
constexpr int32_t SaveAfterTicks = 20;
// Added to the cost shown on the bar and to the periodically saved cost.
constexpr double ShownCostExtra = 0.49;

// cost + cost × iva / 100 (iva: whole percentage).
double withVat(double cost, int32_t iva);
// withVat + 0.49: what the bar shows and the periodic save stores.
double shownCost(double cost, int32_t iva);

// Session begin, step 1: on every call, also while a session already runs
// (the watch calls it again when a dialled connection becomes confirmed).
void armFirstSave(ConnRecords& recs);

// Session begin for a new session, after the caller found no session running
// and loaded the tariff profile: opens the archive (creating a missing file),
// sets inizio = now + dialTimeSeconds, fine = inizio + 1 s, motivo "Connessione
// In Corso...", nomeTar = profileName (cut to 50), and forgets any record of an
// earlier session. A failure to open the archive is shown once and does not
// stop the session: the periodic save tries again.
void begin(ConnRecords& recs, TArchiveFile& archive, const QString& profileName,
           int32_t dialTimeSeconds, TDateTime now, IPrompt& prompt);

// Session tick, first half: false (nothing counted) while now < inizio;
// otherwise save counter + 1 and fine = now. The caller then prices
// [inizio, fine] and calls periodicSave with the shown cost.
bool countTick(ConnRecords& recs, TDateTime now);

enum class SaveResult { NotDue, Saved, Failed };

// How long a periodic save waits for another process that is changing the
// archive, so that the bar's tick never stalls.
constexpr int SaveLockWaitMs = 50;

// Due when the save counter is past 20 and the connection is confirmed:
// stores shown as costo and writes the running record, appended the first
// time in a session and over that same record afterwards. A failure is shown
// once until a save succeeds again; the counter stays due, so the next tick
// retries. An archive held by another process is no failure to show: the
// save is only late.
SaveResult periodicSave(ConnRecords& recs, TArchiveFile& archive, double shown, bool connected,
                        IPrompt& prompt, ISaveIndicator* indicator = nullptr);

// Session end: fine = now, costo = finalCost (VAT included, without the 0.49);
// transfer record = running record. Writes nothing.
void end(ConnRecords& recs, TDateTime now, double finalCost);

// Clears motivo when it is exactly "Connessione In Corso...".
void clearInCorso(ConnRecord& rec);

// The user keeps the finished connection: the running record goes over this
// session's saved record, or is appended. False (error shown) when the
// archive cannot be opened or written; nothing is then changed.
bool finalWrite(ConnRecords& recs, TArchiveFile& archive, IPrompt& prompt);

// The user discards the finished connection: a record already saved by this
// session becomes the empty record (the file keeps its size); otherwise
// nothing is written. False (error shown) on failure.
bool discardWrite(ConnRecords& recs, TArchiveFile& archive, IPrompt& prompt);

// The end dialog closed: the next session must not take this session's
// record for its own.
void releaseSessionRecord(ConnRecords& recs);

} // namespace session
