#include "platform/ppp/RasPppService.h"

#include "common/SafeName.h"
#include "common/SysError.h"
#include "platform/ppp/NetInterface.h"
#include "platform/ppp/PppDialJob.h"
#include "platform/ppp/PppRunFiles.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

// Handles of dials refused before pppd started lie above every pid.
constexpr RasHandle FirstSpareHandle = 0x40000000;

// Files of a peers folder that are not peers: editor and package backups.
bool isBackupName(const QString& name)
{
    static const char* const suffixes[] = {"~", ".bak", ".orig", ".rej", ".swp", ".old"};
    for (const char* s : suffixes)
        if (name.endsWith(QLatin1String(s)))
            return true;
    return name.contains(QLatin1String(".dpkg-")) || name.contains(QLatin1String(".ucf-"));
}

QString userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("NOMEUTENTE");
}

// The peer a pppd was started with ("pppd call NAME"), or "".
QString calledPeer(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("call"));
    return at >= 0 ? arguments.value(at + 1) : QString();
}

// Sends SIGTERM to pid if it is still the process that started at
// startTime. A pid descriptor pins the process between the check and the
// signal.
uint32_t terminate(const TProcTable& proc, pid_t pid, quint64 startTime)
{
#ifdef SYS_pidfd_open
    const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        const auto s = proc.stat(pid);
        int rc = 0;
        if (s && s->startTime == startTime)
            rc = int(::syscall(SYS_pidfd_send_signal, fd, SIGTERM, nullptr, 0));
        const int error = errno;
        ::close(fd);
        return rc != 0 && error == EPERM ? uint32_t(ras::AccessDenied) : uint32_t(ras::Success);
    }
    if (errno != ENOSYS)
        return ras::Success; // gone already
#endif
    const auto s = proc.stat(pid);
    if (!s || s->startTime != startTime)
        return ras::Success;
    if (::kill(pid, SIGTERM) != 0 && errno == EPERM)
        return ras::AccessDenied;
    return ras::Success;
}

} // namespace

TRasPppService::TRasPppService(PppPaths paths)
    : m_paths(std::move(paths)), m_proc(m_paths.proc),
      m_commandName(QFile::encodeName(QFileInfo(m_paths.command).fileName()).left(15)),
      m_nextSpareHandle(FirstSpareHandle)
{
}

TRasPppService::~TRasPppService()
{
    std::map<RasHandle, std::shared_ptr<TPppDialJob>> jobs;
    {
        std::lock_guard lock(m_mutex);
        jobs.swap(m_jobs);
    }
    jobs.clear(); // each job stops reporting and its thread ends
}

bool TRasPppService::isPeerName(const QString& name)
{
    return isSafeFileName(name) && !name.startsWith(QLatin1Char('.'));
}

QStringList TRasPppService::entries()
{
    QStringList names;
    QString problem;
    const QByteArray folder = QFile::encodeName(m_paths.peers);
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            problem =
                QStringLiteral("Non è possibile leggere le connessioni di pppd nella cartella "
                               "%1: permesso negato.\rPer vederle il tuo utente deve far "
                               "parte del gruppo dip: sudo adduser %2 dip, poi esci dalla "
                               "sessione e rientra.")
                    .arg(m_paths.peers, userName());
        else if (error == ENOENT)
            problem = QStringLiteral("La cartella %1 non esiste: pppd non ha nessuna connessione "
                                     "configurata.")
                          .arg(m_paths.peers);
        else
            problem = QStringLiteral("Non è possibile leggere la cartella %1: %2.")
                          .arg(m_paths.peers, systemErrorText(error));
    } else {
        while (const dirent* d = ::readdir(dir)) {
            const QString name = QFile::decodeName(d->d_name);
            if (!isPeerName(name) || isBackupName(name))
                continue;
            struct stat st;
            if (::fstatat(::dirfd(dir), d->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
                names << name;
        }
        ::closedir(dir);
    }
    return m_entryNote.take(names, problem);
}

QString TRasPppService::entriesProblem()
{
    return m_entryNote.problem();
}

std::vector<RasConnection> TRasPppService::connections()
{
    reapFinished();
    const std::vector<ProcEntry> procs = m_proc.named(m_commandName);
    const std::map<pid_t, PppLinkInfo> links = readPppRunFiles(m_paths.run);
    std::vector<RasConnection> out;
    std::map<pid_t, quint64> seen;
    for (const ProcEntry& p : procs) {
        const auto link = links.find(p.pid);
        QString name = calledPeer(p.arguments);
        if (name.isEmpty() && link != links.end())
            name = !link->second.linkName.isEmpty() ? link->second.linkName
                                                    : link->second.interfaceName;
        if (name.isEmpty())
            name = QStringLiteral("pppd");
        out.push_back({RasHandle(p.pid), name});
        seen[p.pid] = p.stat.startTime;
    }
    std::lock_guard lock(m_mutex);
    m_seen.swap(seen);
    return out;
}

uint32_t TRasPppService::linkState(pid_t pid) const
{
    const std::map<pid_t, PppLinkInfo> links = readPppRunFiles(m_paths.run);
    const auto it = links.find(pid);
    if (it != links.end() && interfaceHasAddress(it->second.interfaceName))
        return ras::Connected;
    return ras::ConnectDevice;
}

uint32_t TRasPppService::connectionStatus(RasHandle handle, RasConnStatus& status)
{
    const pid_t pid = pid_t(handle);
    uint32_t error = 0;
    if (const std::shared_ptr<TPppDialJob> job = jobOf(handle)) {
        if (!job->running())
            return ras::InvalidHandle;
        error = job->failure();
    } else {
        quint64 startTime;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_seen.find(pid);
            if (it == m_seen.end())
                return ras::InvalidHandle;
            startTime = it->second;
        }
        const auto s = m_proc.stat(pid);
        if (!s || s->startTime != startTime || s->comm != m_commandName)
            return ras::InvalidHandle;
    }
    status.state = linkState(pid);
    status.error = error;
    return ras::Success;
}

