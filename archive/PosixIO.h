#pragma once
// The few system calls the archive code repeats: whole reads and writes at an
// offset that loop on short transfers and interrupted calls, and the folder
// sync that makes a new, renamed or removed name reach the disk.

#include "common/SysError.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace posixio
{

inline QString systemError(int err)
{
    return systemErrorText(err);
}

// Writes all of data at off; false with errno set.
inline bool writeAll(int fd, const char* data, qsizetype size, off_t off)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), off + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Reads up to size bytes at off; how many were read (fewer only at the end of
// the file), or -1 with errno set.
inline qsizetype readAll(int fd, char* data, qsizetype size, off_t off)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size_t(size - done), off + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// Syncs the folder that holds the file at nativePath; false with errno set.
// A folder that cannot be synced (some special file systems) is no error.
inline bool syncFolderOf(const QByteArray& nativePath)
{
    const int slash = nativePath.lastIndexOf('/');
    const QByteArray folder =
        slash > 0 ? nativePath.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return false;
    const bool ok = ::fsync(dfd) == 0 || errno == EINVAL || errno == EROFS;
    const int err = errno;
    ::close(dfd);
    errno = err;
    return ok;
}

// fdatasync; special files that cannot be synced are no error.
inline bool syncData(int fd)
{
    return ::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

} // namespace posixio
