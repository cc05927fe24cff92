#include "common/AtomicFile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QString errText(const char* step, int err)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(step), qt_error_string(err));
}

bool writeAll(int fd, const char* p, qint64 n, int& err)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, size_t(n));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (w == 0) {
            err = ENOSPC;
            return false;
        }
        p += w;
        n -= w;
    }
    return true;
}

// Creates a new, empty temporary file next to the target. The mode goes
// through open(), so the umask applies without touching the process-wide
// umask (which would race with other threads creating files).
int createTemporary(const QByteArray& dir, mode_t mode, QByteArray& name, int& err)
{
    static const char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = dir + "/.tv-";
        for (int i = 0; i < 6; ++i)
            name += chars[QRandomGenerator::system()->bounded(int(sizeof chars - 1))];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST && errno != EINTR) {
            err = errno;
            return -1;
        }
    }
    err = EEXIST;
    return -1;
}

} // namespace

AtomicWriteResult writeFileAtomically(const QString& path, const QByteArray& data, bool ownerOnly)
{
    AtomicWriteResult r;
    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
        r.error = errText("create", EINVAL);
        return r;
    }
    // Replace what a symbolic link points to, not the link itself, so a user
    // who keeps the file elsewhere keeps the link.
    QFileInfo fi(path);
    if (fi.isSymLink() && fi.exists())
        fi.setFile(fi.canonicalFilePath());
    const QByteArray dir = QFile::encodeName(fi.absolutePath());
    const QByteArray target = QFile::encodeName(fi.absoluteFilePath());

    // A file being replaced keeps its permissions (an owner-only file never
    // becomes readable by others); a new one gets 0644 less the umask.
    struct stat old {
    };
    const bool replacing = ::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t keptMode = old.st_mode & 07777;

    QByteArray tmp;
    int err = 0;
    const int fd = createTemporary(dir, ownerOnly ? 0600 : 0644, tmp, err);
    if (fd < 0) {
        r.error = errText("create", err);
        return r;
    }
    const char* step = nullptr;
    if (replacing && ::fchmod(fd, ownerOnly ? keptMode & 0600 : keptMode) != 0)
        step = "chmod";
    else if (!writeAll(fd, data.constData(), data.size(), err))
        step = "write";
    else if (::fsync(fd) != 0)
        step = "fsync";
    if (step && err == 0)
        err = errno;
    if (::close(fd) != 0 && !step) {
        err = errno;
        step = "close";
    }
    if (!step && ::rename(tmp.constData(), target.constData()) != 0) {
        err = errno;
        step = "rename";
    }
    if (step) {
        ::unlink(tmp.constData());
        r.error = errText(step, err);
        return r;
    }

    // The new name is only durable once the folder is synced; a failure
    // here is reported, the content is already in place.
    // A folder we may write but not read cannot be opened for the sync; the
    // rename has been done, so that alone is no failure.
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        const bool synced = ::fsync(dfd) == 0 || errno == EINVAL;
        err = errno;
        ::close(dfd);
        if (!synced) {
            r.error = errText("fsync folder", err);
            return r;
        }
    }
    r.ok = true;
    return r;
}
