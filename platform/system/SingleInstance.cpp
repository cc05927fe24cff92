#include "platform/system/SingleInstance.h"

#include "common/SysError.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

SingleInstance::SingleInstance(const QString& name, const QString& lockFolder)
    : m_name(name), m_folder(lockFolder)
{
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::lockFileName(const QString& name)
{
    QString out;
    for (const char c : name.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == '-' || u == '.')
            out.append(QLatin1Char(c));
        else
            out.append(QString::asprintf("_%02x", u));
    }
    return out + QStringLiteral(".lock");
}

QString SingleInstance::defaultLockFolder(QString* error)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;

    // A shared /tmp: the folder must be a real folder of ours that nobody else
    // can write into, or another user could hold our lock or plant a link.
    const uid_t uid = ::getuid();
    const QByteArray path = "/tmp/tarvelo-" + QByteArray::number(uint(uid));
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error =
                QStringLiteral("%1: %2").arg(QString::fromLatin1(path), systemErrorText(errno));
        return {};
    }
    struct stat st {
    };
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid ||
        (st.st_mode & 0022) != 0) {
        if (error)
            *error = QStringLiteral("%1: non è una cartella privata di questo utente")
                         .arg(QString::fromLatin1(path));
        return {};
    }
    return QString::fromLatin1(path);
}

SingleInstance::Result SingleInstance::acquire()
{
    if (m_fd >= 0)
        return Result::Acquired;
    m_error.clear();
    QString folder = m_folder;
    if (folder.isEmpty()) {
        folder = defaultLockFolder(&m_error);
        if (folder.isEmpty())
            return Result::Failed;
    }
    m_path = folder + QLatin1Char('/') + lockFileName(m_name);
    const QByteArray native = QFile::encodeName(m_path);
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = QStringLiteral("%1: %2").arg(m_path, systemErrorText(errno));
        return Result::Failed;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Result::HeldElsewhere;
        m_error = QStringLiteral("%1: %2").arg(m_path, systemErrorText(err));
        return Result::Failed;
    }
    // The holder's process id, for whoever looks at the file; the lock itself
    // is what counts, so a failure here does not matter.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t w = ::write(fd, pid.constData(), size_t(pid.size()));
    }
    m_fd = fd;
    return Result::Acquired;
}

void SingleInstance::release()
{
    if (m_fd >= 0) {
        ::close(m_fd); // closing the last descriptor drops the lock
        m_fd = -1;
    }
}
