#include "archive/ArchiveLock.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

ArchiveLock::ArchiveLock(const QString& path, int waitMs)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    m_ownsFd = true;
    if (m_fd >= 0)
        lock(waitMs);
}

ArchiveLock::ArchiveLock(int fd, int waitMs) : m_fd(fd)
{
    if (m_fd >= 0)
        lock(waitMs);
}

ArchiveLock::~ArchiveLock()
{
    if (m_locked)
        ::flock(m_fd, LOCK_UN);
    if (m_ownsFd && m_fd >= 0)
        ::close(m_fd);
}

void ArchiveLock::lock(int waitMs)
{
    // Never block the user-interface thread for long: poll with a deadline.
    constexpr int StepMs = 20;
    for (int waited = 0;; waited += StepMs) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_locked = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(StepMs));
    }
}
