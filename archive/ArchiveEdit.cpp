#include "archive/ArchiveEdit.h"

#include "archive/ArchiveFile.h"

namespace archiveedit
{

Result editListed(TArchiveFile& archive, const archivechange::RecordRef& listed,
                  const std::function<ConnRecord(const ConnRecord& stored)>& change)
{
    if (listed.indice < 0 || !(listed.inizio > 0))
        return {Status::Missing, {}};
    if (!archive.open())
        return {Status::Failed, archive.errorText()};
    ConnRecord stored;
    TArchiveFile::ReadStatus status = TArchiveFile::ReadStatus::Deleted;
    if (listed.indice < archive.count())
        status = archive.read(listed.indice, stored);
    if (status == TArchiveFile::ReadStatus::Failed)
        return {Status::Failed, archive.errorText()};
    if (status != TArchiveFile::ReadStatus::Stored || stored.inizio != listed.inizio)
        return {Status::Missing, {}};
    if (!archive.write(listed.indice, change(stored)))
        return {Status::Failed, archive.errorText()};
    return {Status::Written, {}};
}

ConnRecord withEdits(const ConnRecord& stored, const ConnRecord& edited)
{
    ConnRecord r = stored;
    r.provider = edited.provider;
    r.telefono = edited.telefono;
    r.motivo = edited.motivo;
    return r;
}

} // namespace archiveedit
