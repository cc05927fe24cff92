#include "platform/ppp/PppDialJob.h"

#include "common/SysError.h"
#include "platform/ppp/PppLog.h"
#include "platform/ras/RasErrorNote.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

QString startErrorText(const QString& command, int error)
{
    QString text = QStringLiteral("Non è possibile avviare pppd (%1): %2.")
                       .arg(command, systemErrorText(error));
    if (error == EACCES || error == EPERM)
        text += QStringLiteral("\rPer usare pppd il tuo utente deve far parte del gruppo dip.");
    return text;
}

} // namespace

TPppDialJob::TPppDialJob(const QString& command, const QStringList& arguments,
                         RasHandle spareHandle, RasNotifier notifier, TRasErrorNote& note)
    : m_handle(spareHandle), m_notifier(std::move(notifier)), m_note(note)
{
    spawn(command, arguments);
    if (m_pid > 0) {
        m_handle = RasHandle(m_pid);
        m_thread = std::thread([this] { runProcess(); });
    } else {
        m_thread = std::thread([this] { runRefused(ras::DeviceError); });
    }
}

TPppDialJob::TPppDialJob(RasHandle handle, uint32_t error, RasNotifier notifier,
                         TRasErrorNote& note)
    : m_handle(handle), m_notifier(std::move(notifier)), m_note(note)
{
    m_thread = std::thread([this, error] { runRefused(error); });
}

TPppDialJob::~TPppDialJob()
{
    {
        std::lock_guard lock(m_mutex);
        m_silenced = true;
    }
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    closeFd(m_logFd);
    closeFd(m_wakeFd);
    closeFd(m_pidFd);
}

void TPppDialJob::spawn(const QString& command, const QStringList& arguments)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_startError = startErrorText(command, errno);
        return;
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    std::vector<QByteArray> args{QFile::encodeName(command)};
    for (const QString& a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // pppd reads nothing from us; its log, its messages and those of its
    // connect script all come down the one pipe, in the order written.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (int fd : {1, 2, LogFd})
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], fd);
    posix_spawn_file_actions_addclosefrom_np(&actions, LogFd + 1);
    // A session of its own: the link does not end with the terminal the
    // program was started from. Signals handled by the program go back to
    // their defaults.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGCHLD})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        m_startError = startErrorText(command, rc);
        return;
    }
    m_pid = pid;
    m_logFd = pipeFds[0];
    ::fcntl(m_logFd, F_SETFL, ::fcntl(m_logFd, F_GETFL) | O_NONBLOCK);
    m_pidFd = openPidFd(pid);
}

bool TPppDialJob::running() const
{
    std::lock_guard lock(m_mutex);
    return m_pid > 0 && !m_reaped;
}

uint32_t TPppDialJob::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

bool TPppDialJob::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

uint32_t TPppDialJob::hangUp()
{
    std::lock_guard lock(m_mutex);
    m_silenced = true;
    // Under the lock the thread cannot reap pppd, so the pid is still ours.
    if (m_pid <= 0 || m_reaped)
        return ras::Success;
    if (::kill(m_pid, SIGTERM) != 0 && errno == EPERM)
        return ras::AccessDenied;
    return ras::Success;
}

void TPppDialJob::report(uint32_t state, uint32_t error)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_silenced)
            return;
    }
    if (m_notifier)
        m_notifier({m_handle, ras::DialEventMessage, state, error, 0});
}

void TPppDialJob::runRefused(uint32_t error)
{
    if (error == ras::DeviceError)
        m_note.setDetail(m_startError);
    report(ras::OpenPort, 0);
    report(ras::OpenPort, error);
    std::lock_guard lock(m_mutex);
    m_finished = true;
}

void TPppDialJob::runProcess()
{
    report(ras::OpenPort, 0);
    // pppd runs the connect script as soon as it has read its options: the
    // call is being placed.
    m_lastState = ras::ConnectDevice;
    report(ras::ConnectDevice, 0);

    QByteArray partial;
    bool logOpen = true;
    bool exited = false;
    bool woken = false;
    const auto drainLog = [&] {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_logFd, buf, sizeof buf);
            if (n > 0) {
                readLines(QByteArray(buf, n), partial);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                logOpen = false;
            return;
        }
    };
    while (!exited && !woken) {
        pollfd fds[3] = {{m_logFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_pidFd, POLLIN, 0}};
        if (!logOpen)
            fds[0].fd = -1;
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            drainLog();
        woken = fds[1].revents != 0;
        // Without a pid descriptor the end of the log stands for the end of pppd.
        exited = fds[2].revents != 0 || (m_pidFd < 0 && !logOpen);
    }
    if (woken) {
        // The service is going away: reap pppd only if it has already ended.
        std::lock_guard lock(m_mutex);
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            m_reaped = true;
        m_finished = true;
        return;
    }
    if (logOpen)
        drainLog();
    if (!partial.isEmpty())
        takeLine(QString::fromLocal8Bit(partial));

    int status = 0;
    pid_t got;
    {
        std::lock_guard lock(m_mutex);
        do
            got = ::waitpid(m_pid, &status, 0);
        while (got < 0 && errno == EINTR);
        m_reaped = true;
    }
    int exitStatus = ppp::KilledBySignal;
    if (got == m_pid && WIFEXITED(status))
        exitStatus = WEXITSTATUS(status);
    finish(exitStatus);
}

void TPppDialJob::readLines(const QByteArray& chunk, QByteArray& partial)
{
    partial += chunk;
    qsizetype nl;
    while ((nl = partial.indexOf('\n')) >= 0) {
        const QByteArray line = partial.left(nl);
        partial.remove(0, nl + 1);
        takeLine(QString::fromLocal8Bit(line));
    }
}

void TPppDialJob::takeLine(const QString& line)
{
    const ppp::LogLine l = ppp::readLogLine(line);
    if (l.failure != 0) {
        std::lock_guard lock(m_mutex);
        m_failure = l.failure;
        m_detail = l.detail;
    }
    if (l.state == ppp::NoState || m_connected || l.state <= m_lastState)
        return;
    m_lastState = l.state;
    report(l.state, 0);
    if (l.state == ras::Connected)
        m_connected = true;
}

void TPppDialJob::finish(int exitStatus)
{
    uint32_t failure;
    QString detail;
    {
        std::lock_guard lock(m_mutex);
        failure = m_failure;
        detail = m_detail;
    }
    // A link that was up has simply ended; the watch sees it gone.
    if (!m_connected) {
        const uint32_t error = ppp::dialError(exitStatus, failure);
        if (error == ras::DeviceError)
            m_note.setDetail(detail.isEmpty() ? ppp::exitText(exitStatus) : detail);
        report(m_lastState, error);
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
}
