#pragma once
// Changing many stored connections at once - re-pricing a period or a range
// of listed rows, deleting listed rows - all or nothing, also across a crash,
// a kill or a full disk.
//
// The whole change runs under the archive lock, so the program's own writes
// (the periodic save of a running session) wait for it and are never mixed
// into it. Before the first byte of the archive is touched, the old bytes of
// every field the change is going to rewrite go into an undo journal beside
// the archive ("Archivio.sto.journal"), which is synced and only then given
// its final name. The records are then rewritten in large blocks, the archive
// is synced once, and the journal is removed: that removal is the moment the
// change is made. Whoever next opens or writes the archive and finds a
// journal - the change was killed, or failed half-way - first puts the old
// bytes back, so the change is then wholly undone. Records never move, and
// the file neither grows nor shrinks.
//
// Rewriting in place, rather than swapping in a rewritten copy, costs in
// proportion to the records changed instead of the archive's size, needs
// free space only for the journal, and keeps the file itself (its
// permissions, links, and the descriptors other code holds open on it).

#include "archive/ConnRecord.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace archivechange
{

// A record as it was listed: where it is, and the start it had then. A
// different start there (or none) means the connection was deleted or
// replaced since, and it is left alone.
struct RecordRef {
    int32_t indice = -1;
    TDateTime inizio = 0;
};

// Which records a change concerns.
struct Targets {
    // Listed records, in the order given (rows of the archive window).
    std::vector<RecordRef> listed;
    // With listed records: stop at the first one that is gone; the change
    // then covers the records listed before it.
    bool stopAtMissing = false;
    // Without listed records: every stored record whose start's whole day
    // lies in [fromDay, toDay], both included.
    bool byDays = false;
    TDateTime fromDay = 0;
    TDateTime toDay = 0;

    static Targets rows(std::vector<RecordRef> refs, bool stopAtMissing = false);
    static Targets days(TDateTime fromDay, TDateTime toDay);
};

enum class Phase {
    Reading, // records read and priced; nothing changed yet
    Writing, // records being rewritten
};

struct Progress {
    Phase phase;
    int64_t done;
    int64_t total;
};

// Told after each block of records; returning false stops the change, which
// then leaves the archive as it was.
using ProgressFn = std::function<bool(const Progress&)>;

// A change handed to whoever runs it, with the progress function to give it.
using Work = std::function<void(const ProgressFn& progress)>;
// Runs a change and returns once it has ended. A window gives one that runs
// the change on a worker thread while it shows how far it got and offers to
// stop it; without one, the change runs where it is called. The work must
// then touch nothing the caller's thread uses meanwhile.
using Runner = std::function<void(const Work& work)>;

// The new cost of a stored connection (VAT included), or nothing when it
// cannot be priced (no band in force at its start): it then stays unchanged.
using PriceFn = std::function<std::optional<float>(TDateTime inizio, TDateTime fine)>;

struct Options {
    // How long to wait for another writer of the archive.
    int lockWaitMs = 10000;
    ProgressFn progress;
    // Called with the name of each step as it is reached ("read-part" after
    // the first block read, then "journal", "written-part", "written",
    // "synced", "done"); tests stop the process there.
    std::function<void(const char* step)> checkpoint;
};

enum class Status {
    Done,    // the change is made (possibly of no record)
    Stopped, // stopped through progress: nothing changed
    Failed,  // error says why; nothing changed
};

struct Result {
    Status status = Status::Done;
    int64_t changed = 0; // records re-priced or deleted
    int64_t missing = 0; // listed records gone or replaced since they were listed
    int64_t noBand = 0;  // connections the price function could not price
    bool busy = false;   // failed because another process holds the archive
    QString error;       // in the runtime's words, with the path
};

// Re-prices the target records: costo from price, nomeTar (cut to its field)
// and indice set to the record's position; every other byte stays.
Result reprice(const QString& archivePath, const Targets& targets, const QString& nomeTar,
               const PriceFn& price, const Options& options = {});

// Writes the empty record over every target record.
Result erase(const QString& archivePath, const Targets& targets, const Options& options = {});

// The undo journal of the archive at archivePath.
QString journalPath(const QString& archivePath);

// Undoes a change that was cut short, if its journal is there: puts back the
// old bytes through fd (the archive, open for writing, whose lock the caller
// holds), syncs and removes the journal. True when nothing is left to undo.
// A journal that does not hold together (not written by a change, or
// damaged) is moved aside to "<journal>.damaged" and not applied.
bool recover(int fd, const QString& archivePath, QString* error = nullptr);

} // namespace archivechange
