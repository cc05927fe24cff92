#pragma once
// The processes of the system as the pppd backend needs them, read from a
// proc folder (normally /proc; tests give a folder of their own). Only the
// few small files needed are read, so a whole scan is cheap enough for the
// watch's one-second tick.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>
#include <vector>

struct ProcStat {
    QByteArray comm;  // the process name, at most 15 bytes
    char state = '?'; // 'R', 'S', 'Z', ...
    pid_t ppid = 0;
    quint64 startTime = 0; // clock ticks after boot: with the pid, names one process for good
};

// The fields of a /proc/PID/stat text, or nothing when it cannot be read.
// The name may hold spaces and parentheses: it runs to the last ')'.
std::optional<ProcStat> parseProcStat(const QByteArray& text);

struct ProcEntry {
    pid_t pid = 0;
    ProcStat stat;
    QStringList arguments; // command line, program first
};

class TProcTable
{
public:
    explicit TProcTable(const QString& procFolder);

    // The live process pid (not a zombie), or nothing.
    std::optional<ProcStat> stat(pid_t pid) const;

    // Every live process named comm (as the kernel cuts names, to 15 bytes),
    // with its command line, leaving out those whose parent has that name
    // too: a program's own short-lived children (a fork before an exec) are
    // not separate programs.
    std::vector<ProcEntry> named(const QByteArray& comm) const;

private:
    QByteArray readSmall(const QByteArray& path) const;
    QByteArray m_folder; // with a trailing '/'
};
