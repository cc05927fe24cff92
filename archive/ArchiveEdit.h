#pragma once
// Changing one listed connection in the archive (the archive window's
// "Modifica Connessione"): the record is written back at its own position,
// and only over the connection that was listed there. Changes of many
// records at once go through archivechange instead.

#include "archive/ArchiveChange.h"
#include "archive/ConnRecord.h"

#include <QString>
#include <functional>

class TArchiveFile;

namespace archiveedit
{

enum class Status {
    Written,
    Missing, // the listed connection is no longer there (deleted, damaged or replaced)
    Failed,  // the archive could not be opened, read or written: error says why
};

struct Result {
    Status status = Status::Written;
    QString error; // in the runtime's words, with the path
};

// Reads the record at listed.indice and, when it is still the connection
// listed (the same start: records never move), writes change(stored record)
// over it. The change works on the record as stored now, so what a periodic
// save of a running session wrote since the listing (end, cost) is kept
// unless the change itself replaces it. The archive is opened afresh: the
// periodic save closes it behind other users' backs.
Result editListed(TArchiveFile& archive, const archivechange::RecordRef& listed,
                  const std::function<ConnRecord(const ConnRecord& stored)>& change);

// stored with what the edit dialog changes taken from edited: provider,
// telephone and description. Start, end and cost stay as stored.
ConnRecord withEdits(const ConnRecord& stored, const ConnRecord& edited);

} // namespace archiveedit
