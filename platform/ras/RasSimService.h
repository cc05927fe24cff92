#pragma once
// The simulated dial-up service: the default backend where the system has no
// dial-up service of its own. Entries come from the phone book in ras-sim/;
// connections live in ras-sim/connections.json, so a connection made by
// another process (tarvelo-cli ras connect) is seen here and the other way
// round. A dial walks the usual states on a thread of its own and reports
// each one through the notifier, as the phone book's Sim* keys script it.

#include "platform/ras/RasService.h"
#include "platform/ras/RasSimStore.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class TRasSimService : public IRasService
{
public:
    TRasSimService(const QString& programFolder, const IClock& clock);
    // Stops every dial still running and waits for its thread, so a notifier
    // must never wait on the thread that destroys the service.
    ~TRasSimService() override;
    TRasSimService(const TRasSimService&) = delete;
    TRasSimService& operator=(const TRasSimService&) = delete;

    QStringList entries() override;
    std::vector<RasConnection> connections() override;
    uint32_t connectionStatus(RasHandle handle, RasConnStatus& status) override;
    RasHandle dial(const RasDialParams& params, RasNotifier notifier) override;
    uint32_t hangUp(RasHandle handle) override;
    QString errorText(uint32_t code) override;

    TRasSimStore& store() { return m_store; }
    // No dial is running: every notification of the dials so far has been sent.
    bool idle();

    // The states the dialNumber-th dial (from 1) of an entry passes through,
    // and the error reported again with the last one (0: the dial connects).
    struct Script {
        std::vector<uint32_t> states;
        uint32_t error = 0;
        int stepMs = 0;
    };
    static Script scriptFor(const RasPhoneBookEntry& entry, int dialNumber);

private:
    struct Job {
        std::thread thread;
        std::mutex mutex;
        std::condition_variable wake;
        bool cancelled = false;
        bool done = false;
    };

    void run(const std::shared_ptr<Job>& job, RasHandle handle, Script script,
             const RasNotifier& notifier);
    // Waits ms unless the job is cancelled first; returns false when cancelled.
    static bool pause(Job& job, int ms);
    void reapFinished();

    TRasSimStore m_store;
    std::mutex m_mutex; // guards m_jobs and m_dialCounts
    std::map<RasHandle, std::shared_ptr<Job>> m_jobs;
    std::map<QString, int> m_dialCounts; // dials so far per entry (lower-case name)
};
