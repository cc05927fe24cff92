#include "archive/ArchiveFile.h"

#include "archive/ArchiveChange.h"
#include "common/Prompt.h"
#include "common/SysError.h"
#include "platform/file/AtomicFile.h"
#include "platform/file/FileLock.h"
#include "platform/file/PosixIO.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Undoes a change of many records that was cut short, so that this opening
// sees all of it or none. fd: the archive, open for writing. A journal whose
// lock is held belongs to a change still running in another process, which
// finishes or undoes itself: nothing to wait for (the lock of a process that
// died is gone with it).
void recoverChange(int fd, const QString& path)
{
    const QByteArray journal = QFile::encodeName(archivechange::journalPath(path));
    const QByteArray unfinished = journal + ".new";
    const bool undo = ::access(journal.constData(), F_OK) == 0;
    const bool stale = ::access(unfinished.constData(), F_OK) == 0;
    if (!undo && !stale)
        return;
    const TFileLock lock(fd, 0);
    if (!lock.held())
        return;
    if (undo)
        archivechange::recover(fd, path);
    // A journal never finished belongs to a change that died before it
    // touched the archive.
    if (stale)
        ::unlink(unfinished.constData());
}

} // namespace

TArchiveFile::TArchiveFile(const QString& folder, const QString& fileName)
{
    m_path = folder;
    if (!m_path.isEmpty() && !m_path.endsWith(QLatin1Char('/')))
        m_path += QLatin1Char('/');
    m_path += fileName;
}

TArchiveFile::~TArchiveFile()
{
    close();
}

bool TArchiveFile::fail(const QString& text)
{
    m_error = text;
    return false;
}

bool TArchiveFile::open(Access access)
{
    close();
    m_error.clear();
    const bool writable = access == Access::ReadWrite;
    // Written in place: through a symbolic link only to the user's own file.
    QString target = m_path;
    QString refusal;
    if (writable && !resolveWriteTarget(m_path, LinkPolicy::FollowOwn, target, refusal))
        return fail(QStringLiteral("Cannot open file %1").arg(m_path) + QLatin1Char('\r') +
                    refusal);
    const QByteArray native = QFile::encodeName(target);
    const int noFollow = writable ? O_NOFOLLOW : 0;
    int fd = ::open(native.constData(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | noFollow);
    if (fd < 0 && errno == ENOENT && writable) {
        fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0 && errno != EEXIST)
            return fail(QStringLiteral("Cannot create file %1").arg(m_path));
        if (fd < 0) // created by someone else meanwhile
            fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        else // a name lost in a crash: the next opening makes the archive again
            posixio::syncFolderOf(native);
    }
    if (fd < 0)
        return fail(QStringLiteral("Cannot open file %1").arg(m_path));
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("Cannot open file %1").arg(m_path));
    }
    if (writable) {
        recoverChange(fd, m_path);
    } else {
        // Read-only openers undo a cut-short change too, when they may.
        const int rw = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        if (rw >= 0) {
            recoverChange(rw, m_path);
            ::close(rw);
        }
    }
    m_fd = fd;
    m_writable = writable;
    m_count = int(st.st_size / ConnRecord::Size);
    return true;
}

void TArchiveFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_writable = false;
}

TArchiveFile::ReadStatus TArchiveFile::read(int i, ConnRecord& into)
{
    into = ConnRecord{};
    into.indice = i;
    if (m_fd < 0 || i < 0) {
        fail(QStringLiteral("Cannot read file %1").arg(m_path));
        return ReadStatus::Failed;
    }
    QByteArray bytes(ConnRecord::Size, '\0');
    const qsizetype n =
        posixio::readAllAt(m_fd, bytes.data(), bytes.size(), off_t(i) * ConnRecord::Size);
    if (n < 0) {
        fail(QStringLiteral("Cannot read file %1: %2").arg(m_path, systemErrorText(errno)));
        return ReadStatus::Failed;
    }
    if (n < ConnRecord::Size) {
        fail(QStringLiteral("Cannot read file %1: il record %2 è oltre la fine del file")
                 .arg(m_path)
                 .arg(i));
        return ReadStatus::Failed;
    }
    const ConnRecord::Kind kind = ConnRecord::classify(bytes);
    if (kind == ConnRecord::Kind::Damaged)
        return ReadStatus::Damaged;
    into = ConnRecord::fromBytes(bytes);
    into.indice = i;
    return kind == ConnRecord::Kind::Stored ? ReadStatus::Stored : ReadStatus::Deleted;
}

