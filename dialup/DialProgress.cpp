#include "dialup/DialProgress.h"

#include "app/Watch.h"
#include "app/WatchState.h"
#include "app/WatchView.h"
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

TDialProgress::TDialProgress(TWatch& watch, IWatchView& view, IDialStatus& status, QObject* parent)
    : QObject(parent), m_watch(watch), m_view(view), m_status(status),
      m_relay(std::make_shared<Relay>())
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

void TDialProgress::setLight(const QString& text, int image)
{
    WatchState& w = m_watch.context().watch;
    w.light = text;
    w.lightImage = image;
}

void TDialProgress::handle(const RasNotification& n)
{
    const WatchContext& ctx = m_watch.context();
    WatchState& w = ctx.watch;
    TDialUp& dialUp = ctx.dialUp;

    dialUp.noteNotification(n);
    const QString stateText = TDialUp::stateText(n.state);
    m_status.setStatusText(stateText);
    const QString errorText = n.error != 0 ? dialUp.errorText(n.error) : QString();

    switch (n.state) {
    case ras::ConnectDevice:
        m_watch.StartClick();
        if (!w.running || !w.enabled)
            break; // no tariff profile: the watch said so and is off
        m_sessionStarted = true;
        setLight(TWatch::Giallo, TWatch::LightYellow);
        m_view.setTimerActive(WatchTimer::Blink, true);
        break;
    case ras::Connected:
        // A connection is never left untimed, even when the service skipped
        // the device state; with a session running this only re-arms the
        // first save so the confirmed connection is stored at once. A watch
        // switched off has just refused this dial's session (no profile):
        // nothing is timed, or asked again, until the user switches it on.
        if (w.enabled)
            m_watch.StartClick();
        if (w.running)
            m_sessionStarted = true;
        m_view.setTimerActive(WatchTimer::Blink, false);
        setLight(TWatch::Verde, TWatch::LightGreen);
        m_view.showLight(TWatch::LightGreen);
        w.connected = true;
        m_status.finishAttempt(AttemptResult::Connected);
        m_view.setAutLight(true);
        w.mode = 1;
        break;
    case ras::Disconnected:
        m_view.setTimerActive(WatchTimer::Blink, false);
        if (w.running)
            m_watch.StopClick();
        setLight(TWatch::Rosso, TWatch::LightRed);
        break;
    default:
        break;
    }
    m_status.setStatusText(stateText);

    if (n.error == 0)
        return;
    m_status.setStatusText(errorText);
    if (n.error == ras::LineBusy) {
        m_view.setTimerActive(WatchTimer::Blink, false);
        if (w.running) {
            // Nothing was spent on a busy line: the bar shows zero again and
            // no dialog is offered (the watch reads this as a busy ending).
            dialUp.state().lastError = ras::LineBusy;
            m_watch.StopClick();
            m_sessionStarted = false;
        }
        setLight(TWatch::Rosso, TWatch::LightRed);
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
