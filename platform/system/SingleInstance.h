#pragma once
// One running instance per user, in place of a named mutex: an exclusive
// flock() on a file named after the mutex in the user's runtime folder. The
// kernel drops the lock when the process ends in any way (crash, kill), so a
// stale lock can never keep the program from starting.
//
// flock() locks belong to the open file, so a second TSingleInstance in the
// same process is refused too, exactly like a second process.

#include <QString>
#include <memory>

class TFileLock;

class TSingleInstance
{
public:
    enum class Result {
        Acquired,      // this object holds the lock
        HeldElsewhere, // another instance holds it
        Failed,        // the lock file could not be opened; errorString() says why
    };

    // name: the mutex name, e.g. "Tarvelo! Pindral"; lockFolder: where the lock
    // file goes, defaultLockFolder() when empty.
    explicit TSingleInstance(const QString& name, const QString& lockFolder = QString());
    ~TSingleInstance(); // releases the lock
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Tries once, without waiting. Calling it again while held returns Acquired.
    Result acquire();
    // True only when the lock is now held by this object.
    bool tryAcquire() { return acquire() == Result::Acquired; }
    bool isHeld() const { return m_lock != nullptr; }
    void release();

    QString lockFilePath() const { return m_path; }
    QString errorString() const { return m_error; }

    // $XDG_RUNTIME_DIR, else /tmp/tarvelo-<uid> (created 0700; refused when it
    // is not a folder of this user, e.g. a planted symlink).
    static QString defaultLockFolder(QString* error = nullptr);
    // The mutex name as a file name: letters, digits, '-' and '.' kept, every
    // other byte of its UTF-8 form written as "_xx" (hex), plus ".lock".
    // "Tarvelo! Pindral" -> "Tarvelo_21_20Pindral.lock".
    static QString lockFileName(const QString& name);

private:
    QString m_name;
    QString m_folder;
    QString m_path;
    QString m_error;
    std::unique_ptr<TFileLock> m_lock;
};
