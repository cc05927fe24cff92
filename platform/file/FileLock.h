#pragma once
// Exclusive advisory locks (flock) on files: the one place the program takes
// them. The archive is locked around each write, the simulated dial-up
// service's files around each change, the single-instance file for the whole
// run, the temporary file of a save while it is written.
//
// An flock() lock belongs to the open file, not to the process: a second
// descriptor opened on the same file cannot take it either, and the kernel
// drops it when the last descriptor of the open file is closed, also when the
// process dies.

#include <QString>
#include <cerrno>
#include <sys/types.h>

namespace posixio
{

// Waits for an exclusive lock on fd for up to waitMs milliseconds: 0 tries
// once, LockForever blocks; in between it tries every 20 ms, so the caller is
// never blocked past its deadline. False with errno set; EWOULDBLOCK when
// another holder kept it.
constexpr int LockForever = -1;
bool lockExclusive(int fd, int waitMs);

} // namespace posixio

class TFileLock
{
public:
    enum class Open {
        Existing, // read-only; a missing file is an error
        Create,   // read and write, made with the given mode when missing;
                  // never through a symbolic link
    };

    // Opens path and locks it (waitMs as for posixio::lockExclusive).
    TFileLock(const QString& path, Open open, int waitMs, mode_t mode = 0600);
    // Locks a descriptor the caller keeps open.
    TFileLock(int fd, int waitMs);
    // Unlocks, and closes the descriptor it opened itself.
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    bool held() const { return m_held; }
    // The file was opened (the lock may still have failed).
    bool opened() const { return m_fd >= 0; }
    // Another holder kept the lock until the wait ran out.
    bool heldElsewhere() const { return m_error == EWOULDBLOCK; }
    // errno of the open or the lock that failed; 0 while held.
    int error() const { return m_error; }
    int fd() const { return m_fd; }

private:
    void lock(int waitMs);

    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_held = false;
    int m_error = 0;
};
