#include "platform/ras/RasSimService.h"

#include "platform/ras/RasTexts.h"

namespace
{

// What a connection dropped by someone else during the dial reports.
constexpr uint32_t PortDisconnected = 619;

bool failsAtAuthentication(uint32_t error)
{
    return error == ras::AuthFailure;
}

} // namespace

TRasSimService::TRasSimService(const QString& programFolder, const IClock& clock)
    : m_store(programFolder, clock)
{
}

TRasSimService::~TRasSimService()
{
    std::map<RasHandle, std::shared_ptr<Job>> jobs;
    {
        std::lock_guard lock(m_mutex);
        jobs.swap(m_jobs);
    }
    for (auto& [handle, job] : jobs) {
        {
            std::lock_guard lock(job->mutex);
            job->cancelled = true;
        }
        job->wake.notify_all();
        if (job->thread.joinable())
            job->thread.join();
    }
}

QStringList TRasSimService::entries()
{
    QStringList names;
    const TRasPhoneBook pb = m_store.phoneBook();
    for (const auto& e : pb.entries())
        names << e.name;
    return names;
}

std::vector<RasConnection> TRasSimService::connections()
{
    std::vector<RasConnection> out;
    const SimConnections s = m_store.connections();
    for (const auto& c : s.list)
        out.push_back({c.handle, c.entryName});
    return out;
}

uint32_t TRasSimService::connectionStatus(RasHandle handle, RasConnStatus& status)
{
    SimConnections s = m_store.connections();
    const SimConnection* c = s.find(handle);
    if (!c)
        return ras::InvalidHandle;
    status.state = c->state;
    status.error = c->error;
    return ras::Success;
}

TRasSimService::Script TRasSimService::scriptFor(const RasPhoneBookEntry& entry, int dialNumber)
{
    Script s;
    s.stepMs = entry.stepMs;
    const bool busy = dialNumber <= entry.busyAttempts;
    const uint32_t error = busy ? uint32_t(ras::LineBusy) : entry.failError;
    if (error == 0) {
        s.states = {ras::OpenPort,
                    ras::PortOpened,
                    ras::ConnectDevice,
                    ras::DeviceConnected,
                    ras::AllDevicesConnected,
                    ras::Authenticate,
                    ras::Authenticated,
                    ras::Connected};
    } else if (failsAtAuthentication(error)) {
        s.states = {ras::OpenPort,        ras::PortOpened,          ras::ConnectDevice,
                    ras::DeviceConnected, ras::AllDevicesConnected, ras::Authenticate};
    } else {
        s.states = {ras::OpenPort, ras::PortOpened, ras::ConnectDevice};
    }
    s.error = error;
    return s;
}

RasHandle TRasSimService::dial(const RasDialParams& params, RasNotifier notifier)
{
    reapFinished();
    const std::optional<RasPhoneBookEntry> entry = m_store.phoneBook().find(params.entryName);

    Script script;
    int dialNumber = 0;
    if (entry) {
        std::lock_guard lock(m_mutex);
        dialNumber = ++m_dialCounts[entry->name.toLower()];
    }
    if (entry) {
        script = scriptFor(*entry, dialNumber);
    } else {
        // Reported like any other dial failure, through the notifier.
        script.states = {ras::OpenPort};
        script.error = ras::EntryNotFound;
    }

    RasHandle handle = 0;
    QString error;
    const bool stored = m_store.update(
        [&](SimConnections& s) {
            handle = s.allocateHandle();
            if (entry) {
                const QString phone =
                    params.phoneNumber.isEmpty() ? entry->phoneNumber : params.phoneNumber;
                s.list.push_back({handle, entry->name, phone, ras::OpenPort, 0, 0});
            }
        },
        error);
    if (!stored) {
        // The service itself is unusable (folder or lock): the dial fails at once.
        script.states = {ras::OpenPort};
        script.error = ras::PortNotAvailable;
    }

    auto job = std::make_shared<Job>();
    {
        std::lock_guard lock(m_mutex);
        m_jobs[handle] = job;
    }
    job->thread = std::thread([this, job, handle, script, notifier = std::move(notifier)] {
        run(job, handle, script, notifier);
    });
    return handle;
}