QStringList TRasPppService::dialArguments(const RasDialParams& params)
{
    QStringList args{QStringLiteral("call"),      params.entryName,
                     QStringLiteral("nopersist"), QStringLiteral("nodetach"),
                     QStringLiteral("logfd"),     QString::number(TPppDialJob::LogFd)};
    QString phone;
    for (QChar c : params.phoneNumber)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            phone += c;
    if (!phone.isEmpty())
        args << QStringLiteral("set") << PhoneVariable + QLatin1Char('=') + phone;
    return args;
}

RasHandle TRasPppService::dial(const RasDialParams& params, RasNotifier notifier)
{
    reapFinished();
    RasHandle spare;
    {
        std::lock_guard lock(m_mutex);
        spare = m_nextSpareHandle++;
    }
    // A peer that certainly is not there is reported at once; where the
    // folder cannot be searched, pppd (which may read it) decides.
    bool missing = !isPeerName(params.entryName);
    if (!missing) {
        struct stat st;
        const QByteArray peer =
            QFile::encodeName(m_paths.peers + QLatin1Char('/') + params.entryName);
        missing = ::stat(peer.constData(), &st) != 0 && errno == ENOENT;
    }
    std::shared_ptr<TPppDialJob> job =
        missing ? std::make_shared<TPppDialJob>(spare, uint32_t(ras::EntryNotFound),
                                                std::move(notifier), m_note)
                : std::make_shared<TPppDialJob>(m_paths.command, dialArguments(params), spare,
                                                std::move(notifier), m_note);
    const RasHandle handle = job->handle();
    std::lock_guard lock(m_mutex);
    m_jobs[handle] = std::move(job);
    return handle;
}

uint32_t TRasPppService::hangUp(RasHandle handle)
{
    if (handle == 0)
        return ras::Success;
    if (const std::shared_ptr<TPppDialJob> job = jobOf(handle))
        return job->hangUp();
    quint64 startTime;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_seen.find(pid_t(handle));
        if (it == m_seen.end())
            return ras::Success;
        startTime = it->second;
    }
    return terminate(m_proc, pid_t(handle), startTime);
}

QString TRasPppService::errorText(uint32_t code)
{
    if (code == ras::AccessDenied)
        return QStringLiteral("pppd è stato avviato da un altro utente o dal sistema: può "
                              "chiudere la connessione solo chi l'ha aperta (ad esempio con "
                              "poff).");
    return m_note.text(code);
}

std::shared_ptr<TPppDialJob> TRasPppService::jobOf(RasHandle handle)
{
    std::shared_ptr<TPppDialJob> ended;
    std::lock_guard lock(m_mutex);
    const auto it = m_jobs.find(handle);
    if (it == m_jobs.end())
        return nullptr;
    // A dial whose pppd has ended no longer owns its pid, which another
    // process may take.
    if (it->second->finished() && !it->second->running()) {
        ended = std::move(it->second);
        m_jobs.erase(it);
        return nullptr;
    }
    return it->second;
}

bool TRasPppService::idle()
{
    std::lock_guard lock(m_mutex);
    return std::all_of(m_jobs.begin(), m_jobs.end(),
                       [](const auto& entry) { return entry.second->finished(); });
}

void TRasPppService::reapFinished()
{
    std::vector<std::shared_ptr<TPppDialJob>> ended;
    std::lock_guard lock(m_mutex);
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (it->second->finished()) {
            ended.push_back(std::move(it->second));
            it = m_jobs.erase(it);
        } else {
            ++it;
        }
    }
}
