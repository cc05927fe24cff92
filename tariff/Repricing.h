#pragma once
// Changing the tariff profile of connections after the fact: the running
// connection (its session profile and schedule are replaced, and the whole
// connection is priced again from its unchanged start) or a range of stored
// connections (each one read from the archive, priced with its own schedule
// and written back at its own position).
//
// Every connection is priced with a schedule of its own, so re-pricing
// stored connections never touches the schedule of a session running
// meanwhile. A connection for which the chosen profile has no band in force
// at its start is refused and left as it was, never priced at 0.

#include "archive/ArchiveChange.h"
#include "archive/ConnRecord.h"
#include "tariff/CostEngine.h"
#include "tariff/TariffProfiles.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

class TArchiveFile;
class IPrompt;
class TflFestivi;

namespace repricing
{

inline const QString NotRunningText =
    QStringLiteral("Non c'è nessuna connessione in corso. Nessuna modifica possibile.");
inline const QString NoTableText = QStringLiteral("La tabella indicata NON esiste.");
inline const QString MissingConnectionText = QStringLiteral("Connessione Inesistente.");
inline const QString ErrorTitle = QStringLiteral("Errore...");
inline const QString ProgramTitle = QStringLiteral("Tarvelo!...");

// The message for stored connections left unchanged because profileName has
// no band in force at their start.
QString noBandStoredText(const QString& profileName, int count);

// What rec costs with profile, VAT included: a schedule of its own from
// inizio, the cost over [inizio, fine]. Nothing when no band is in force at
// inizio.
std::optional<float> costWithVat(const TariffTable& profile, const ConnRecord& rec, int32_t iva,
                                 TflFestivi& holidays);
std::optional<float> costWithVat(const TariffTable& profile, TDateTime inizio, TDateTime fine,
                                 int32_t iva, TflFestivi& holidays);

// The running session's records that a change of tariff replaces.
struct RunningSession {
    bool running;                      // a session is being timed
    ConnRecord& record;                // the running record (its inizio stays)
    TariffProfiles& profiles;          // working and session profiles
    std::optional<Schedule>& schedule; // the session's own schedule
    ScheduleTrace& trace;              // the session trace list
};

enum class ChangeResult {
    Changed,
    NotRunning, // no session: nothing to change
    NoProfile,  // the profile file is missing or unreadable
    NoBand,     // the profile has no band at the connection's start
};

// Loads profile name into the working profile and, when the running
// connection can be priced with it, makes it the session profile, the
// running record's nomeTar (cut to 50) and rebuilds the session schedule
// from the unchanged inizio: the next session tick prices the whole
// connection, from its start, with the new profile. Any refusal is shown
// through prompt (with a beep for a missing profile or band) and leaves the
// session exactly as it was, still timed with its old profile.
ChangeResult changeRunning(RunningSession session, const QString& programFolder,
                           TflFestivi& holidays, const QString& name, IPrompt& prompt);

// What re-pricing a range of stored connections needs.
struct StoredContext {
    TariffProfiles& profiles; // the re-pricing profile is loaded here
    TArchiveFile& archive;
    TflFestivi& holidays;
    QString programFolder; // with a trailing '/'
    int32_t iva;
    IPrompt& prompt;
};

struct StoredResult {
    bool started = false;       // both rows were set and the profile was loaded
    int repriced = 0;           // records written back
    int missing = 0;            // rows without a stored connection
    int noBand = 0;             // connections the profile cannot price
    bool archiveFailed = false; // the archive could not be opened, read or written (shown)
    bool stopped = false;       // stopped through progress: nothing changed
};

// Re-prices the connections of grid rows firstRow..lastRow (rows from 1;
// row r shows selection[r - 1]) with profile name: each is read again from
// the archive at its indice, priced, given nomeTar = name (cut to 50) and
// written back at the same position; nothing else in the file changes.
// Nothing happens unless both rows are non-zero. A missing profile is
// reported with NoTableText; a row whose connection does not exist (the
// empty row of an empty list, a record deleted, replaced or damaged since)
// with MissingConnectionText, once per row, and the others go on;
// connections the profile cannot price are reported once at the end and
// left unchanged. The range is changed all at once or not at all: an archive
// failure is shown and leaves every record as it was.
StoredResult repriceStored(const StoredContext& ctx, const QString& name,
                           const QList<ConnRecord>& selection, int firstRow, int lastRow);

// The same for the listed connections of the rows to re-price, in row
// order (a row without a connection as a ref of indice -1). progress, when
// given, is told after each block of records and may stop the re-pricing,
// which then changes nothing. runner, when given, runs the change itself
// (the profile is loaded and the messages shown here, on the caller's
// thread); the change then prices with copies of the profile and calendar
// of its own and gives runner's progress function to the archive.
StoredResult repriceStored(const StoredContext& ctx, const QString& name,
                           const std::vector<archivechange::RecordRef>& rows,
                           const archivechange::ProgressFn& progress = {},
                           const archivechange::Runner& runner = {});

} // namespace repricing
