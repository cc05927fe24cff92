#pragma once
// Whole-file replace: the target holds either its old content or the new
// content, never an empty or half-written file, also on a full disk.
// Steps: temporary file in the same folder, full write, fsync, close,
// rename over the target, fsync of the folder.
//
// And its counterpart, the whole-file read with a size limit.

#include <QByteArray>
#include <QString>

struct AtomicWriteResult {
    bool ok = false;
    // "step: reason" in Italian, e.g. "scrittura: spazio esaurito sul
    // dispositivo", or why a symbolic link at the target was not followed.
    QString error;
};

// What a symbolic link standing at the target may do.
enum class LinkPolicy {
    // The file it points to is replaced, provided the link and that file
    // (every link of a chain, too) belong to the user running the program and
    // that user is not root; otherwise the save is refused. A file the user
    // keeps in a synced folder or with their dotfiles stays where it is.
    FollowOwn,
    // The save is refused: for files whose bytes come from elsewhere.
    Refuse,
};

// A new file is created 0644 less the umask, or 0600 with ownerOnly; an
// existing file keeps its permission bits (with ownerOnly, never more than
// 0600). The temporary file has the final bits before any byte is written.
// Temporary files that an earlier save of the same target left behind (the
// program was killed in the middle) are removed first.
// On failure the target is untouched and no temporary file is left, except
// when only the final folder sync failed (the new content is then in place).
AtomicWriteResult writeFileAtomically(const QString& path, const QByteArray& data,
                                      bool ownerOnly = false,
                                      LinkPolicy links = LinkPolicy::FollowOwn);

// Where a write to path really goes: path itself, or the file a symbolic
// link there leads to when links allows it. False, with the reason, when the
// write must not go anywhere. For files written in place rather than
// replaced; open the result without following links (O_NOFOLLOW).
bool resolveWriteTarget(const QString& path, LinkPolicy links, QString& target, QString& refusal);

// The name prefix of the temporary files a save of path uses in its folder
// (".HKCU.reg.tv-" for ".../HKCU.reg"); six random characters follow it.
QString temporaryFilePrefix(const QString& path);

struct WholeFileRead {
    bool ok = false;
    bool exists = true; // false: the file is not there (ok is false too)
    QByteArray data;
    QString error; // "step: reason" in Italian
};

// Reads the whole file; a file larger than maxBytes is refused unread.
WholeFileRead readWholeFile(const QString& path, qint64 maxBytes);
// Reads the first maxBytes bytes of the file (all of a shorter one).
WholeFileRead readFileStart(const QString& path, qint64 maxBytes);