bool TArchiveFile::write(int i, const ConnRecord& rec, int lockWaitMs)
{
    m_error.clear();
    m_busy = false;
    if (m_fd < 0 || !m_writable || i < 0)
        return fail(QStringLiteral("Cannot write file %1").arg(m_path));
    const TFileLock lock(m_fd, lockWaitMs);
    if (!lock.held()) {
        m_busy = true;
        return fail(
            QStringLiteral("Cannot write file %1: in uso da un altro processo").arg(m_path));
    }
    // A change of many records cut short since this file was opened is
    // undone before this record goes in, never after (which would undo the
    // record with it).
    QString undoError;
    if (!archivechange::recover(m_fd, m_path, &undoError))
        return fail(undoError);

    struct stat st {
    };
    if (::fstat(m_fd, &st) != 0)
        return fail(QStringLiteral("Cannot write file %1: %2").arg(m_path, systemErrorText(errno)));
    const off_t oldSize = st.st_size;
    const off_t off = off_t(i) * ConnRecord::Size;

    // Keep what is there now, to put it back if the write is cut short.
    QByteArray old(ConnRecord::Size, '\0');
    qsizetype oldLen = 0;
    if (off < oldSize) {
        oldLen = posixio::readAllAt(m_fd, old.data(), old.size(), off);
        if (oldLen < 0)
            oldLen = 0;
    }

    const QByteArray bytes = rec.toBytes();
    bool ok = posixio::writeAllAt(m_fd, bytes.constData(), bytes.size(), off);
    int err = errno;
    // A failed sync of the data is a failed write; special files that
    // cannot be synced are not an error.
    if (ok && !posixio::syncData(m_fd)) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        if (oldLen > 0)
            posixio::writeAllAt(m_fd, old.constData(), oldLen, off);
        if (off + ConnRecord::Size > oldSize && ::ftruncate(m_fd, oldSize) != 0) {
            // Nothing more can be done; the write is reported as failed below.
        }
        return fail(QStringLiteral("Cannot write file %1: %2").arg(m_path, systemErrorText(err)));
    }
    if (i >= m_count)
        m_count = i + 1;
    return true;
}

int TArchiveFile::readBlock(int first, int n, char* into)
{
    if (m_fd < 0 || first < 0 || n < 0) {
        fail(QStringLiteral("Cannot read file %1").arg(m_path));
        return -1;
    }
    const qsizetype got = posixio::readAllAt(m_fd, into, qsizetype(n) * ConnRecord::Size,
                                             off_t(first) * ConnRecord::Size);
    if (got < 0) {
        fail(QStringLiteral("Cannot read file %1: %2").arg(m_path, systemErrorText(errno)));
        return -1;
    }
    return int(got / ConnRecord::Size);
}

QList<ConnRecord> TArchiveFile::readStored(QList<int>* damaged)
{
    QList<ConnRecord> out;
    ConnRecord rec;
    for (int i = 0; i < m_count; ++i) {
        const ReadStatus st = read(i, rec);
        if (st == ReadStatus::Stored)
            out.append(rec);
        else if (st != ReadStatus::Deleted && damaged)
            damaged->append(i);
    }
    return out;
}

void showArchiveError(IPrompt& prompt, const QString& text)
{
    prompt.message(text, QStringLiteral("Tarvelo!"), PromptIcon::Error);
}
