#include "platform/file/AtomicFile.h"

#include "common/SysError.h"
#include "platform/file/FileLock.h"
#include "platform/file/PosixIO.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Longest part of the target's name that goes into a temporary name, so that
// the temporary name stays within the 255 bytes a folder entry may have.
constexpr int MaxNameInTemporary = 200;
constexpr int RandomChars = 6;
// Links followed one after another before giving up, as the system does.
constexpr int MaxLinkHops = 40;

QString step(const char* what, int err)
{
    return systemErrorText(QString::fromUtf8(what), err);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray prefixFor(const QByteArray& name)
{
    return '.' + name.left(MaxNameInTemporary) + ".tv-";
}

// Where the save really goes when a symbolic link stands at target, or why it
// must not go anywhere. True with resolved set when the save may proceed.
bool resolveTarget(const QByteArray& target, LinkPolicy links, QByteArray& resolved,
                   QString& refusal)
{
    struct stat st {
    };
    if (::lstat(target.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        resolved = target;
        return true;
    }
    if (links == LinkPolicy::Refuse) {
        refusal = QStringLiteral("il file è un collegamento simbolico: questo file non viene mai "
                                 "scritto attraverso un collegamento");
        return false;
    }
    const uid_t me = ::geteuid();
    if (me == 0) {
        refusal = QStringLiteral("il file è un collegamento simbolico: il programma avviato come "
                                 "root non scrive attraverso i collegamenti");
        return false;
    }
    const QString otherUser = QStringLiteral(
        "il file è un collegamento simbolico di un altro utente o porta a un file di un altro "
        "utente: salvataggio rifiutato");
    QByteArray current = target;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        if (::lstat(current.constData(), &st) != 0) {
            if (errno != ENOENT) {
                refusal = step("collegamento", errno);
                return false;
            }
            // A link to a file not made yet: it will be the user's own if it
            // goes into a folder of theirs.
            struct stat folder {
            };
            if (::stat(folderOf(current).constData(), &folder) != 0 || folder.st_uid != me) {
                refusal = otherUser;
                return false;
            }
            resolved = current;
            return true;
        }
        if (st.st_uid != me) {
            refusal = otherUser;
            return false;
        }
        if (!S_ISLNK(st.st_mode)) {
            resolved = current;
            return true;
        }
        QByteArray dest(qsizetype(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = ::readlink(current.constData(), dest.data(), size_t(dest.size()));
        if (n < 0 || n >= dest.size()) {
            refusal = step("collegamento", n < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        dest.truncate(n);
        current = dest.startsWith('/') ? dest : folderOf(current) + '/' + dest;
    }
    refusal = step("collegamento", ELOOP);
    return false;
}

// Removes the temporary files an earlier save of the same target left when
// it was killed. A save in progress holds a lock on its temporary file, so
// only files nobody is writing are taken.
void removeLeftovers(const QByteArray& dir, const QByteArray& prefix)
{
    DIR* d = ::opendir(dir.constData());
    if (!d)
        return;
    const int dfd = ::dirfd(d);
    const uid_t me = ::geteuid();
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name.size() != prefix.size() + RandomChars || !name.startsWith(prefix))
            continue;
        struct stat st {
        };
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != me)
            continue;
        const int fd =
            ::openat(dfd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat opened {
        };
        if (posixio::lockExclusive(fd, 0) && ::fstat(fd, &opened) == 0 &&
            opened.st_ino == st.st_ino && opened.st_dev == st.st_dev)
            ::unlinkat(dfd, e->d_name, 0);
        ::close(fd);
    }
    ::closedir(d);
}

// Creates a new, empty temporary file next to the target and locks it, so
// that the leftover cleanup of another save never takes it. The mode goes
// through open(), so the umask applies without touching the process-wide
// umask (which would race with other threads creating files).
int createTemporary(const QByteArray& base, mode_t mode, QByteArray& name, int& err)
{
    static const char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = base;
        for (int i = 0; i < RandomChars; ++i)
            name += chars[QRandomGenerator::system()->bounded(int(sizeof chars - 1))];
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno != EEXIST && errno != EINTR) {
                err = errno;
                return -1;
            }
            continue;
        }
        // A cleanup may have taken the file between its creation and the
        // lock; then the name no longer leads to it and another is tried.
        struct stat mine {
        }, named{};
        if (posixio::lockExclusive(fd, posixio::LockForever) && ::fstat(fd, &mine) == 0 &&
            ::lstat(name.constData(), &named) == 0 && mine.st_ino == named.st_ino &&
            mine.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    err = EEXIST;
    return -1;
}

} // namespace

bool resolveWriteTarget(const QString& path, LinkPolicy links, QString& target, QString& refusal)
{
    QByteArray resolved;
    if (!resolveTarget(QFile::encodeName(QFileInfo(path).absoluteFilePath()), links, resolved,
                       refusal))
        return false;
    target = QFile::decodeName(resolved);
    return true;
}

QString temporaryFilePrefix(const QString& path)
{
    return QFile::decodeName(prefixFor(nameOf(QFile::encodeName(path))));
}

AtomicWriteResult writeFileAtomically(const QString& path, const QByteArray& data, bool ownerOnly,
                                      LinkPolicy links)
{
    AtomicWriteResult r;
    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
        r.error = step("creazione", EINVAL);
        return r;
    }
    QByteArray target;
    if (!resolveTarget(QFile::encodeName(QFileInfo(path).absoluteFilePath()), links, target,
                       r.error))
        return r;
    const QByteArray dir = folderOf(target);
    const QByteArray prefix = dir + '/' + prefixFor(nameOf(target));
    removeLeftovers(dir, prefixFor(nameOf(target)));

    // A file being replaced keeps its permissions (an owner-only file never
    // becomes readable by others); a new one gets 0644 less the umask.
    struct stat old {
    };
    const bool replacing = ::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t keptMode = old.st_mode & 07777;

    QByteArray tmp;
    int err = 0;
    const int fd = createTemporary(prefix, ownerOnly ? 0600 : 0644, tmp, err);
    if (fd < 0) {
        r.error = step("creazione", err);
        return r;
    }
    // The lock lives as long as any descriptor of the file: this one keeps
    // it from the close (whose error counts) until after the rename.
    const int lockFd = ::dup(fd);
    const char* failed = nullptr;
    if (lockFd < 0)
        failed = "creazione";
    else if (replacing && ::fchmod(fd, ownerOnly ? keptMode & 0600 : keptMode) != 0)
        failed = "permessi";
    else if (!posixio::writeAll(fd, data.constData(), data.size()))
        failed = "scrittura";
    else if (::fsync(fd) != 0)
        failed = "sincronizzazione";
    if (failed && err == 0)
        err = errno;
    if (::close(fd) != 0 && !failed) {
        err = errno;
        failed = "chiusura";
    }
    if (!failed && ::rename(tmp.constData(), target.constData()) != 0) {
        err = errno;
        failed = "rinomina";
    }
    if (failed)
        ::unlink(tmp.constData());
    if (lockFd >= 0)
        ::close(lockFd);
    if (failed) {
        r.error = step(failed, err);
        return r;
    }

    // The new name is only durable once the folder is synced; a failure
    // here is reported, the content is already in place.
    // A folder we may write but not read cannot be opened for the sync; the
    // rename has been done, so that alone is no failure.
    if (posixio::syncFolder(dir) == posixio::FolderSync::Failed) {
        r.error = step("sincronizzazione della cartella", errno);
        return r;
    }
    r.ok = true;
    return r;
}

