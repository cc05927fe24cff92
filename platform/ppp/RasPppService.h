#pragma once
// The dial-up service over pppd, the system's own dialler.
//
// Entries are the peer files of the peers folder (/etc/ppp/peers): "pon
// NAME" and the dialler both run "pppd call NAME". Connections are the pppd
// processes running, whoever started them, so the watch meters a link made
// with pon as well as one dialled here. A pppd without its interface (no
// "pppN.pid" in the run folder) is placing its call; with the interface up
// and an address the link is connected. A connection's handle is pppd's pid,
// bound to the process's start time so that a pid taken over by another
// process reads as gone.
//
// Hang-up sends SIGTERM, as poff does. A pppd started by another user (or by
// root) cannot be signalled: hangUp says so instead of letting the caller
// wait for nothing.
//
// Every system path is given, so that tests point the service at a folder of
// their own and a stand-in for pppd.

#include "platform/ppp/ProcTable.h"
#include "platform/ras/RasEntryNote.h"
#include "platform/ras/RasErrorNote.h"
#include "platform/ras/RasService.h"

#include <map>
#include <memory>
#include <mutex>

class TPppDialJob;

struct PppPaths {
    static inline const QString DefaultCommand = QStringLiteral("/usr/sbin/pppd");
    static inline const QString DefaultPeers = QStringLiteral("/etc/ppp/peers");
    static inline const QString DefaultRun = QStringLiteral("/run");
    static inline const QString DefaultProc = QStringLiteral("/proc");

    QString command = DefaultCommand; // pppd
    QString peers = DefaultPeers;     // the peer files, one per entry
    QString run = DefaultRun;         // where pppd writes its pid files
    QString proc = DefaultProc;       // the processes
};

class TRasPppService : public IRasService
{
public:
    // The environment variable a peer's connect line can give chat as its
    // telephone number ("chat ... -T $TARVELO_PHONE", "\T" in the script):
    // the provider record's telephone number, set with pppd's "set" option.
    static inline const QString PhoneVariable = QStringLiteral("TARVELO_PHONE");

    explicit TRasPppService(PppPaths paths = {});
    // Stops reporting every dial; links keep running.
    ~TRasPppService() override;
    TRasPppService(const TRasPppService&) = delete;
    TRasPppService& operator=(const TRasPppService&) = delete;

    const PppPaths& paths() const { return m_paths; }
    // Every dial of this service has ended: its thread has nothing more to
    // report or reap.
    bool idle();

    QStringList entries() override;
    QString entriesProblem() override;
    std::vector<RasConnection> connections() override;
    uint32_t connectionStatus(RasHandle handle, RasConnStatus& status) override;
    // The user name and password are pppd's own (the peer's "user" and the
    // secrets files): never passed on a command line anyone may read.
    bool usesCredentials() const override { return false; }
    RasHandle dial(const RasDialParams& params, RasNotifier notifier) override;
    uint32_t hangUp(RasHandle handle) override;
    QString errorText(uint32_t code) override;

    // The arguments after the command for a dial of params.
    static QStringList dialArguments(const RasDialParams& params);
    // A name pppd accepts after "call" and that names a file of the peers
    // folder itself.
    static bool isPeerName(const QString& name);

private:
    std::shared_ptr<TPppDialJob> jobOf(RasHandle handle);
    void reapFinished();
    // The link state of a live pppd.
    uint32_t linkState(pid_t pid) const;

    PppPaths m_paths;
    TProcTable m_proc;
    QByteArray m_commandName; // the process name pppd runs under
    TRasErrorNote m_note;
    TRasEntryNote m_entryNote;

    std::mutex m_mutex;                                       // guards what follows
    std::map<RasHandle, std::shared_ptr<TPppDialJob>> m_jobs; // dials of this service
    std::map<pid_t, quint64> m_seen; // start time of every pppd handed out as a connection
    RasHandle m_nextSpareHandle;     // handles of dials refused before pppd started
};
