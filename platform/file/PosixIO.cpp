#include "platform/file/PosixIO.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace posixio
{

namespace
{

// Calls transfer(done) until size bytes are done; it returns what one call
// of read/write transferred. Stops early at the end (0) when endIsError is
// false, else reports it as a full device.
template <typename Transfer> qsizetype whole(qsizetype size, bool endIsError, Transfer transfer)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = transfer(done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0) {
            if (!endIsError)
                break;
            errno = ENOSPC;
            return -1;
        }
        done += n;
    }
    return done;
}

} // namespace

bool writeAll(int fd, const char* data, qsizetype size)
{
    return whole(size, true, [&](qsizetype done) {
               return ::write(fd, data + done, size_t(size - done));
           }) == size;
}

bool writeAllAt(int fd, const char* data, qsizetype size, off_t off)
{
    return whole(size, true, [&](qsizetype done) {
               return ::pwrite(fd, data + done, size_t(size - done), off + done);
           }) == size;
}

qsizetype readAll(int fd, char* data, qsizetype size)
{
    return whole(size, false,
                 [&](qsizetype done) { return ::read(fd, data + done, size_t(size - done)); });
}

qsizetype readAllAt(int fd, char* data, qsizetype size, off_t off)
{
    return whole(size, false, [&](qsizetype done) {
        return ::pread(fd, data + done, size_t(size - done), off + done);
    });
}

bool syncData(int fd)
{
    return ::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

FolderSync syncFolder(const QByteArray& folder)
{
    const int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return FolderSync::CannotOpen;
    const bool ok = ::fsync(dfd) == 0 || errno == EINVAL || errno == EROFS;
    const int err = errno;
    ::close(dfd);
    errno = err;
    return ok ? FolderSync::Synced : FolderSync::Failed;
}

FolderSync syncFolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return syncFolder(slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : "."));
}

} // namespace posixio