namespace
{

// Reads the file up to limit bytes; larger: refused unread, or cut.
WholeFileRead readUpTo(const QString& path, qint64 limit, bool refuseLarger)
{
    WholeFileRead r;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // A file in place of one of its folders means no such file, too.
        r.exists = errno != ENOENT && errno != ENOTDIR;
        r.error = step("apertura", errno);
        return r;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0) {
        r.error = step("lettura", errno);
    } else if (S_ISDIR(st.st_mode)) {
        r.error = step("lettura", EISDIR);
    } else if (refuseLarger && st.st_size > limit) {
        r.error = QStringLiteral("lettura: file troppo grande (%1 byte, al massimo %2)")
                      .arg(qint64(st.st_size))
                      .arg(limit);
    } else {
        // The size is a hint: the file may grow or shrink while it is read.
        // One byte more than allowed tells a file that grew too large.
        const qint64 cap = refuseLarger ? limit + 1 : limit;
        r.data.resize(qsizetype(std::min<qint64>(cap, st.st_size + 1)));
        qsizetype got = 0;
        r.ok = true;
        while (got < cap) {
            if (got == r.data.size())
                r.data.resize(qsizetype(std::min<qint64>(cap, got * 2 + 4096)));
            const qsizetype n = posixio::readAll(fd, r.data.data() + got, r.data.size() - got);
            if (n < 0) {
                r.error = step("lettura", errno);
                r.ok = false;
                break;
            }
            got += n;
            if (got < r.data.size())
                break; // the end of the file
        }
        r.data.truncate(got);
        if (r.ok && refuseLarger && got > limit) {
            r.ok = false;
            r.error = QStringLiteral("lettura: file troppo grande (più di %1 byte)").arg(limit);
        }
    }
    ::close(fd);
    if (!r.ok)
        r.data.clear();
    return r;
}

} // namespace

WholeFileRead readWholeFile(const QString& path, qint64 maxBytes)
{
    return readUpTo(path, maxBytes, true);
}

WholeFileRead readFileStart(const QString& path, qint64 maxBytes)
{
    return readUpTo(path, maxBytes, false);
}
