#pragma once
// Whole transfers and syncs over file descriptors, for the code that writes
// its files itself: reads and writes that go on after short transfers and
// interrupted calls, and the syncs that make data and names durable. Failures
// are reported through errno, like the calls they wrap.

#include <QByteArray>
#include <sys/types.h>

namespace posixio
{

// Writes all of data at the file position; false with errno set. A write
// that makes no progress counts as a full device (ENOSPC).
bool writeAll(int fd, const char* data, qsizetype size);
// The same at offset off; the file position stays where it is.
bool writeAllAt(int fd, const char* data, qsizetype size, off_t off);

// Reads up to size bytes from the file position: how many were read (fewer
// only at the end of the file), or -1 with errno set.
qsizetype readAll(int fd, char* data, qsizetype size);
// The same at offset off.
qsizetype readAllAt(int fd, char* data, qsizetype size, off_t off);

// fdatasync; files that cannot be synced (special files, EINVAL or EROFS)
// are no error.
bool syncData(int fd);

enum class FolderSync {
    Synced,     // also where the file system cannot sync folders
    CannotOpen, // the folder cannot be opened (e.g. it may be written, not read)
    Failed,     // the sync itself failed
};
// Syncs a folder, so that the names created, renamed or removed in it last;
// errno set unless Synced.
FolderSync syncFolder(const QByteArray& folder);
// Syncs the folder that holds the file at path.
FolderSync syncFolderOf(const QByteArray& path);

} // namespace posixio
