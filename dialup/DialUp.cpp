#include "dialup/DialUp.h"

#include "common/Clock.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasTexts.h"

#include <chrono>
#include <thread>

namespace
{

// Text limits of the service's dial parameters.
constexpr int PhoneNumberMax = 128;
constexpr int UserNameMax = 256;
constexpr int PasswordMax = 256;
constexpr int DomainMax = 15;
constexpr int ErrorTextMax = 255;

} // namespace

TDialUp::TDialUp(IRasService& service, RasState& state, const IClock& clock, Sleep sleep)
    : m_service(service), m_state(state), m_clock(clock), m_sleep(std::move(sleep))
{
    if (!m_sleep)
        m_sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}

void TDialUp::enumerateEntries(TProviderRecord& current)
{
    current.reset();
    const QStringList names = m_service.entries();
    const int n = int(std::min<qsizetype>(names.size(), ras::EntrySlots));
    for (int i = 0; i < n; ++i)
        m_state.entries[size_t(i)] = names[i].left(ras::MaxEntryName);
}

RasProbeResult TDialUp::probe()
{
    RasProbeResult r;
    const std::vector<RasConnection> conns = m_service.connections();
    if (conns.size() != 1)
        return r;
    RasConnStatus status;
    if (m_service.connectionStatus(conns.front().handle, status) != ras::Success)
        return r;
    if (status.error != ras::Pending)
        m_state.lastError = status.error;

    if (status.state == ras::Connected)
        r.outcome = RasProbe::Connected;
    else if (status.error == ras::LineBusy)
        r.outcome = RasProbe::Busy;
    else
        r.outcome = RasProbe::Connecting;
    r.entryName = conns.front().entryName.left(ras::ProbeEntryNameMax);
    r.handle = conns.front().handle;
    r.state = status.state;
    r.error = status.error;
    return r;
}

void TDialUp::dial(const TProviderRecord& provider, RasNotifier notifier)
{
    RasDialParams p;
    p.entryName = provider.entryName.left(ras::MaxEntryName);
    p.phoneNumber = provider.phoneNumber.left(PhoneNumberMax);
    p.userName = provider.userName.left(UserNameMax);
    p.password = provider.password.left(PasswordMax);
    // "*": the entry's own domain from the phone book.
    p.domain = QStringLiteral("*").left(DomainMax);
    m_state.dialHandle = 0;
    m_state.dialHandle = m_service.dial(p, std::move(notifier));
}

QString TDialUp::errorText(uint32_t code)
{
    return m_service.errorText(code).left(ErrorTextMax);
}

QString TDialUp::stateText(uint32_t state)
{
    return ras::stateText(state);
}

void TDialUp::quickHangUp()
{
    m_service.hangUp(m_state.notifiedHandle);
    m_sleep(QuickHangUpPauseMs);
}

RasHangUp TDialUp::hangUpWithWait()
{
    if (m_state.hangUpRunning)
        return RasHangUp::AlreadyRunning;
    m_state.hangUpRunning = true;
    struct ClearGuard {
        bool& flag;
        ~ClearGuard() { flag = false; }
    } clearGuard{m_state.hangUpRunning};

    const qint64 start = m_clock.monotonicMs();
    const auto timedOut = [&] { return m_clock.monotonicMs() - start >= HangUpTimeoutMs; };
    for (;;) {
        m_state.dialHandle = 0;
        const std::vector<RasConnection> conns = m_service.connections();
        if (conns.empty())
            return RasHangUp::Gone;
        m_state.dialHandle = conns.front().handle;
        const uint32_t refused = m_service.hangUp(m_state.dialHandle);
        if (refused != ras::Success) {
            m_state.hangUpError = refused;
            return RasHangUp::Refused;
        }
        RasConnStatus status;
        while (m_service.connectionStatus(m_state.dialHandle, status) != ras::InvalidHandle) {
            if (timedOut())
                return RasHangUp::TimedOut;
            m_sleep(WaitStepMs);
        }
        // A connection that keeps coming back must not hold the caller forever.
        if (timedOut())
            return RasHangUp::TimedOut;
    }
}
