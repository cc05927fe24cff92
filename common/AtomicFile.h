#pragma once
// Whole-file replace: the target holds either its old content or the new
// content, never an empty or half-written file, also on a full disk.
// Steps: temporary file in the same folder, full write, fsync, close,
// rename over the target, fsync of the folder.

#include <QByteArray>
#include <QString>

struct AtomicWriteResult {
    bool ok = false;
    QString error; // "step: system error text", e.g. "write: No space left on device"
};

// A new file is created 0644 less the umask, or 0600 with ownerOnly; an
// existing file keeps its permission bits (with ownerOnly, never more than
// 0600). The temporary file has the final bits before any byte is written.
// A symbolic link as target stays a link: the file it points to is replaced.
// On failure the target is untouched and no temporary file is left, except
// when only the final folder sync failed (the new content is then in place).
AtomicWriteResult writeFileAtomically(const QString& path, const QByteArray& data,
                                      bool ownerOnly = false);
