#pragma once
// An exclusive advisory lock on the archive file, held for as long as the
// object lives. The program takes it briefly around each write; a separate
// process that changes the archive holds it for its whole work, so the two
// never interleave their writes.

#include <QString>

class ArchiveLock
{
public:
    // Tries for up to waitMs milliseconds. Does not create the file.
    explicit ArchiveLock(const QString& path, int waitMs = 0);
    // Locks an already open descriptor (not closed by the lock).
    ArchiveLock(int fd, int waitMs);
    ~ArchiveLock();
    ArchiveLock(const ArchiveLock&) = delete;
    ArchiveLock& operator=(const ArchiveLock&) = delete;

    bool acquired() const { return m_locked; }

private:
    void lock(int waitMs);

    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_locked = false;
};
