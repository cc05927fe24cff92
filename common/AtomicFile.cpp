#include "common/AtomicFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errText(const char* step, int err)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(step), QString::fromLocal8Bit(strerror(err)));
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

} // namespace

AtomicWriteResult writeFileAtomically(const QString& path, const QByteArray& data, bool ownerOnly)
{
    AtomicWriteResult r;
    const QFileInfo fi(path);
    const QByteArray dir = QFile::encodeName(fi.absolutePath());
    const QByteArray target = QFile::encodeName(fi.absoluteFilePath());
    QByteArray tmpl = dir + "/.tv-XXXXXX";

    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        r.error = errText("create", errno);
        return r;
    }
    int err = 0;
    bool ok = true;
    // mkstemp creates 0600; widen it unless the file holds a secret.
    if (!ownerOnly) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, 0644 & ~mask) != 0) {
            err = errno;
            ok = false;
        }
    }
    if (ok && !writeAll(fd, data.constData(), data.size(), err))
        ok = false;
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    const char* step = ok ? "close" : "write";
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tmpl.constData());
        r.error = errText(step, err);
        return r;
    }
    if (::rename(tmpl.constData(), target.constData()) != 0) {
        err = errno;
        ::unlink(tmpl.constData());
        r.error = errText("rename", err);
        return r;
    }
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        if (::fsync(dfd) != 0 && errno != EINVAL) {
            err = errno;
            ::close(dfd);
            r.error = errText("fsync folder", err);
            return r;
        }
        ::close(dfd);
    }
    r.ok = true;
    return r;
}
