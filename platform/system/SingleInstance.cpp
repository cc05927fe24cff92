#include "platform/system/SingleInstance.h"

#include "common/SysError.h"
#include "platform/file/FileLock.h"
#include "platform/file/PosixIO.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

TSingleInstance::TSingleInstance(const QString& name, const QString& lockFolder)
    : m_name(name), m_folder(lockFolder)
{
}

TSingleInstance::~TSingleInstance()
{
    release();
}

QString TSingleInstance::lockFileName(const QString& name)
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

QString TSingleInstance::defaultLockFolder(QString* error)
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

TSingleInstance::Result TSingleInstance::acquire()
{
    if (isHeld())
        return Result::Acquired;
    m_error.clear();
    QString folder = m_folder;
    if (folder.isEmpty()) {
        folder = defaultLockFolder(&m_error);
        if (folder.isEmpty())
            return Result::Failed;
    }
    m_path = folder + QLatin1Char('/') + lockFileName(m_name);
    auto lock = std::make_unique<TFileLock>(m_path, TFileLock::Open::Create, 0, 0600);
    if (!lock->held()) {
        if (lock->heldElsewhere())
            return Result::HeldElsewhere;
        m_error = QStringLiteral("%1: %2").arg(m_path, systemErrorText(lock->error()));
        return Result::Failed;
    }
    // The holder's process id, for whoever looks at the file; the lock itself
    // is what counts, so a failure here does not matter.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(lock->fd(), 0) == 0)
        posixio::writeAll(lock->fd(), pid.constData(), pid.size());
    m_lock = std::move(lock);
    return Result::Acquired;
}

void TSingleInstance::release()
{
    m_lock.reset();
}
