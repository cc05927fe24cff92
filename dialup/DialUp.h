#pragma once
// The program's side of dial-up networking: every operation the watch, the
// dialler and the windows use, over whichever IRasService backend the
// program was started with. State lives in the RasState record passed in.
//
// Threads: all calls belong to the user-interface thread. Dial notifications
// arrive on a thread of the service; the receiver queues them to the
// user-interface thread (e.g. QMetaObject::invokeMethod with
// Qt::QueuedConnection) and there calls noteNotification() before acting.

#include "dialup/RasState.h"
#include "platform/ras/RasService.h"

#include <QString>
#include <functional>

class IClock;
struct TProviderRecord;

enum class RasProbe { NoConnection, Busy, Connecting, Connected };

struct RasProbeResult {
    RasProbe outcome = RasProbe::NoConnection;
    QString entryName; // at most 49 characters; empty with NoConnection
    RasHandle handle = 0;
    uint32_t state = 0;
    uint32_t error = 0;
};

enum class RasHangUp {
    Gone,           // no connection is left
    TimedOut,       // 30 seconds passed while a connection was still there
    AlreadyRunning, // another hang-up with wait is in progress; nothing done
    Refused,        // the service refused to hang up (RasState::hangUpError says why)
};

class TDialUp
{
public:
    static constexpr qint64 HangUpTimeoutMs = 30000;
    static constexpr int QuickHangUpPauseMs = 1000;
    // Pause between status queries while waiting for a hung-up connection.
    static constexpr int WaitStepMs = 10;

    // Blocks the calling thread for the given milliseconds. Tests pass one
    // that moves a TManualClock instead of sleeping.
    using Sleep = std::function<void(int ms)>;

    TDialUp(IRasService& service, RasState& state, const IClock& clock, Sleep sleep = {});

    RasState& state() { return m_state; }
    IRasService& service() { return m_service; }

    // Resets the current provider record, then copies up to 20 phone-book
    // entry names into the RAS entry list. Slots past the number found keep
    // their contents.
    void enumerateEntries(TProviderRecord& current);
    // Why the last enumeration found no entries or only some; empty when the
    // phone book was read in full.
    QString entriesProblem() { return m_service.entriesProblem(); }

    // One look at the active connection. Two or more connections, or a failed
    // query, read as no connection. Stores the status error as the last RAS
    // error unless it is ras::Pending.
    RasProbeResult probe();

    // Starts an asynchronous dial with the provider record's entry, number and
    // credentials; the dial handle is reset and then set to the new handle.
    // Progress and failures reach the notifier only.
    void dial(const TProviderRecord& provider, RasNotifier notifier);

    // Text for a non-zero notification error, at most 255 characters.
    QString errorText(uint32_t code);
    static QString stateText(uint32_t state);

    // Records the handle of a notification as the notified handle.
    void noteNotification(const RasNotification& n) { m_state.notifiedHandle = n.handle; }

    // Hangs up the notified handle and pauses one second; nothing is checked.
    void quickHangUp();

    // Hangs up the active connections one by one and waits until the service
    // reports each gone, for at most 30 seconds from the call. The guard in
    // RasState refuses a second call while one runs; it is cleared on return.
    // A connection the service refuses to close ends the wait at once.
    RasHangUp hangUpWithWait();

private:
    IRasService& m_service;
    RasState& m_state;
    const IClock& m_clock;
    Sleep m_sleep;
};
