#pragma once
// Whole-file replace: the target holds either its old content or the new
// content, never an empty or half-written file, also on a full disk.
// Steps: temporary file in the same folder, full write, fsync, close,
// rename over the target, fsync of the folder.

#include <QByteArray>
#include <QString>

struct AtomicWriteResult {
    bool ok = false;
    QString error; // strerror text of the failing step, empty on success
};

// ownerOnly: the temporary file (and so the target) is created 0600 from the
// start; otherwise 0644 (less the umask).
AtomicWriteResult writeFileAtomically(const QString& path, const QByteArray& data,
                                      bool ownerOnly = false);
