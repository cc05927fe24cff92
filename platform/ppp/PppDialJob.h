#pragma once
// One dial through pppd: starts "pppd call ENTRY nopersist nodetach logfd 3"
// (plus the caller's options) with its log on a pipe, and reads that log on a
// thread of its own, reporting the dial's progress to the notifier in order:
// the port being opened, the call being placed, the line connected, the
// link authenticated, the link up; or the error that ended the dial.
//
// pppd is this process's child: its pid cannot be taken by another process
// until the job's thread has reaped it, so the pid is the dial's handle.
// Once the link is up nothing more is reported; the thread stays to reap
// pppd when the link ends.

#include "platform/ras/RasTypes.h"

#include <QString>
#include <QStringList>
#include <mutex>
#include <sys/types.h>
#include <thread>

class TRasErrorNote;

class TPppDialJob
{
public:
    // The descriptor pppd is told to log to.
    static constexpr int LogFd = 3;

    // Starts pppd. If it cannot be started, the job reports the failure
    // (ras::DeviceError, the reason in note) under spareHandle.
    TPppDialJob(const QString& command, const QStringList& arguments, RasHandle spareHandle,
                RasNotifier notifier, TRasErrorNote& note);
    // A dial refused before pppd is started: reports the opening of the port,
    // then error, under handle.
    TPppDialJob(RasHandle handle, uint32_t error, RasNotifier notifier, TRasErrorNote& note);
    // Stops reporting and lets the thread end; a pppd still running is left
    // alone (the link outlives the program that dialled it).
    ~TPppDialJob();
    TPppDialJob(const TPppDialJob&) = delete;
    TPppDialJob& operator=(const TPppDialJob&) = delete;

    RasHandle handle() const { return m_handle; }
    // pppd has not ended yet.
    bool running() const;
    // The failure pppd's log has named so far (a busy line, say), 0 for none.
    uint32_t failure() const;
    // The thread has nothing more to do.
    bool finished() const;

    // Ends the dial: no more reports, and pppd is asked to end (SIGTERM).
    // Returns ras::Success, or ras::AccessDenied if the signal was refused.
    uint32_t hangUp();

private:
    void runProcess();
    void runRefused(uint32_t error);
    void readLines(const QByteArray& chunk, QByteArray& partial);
    void takeLine(const QString& line);
    void report(uint32_t state, uint32_t error);
    void finish(int exitStatus);
    void spawn(const QString& command, const QStringList& arguments);

    RasHandle m_handle = 0;
    pid_t m_pid = -1;
    int m_logFd = -1;
    int m_wakeFd = -1;
    int m_pidFd = -1;
    QString m_startError; // why pppd could not be started
    RasNotifier m_notifier;
    TRasErrorNote& m_note;

    mutable std::mutex m_mutex; // guards what follows and the reaping of m_pid
    bool m_reaped = false;
    bool m_silenced = false; // hung up or destroyed: report nothing more
    bool m_finished = false;
    uint32_t m_failure = 0;
    QString m_detail;

    // Used by the thread only.
    uint32_t m_lastState = 0;
    bool m_connected = false;

    std::thread m_thread;
};
