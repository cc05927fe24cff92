#include "platform/file/FileLock.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace posixio
{

bool lockExclusive(int fd, int waitMs)
{
    constexpr int StepMs = 20;
    const bool block = waitMs == LockForever;
    for (int waited = 0;;) {
        if (::flock(fd, LOCK_EX | (block ? 0 : LOCK_NB)) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || waited >= waitMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(StepMs));
        waited += StepMs;
    }
}

} // namespace posixio

TFileLock::TFileLock(const QString& path, Open open, int waitMs, mode_t mode) : m_ownsFd(true)
{
    const QByteArray native = QFile::encodeName(path);
    m_fd = open == Open::Create
               ? ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode)
               : ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        m_error = errno;
    else
        lock(waitMs);
}

TFileLock::TFileLock(int fd, int waitMs) : m_fd(fd)
{
    if (m_fd >= 0)
        lock(waitMs);
    else
        m_error = EBADF;
}

TFileLock::~TFileLock()
{
    if (m_held)
        ::flock(m_fd, LOCK_UN);
    if (m_ownsFd && m_fd >= 0)
        ::close(m_fd);
}

void TFileLock::lock(int waitMs)
{
    m_held = posixio::lockExclusive(m_fd, waitMs);
    m_error = m_held ? 0 : errno;
}
