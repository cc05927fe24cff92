#include "dialup/DialProgress.h"

#include "dialup/DialSession.h"
#include "dialup/DialUp.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <mutex>

// Shared with every notifier handed out: the service's thread posts through
// it, and the destructor cuts it, so a late notification of a dial still
// running never reaches a destroyed object.
struct TDialProgress::Relay {
    std::mutex mutex;
    TDialProgress* target = nullptr;
};

TDialProgress::TDialProgress(IDialSession& session, IDialStatus& status, QObject* parent)
    : QObject(parent), m_session(session), m_status(status), m_relay(std::make_shared<Relay>())
{
    m_relay->target = this;
}

TDialProgress::~TDialProgress()
{
    std::lock_guard lock(m_relay->mutex);
    m_relay->target = nullptr;
}

void TDialProgress::beginAttempt()
{
    ++m_attempt;
    m_queue.clear();
    m_paused = false;
}

RasNotifier TDialProgress::notifier()
{
    return [relay = m_relay, attempt = m_attempt](const RasNotification& n) {
        std::lock_guard lock(relay->mutex);
        if (!relay->target)
            return;
        // Posting is safe from any thread; while the lock is held the target
        // cannot be destroyed, and Qt drops events of a deleted receiver.
        QMetaObject::invokeMethod(
            relay->target, [target = relay->target, attempt, n] { target->receive(attempt, n); },
            Qt::QueuedConnection);
    };
}

void TDialProgress::receive(int attempt, const RasNotification& n)
{
    if (attempt != m_attempt)
        return; // a dial that has been given up already
    m_queue.push_back(n);
    drain();
}

void TDialProgress::drain()
{
    while (!m_paused && !m_queue.empty()) {
        const RasNotification n = m_queue.front();
        m_queue.pop_front();
        handle(n);
    }
}

void TDialProgress::after(int ms, std::function<void()> step)
{
    m_paused = true;
    QTimer::singleShot(ms, this, [this, attempt = m_attempt, step = std::move(step)] {
        if (attempt != m_attempt)
            return;
        m_paused = false;
        step();
        drain();
    });
}

void TDialProgress::handle(const RasNotification& n)
{
    TDialUp& dialUp = m_session.dialUp();

    dialUp.noteNotification(n);
    const QString stateText = TDialUp::stateText(n.state);
    m_status.setStatusText(stateText);
    const QString errorText = n.error != 0 ? dialUp.errorText(n.error) : QString();

    switch (n.state) {
    case ras::ConnectDevice:
        m_session.startSession();
        if (!m_session.sessionRunning() || !m_session.watchEnabled())
            break; // no tariff profile: the watch said so and is off
        m_sessionStarted = true;
        m_session.setLight(Light::Yellow, false);
        m_session.setBlinking(true);
        break;
    case ras::Connected:
        // A connection is never left untimed, even when the service skipped
        // the device state; with a session running this only re-arms the
        // first save so the confirmed connection is stored at once. A watch
        // switched off has just refused this dial's session (no profile):
        // nothing is timed, or asked again, until the user switches it on.
        if (m_session.watchEnabled())
            m_session.startSession();
        if (m_session.sessionRunning())
            m_sessionStarted = true;
        m_session.setBlinking(false);
        m_session.setLight(Light::Green, true);
        m_session.setConnected(true);
        m_status.finishAttempt(AttemptResult::Connected);
        m_session.backToAutomatic();
        break;
    case ras::Disconnected:
        m_session.setBlinking(false);
        if (m_session.sessionRunning())
            m_session.stopSession();
        m_session.setLight(Light::Red, false);
        break;
    default:
        break;
    }
    m_status.setStatusText(stateText);

    if (n.error == 0)
        return;
    m_status.setStatusText(errorText);
    if (n.error == ras::LineBusy) {
        m_session.setBlinking(false);
        if (m_session.sessionRunning()) {
            // Nothing was spent on a busy line: the bar shows zero again and
            // no dialog is offered (the watch reads this as a busy ending).
            dialUp.state().lastError = ras::LineBusy;
            m_session.stopSession();
            m_sessionStarted = false;
        }
        m_session.setLight(Light::Red, false);
        after(m_pauses.busy, [this] {
            m_status.setStatusText(DisconnectingText);
            m_status.finishAttempt(AttemptResult::Busy);
        });
        return;
    }
    after(m_pauses.error, [this] {
        m_status.setStatusText(DisconnectingOnErrorText);
        after(m_pauses.afterError, [this] { m_status.finishAttempt(AttemptResult::Failed); });
    });
}
