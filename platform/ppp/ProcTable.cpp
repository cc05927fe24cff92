#include "platform/ppp/ProcTable.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace
{

constexpr int CommMax = 15;

} // namespace

std::optional<ProcStat> parseProcStat(const QByteArray& text)
{
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.lastIndexOf(')');
    if (open < 0 || close < open)
        return std::nullopt;
    ProcStat s;
    s.comm = text.mid(open + 1, close - open - 1);
    // After the name: state (field 3), ppid (4), ..., starttime (22).
    const QList<QByteArray> f = text.mid(close + 1).simplified().split(' ');
    if (f.size() < 20 || f[0].size() != 1)
        return std::nullopt;
    bool okPpid = false;
    bool okStart = false;
    s.state = f[0][0];
    s.ppid = pid_t(f[1].toInt(&okPpid));
    s.startTime = f[19].toULongLong(&okStart);
    if (!okPpid || !okStart)
        return std::nullopt;
    return s;
}

TProcTable::TProcTable(const QString& procFolder) : m_folder(QFile::encodeName(procFolder))
{
    if (!m_folder.endsWith('/'))
        m_folder += '/';
}

QByteArray TProcTable::readSmall(const QByteArray& path) const
{
    // Plain system calls: this runs for every process once a second.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, n);
        if (out.size() > 64 * 1024)
            break;
    }
    ::close(fd);
    return out;
}

std::optional<ProcStat> TProcTable::stat(pid_t pid) const
{
    if (pid <= 0)
        return std::nullopt;
    auto s = parseProcStat(readSmall(m_folder + QByteArray::number(pid) + "/stat"));
    if (!s || s->state == 'Z' || s->state == 'X')
        return std::nullopt;
    return s;
}

std::vector<ProcEntry> TProcTable::named(const QByteArray& comm) const
{
    const QByteArray want = comm.left(CommMax);
    std::vector<ProcEntry> found;
    DIR* dir = ::opendir(m_folder.constData());
    if (!dir)
        return found;
    while (const dirent* d = ::readdir(dir)) {
        const char* name = d->d_name;
        if (*name < '1' || *name > '9')
            continue;
        bool ok = false;
        const pid_t pid = pid_t(QByteArray(name).toInt(&ok));
        if (!ok)
            continue;
        // Most processes are not pppd: their name alone (which the kernel
        // gives far more cheaply than their status) rules them out.
        QByteArray comm = readSmall(m_folder + name + "/comm");
        if (comm.endsWith('\n'))
            comm.chop(1);
        if (comm != want)
            continue;
        const std::optional<ProcStat> s = stat(pid);
        if (!s || s->comm != want)
            continue;
        ProcEntry e{pid, *s, {}};
        const QByteArray cmdline = readSmall(m_folder + name + "/cmdline");
        for (const QByteArray& a : cmdline.split('\0'))
            e.arguments << QFile::decodeName(a);
        if (cmdline.endsWith('\0'))
            e.arguments.removeLast();
        found.push_back(std::move(e));
    }
    ::closedir(dir);

    std::set<pid_t> pids;
    for (const ProcEntry& e : found)
        pids.insert(e.pid);
    std::erase_if(found, [&](const ProcEntry& e) { return pids.count(e.stat.ppid) != 0; });
    return found;
}