bool TRasSimService::pause(Job& job, int ms)
{
    std::unique_lock lock(job.mutex);
    job.wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return job.cancelled; });
    return !job.cancelled;
}

void TRasSimService::run(const std::shared_ptr<Job>& job, RasHandle handle, Script script,
                         const RasNotifier& notifier)
{
    const auto notify = [&](uint32_t state, uint32_t error) {
        {
            std::lock_guard lock(job->mutex);
            if (job->cancelled)
                return false;
        }
        if (notifier)
            notifier({handle, ras::DialEventMessage, state, error, 0});
        return true;
    };
    // Moves the stored connection on; false when it has gone meanwhile.
    const auto store = [&](uint32_t state, uint32_t error) {
        bool present = false;
        QString ignored;
        m_store.update(
            [&](SimConnections& s) {
                std::lock_guard lock(job->mutex);
                SimConnection* c = s.find(handle);
                present = c && c->closingAt == 0;
                if (present && !job->cancelled) {
                    c->state = state;
                    c->error = error;
                }
            },
            ignored);
        return present;
    };
    const bool tracked =
        script.error != ras::EntryNotFound && script.error != ras::PortNotAvailable;

    for (size_t i = 0; i < script.states.size(); ++i) {
        const uint32_t state = script.states[i];
        if (!pause(*job, script.stepMs))
            break;
        if (tracked && !store(state, 0)) {
            // Dropped by another process while being set up.
            notify(ras::Disconnected, PortDisconnected);
            break;
        }
        if (!notify(state, 0))
            break;
        const bool last = i + 1 == script.states.size();
        if (last && script.error != 0) {
            if (!pause(*job, script.stepMs))
                break;
            if (tracked && !store(state, script.error)) {
                notify(ras::Disconnected, PortDisconnected);
                break;
            }
            notify(state, script.error);
        }
    }
    std::lock_guard lock(job->mutex);
    job->done = true;
}

void TRasSimService::reapFinished()
{
    std::vector<std::shared_ptr<Job>> finished;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_jobs.begin(); it != m_jobs.end();) {
            bool done;
            {
                std::lock_guard jl(it->second->mutex);
                done = it->second->done;
            }
            if (done) {
                finished.push_back(it->second);
                it = m_jobs.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& job : finished)
        if (job->thread.joinable())
            job->thread.join();
}

bool TRasSimService::idle()
{
    std::lock_guard lock(m_mutex);
    for (const auto& [handle, job] : m_jobs) {
        std::lock_guard jobLock(job->mutex);
        if (!job->done)
            return false;
    }
    return true;
}

uint32_t TRasSimService::hangUp(RasHandle handle)
{
    if (handle == 0)
        return ras::Success;
    std::shared_ptr<Job> job;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_jobs.find(handle);
        if (it != m_jobs.end())
            job = it->second;
    }
    if (job) {
        {
            std::lock_guard lock(job->mutex);
            job->cancelled = true;
        }
        job->wake.notify_all();
    }
    const TRasPhoneBook pb = m_store.phoneBook();
    QString ignored;
    m_store.update(
        [&](SimConnections& s) {
            SimConnection* c = s.find(handle);
            if (!c || c->closingAt != 0)
                return;
            const std::optional<RasPhoneBookEntry> e = pb.find(c->entryName);
            const int linger = e ? e->hangUpMs : 0;
            if (linger == 0)
                std::erase_if(s.list, [&](const SimConnection& x) { return x.handle == handle; });
            else
                c->closingAt = linger < 0 ? -1 : m_store.nowMs() + linger;
        },
        ignored);
    return ras::Success;
}

QString TRasSimService::errorText(uint32_t code)
{
    return ras::errorText(code);
}
