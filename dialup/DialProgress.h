#pragma once
// What the dialler does with each progress notification of its dial: the
// dialling-status window's texts and result, the session on the bar, the
// traffic light and the watch mode.
//
// Notifications arrive on a thread of the dial-up service. notifier() wraps
// them so that they are queued to the thread this object lives on (the
// user-interface thread) and handled there one by one in order of arrival.
// The pauses after a failure (the status window keeps showing the error for
// a moment) hold back the handling of later notifications instead of
// blocking any thread.

#include "platform/ras/RasTypes.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

class IDialSession;

// The dialling-status window as the notifications drive it.
class IDialStatus
{
public:
    virtual ~IDialStatus() = default;
    // Second panel of the status bar.
    virtual void setStatusText(const QString& text) = 0;
    // Ends the attempt's modal loop with its result (AttemptResult).
    virtual void finishAttempt(int result) = 0;
};

// Modal results of the status window: what became of one attempt.
namespace AttemptResult
{
constexpr int Cancelled = 2;
constexpr int Failed = 3;
constexpr int Busy = 4;
constexpr int Connected = 6;
} // namespace AttemptResult

class TDialProgress : public QObject
{
    Q_OBJECT
public:
    static inline const QString DisconnectingText = QStringLiteral("Disconnessione...");
    static inline const QString DisconnectingOnErrorText =
        QStringLiteral("Disconnessione su Errore...");

    struct Pauses {
        int busy = 2000;       // after a busy line, before the result
        int error = 2000;      // after another error, before "Disconnessione su Errore..."
        int afterError = 3000; // then before the result
    };

    TDialProgress(IDialSession& session, IDialStatus& status, QObject* parent = nullptr);
    ~TDialProgress() override;

    void setPauses(const Pauses& pauses) { m_pauses = pauses; }

    // A new run of the dialler: no session started by it yet.
    void beginRun() { m_sessionStarted = false; }
    // A session was started by a notification of this run and is still
    // recorded in the running record.
    bool sessionStartedThisRun() const { return m_sessionStarted; }

    // A new attempt: notifications of earlier dials, and pauses still
    // pending for them, are dropped from now on.
    void beginAttempt();

    // The notifier to dial with for the current attempt. Safe to call from any
    // thread, also after this object is gone (the notification is dropped).
    RasNotifier notifier();

    // Handles one notification of the given attempt now (on this object's
    // thread). notifier() ends up here.
    void receive(int attempt, const RasNotification& n);

private:
    struct Relay;

    void drain();
    void handle(const RasNotification& n);
    // Runs step after ms unless a new attempt has begun meanwhile; later
    // notifications wait until then.
    void after(int ms, std::function<void()> step);

    IDialSession& m_session;
    IDialStatus& m_status;
    Pauses m_pauses;
    std::shared_ptr<Relay> m_relay;
    int m_attempt = 0;
    bool m_paused = false;
    bool m_sessionStarted = false;
    std::deque<RasNotification> m_queue;
};
