#pragma once
// What the automatic dialler's run and its progress notifications do to the
// metered session: start and stop it, set the traffic light, hand a finished
// connection to the end-of-connection dialog. The connection watch of the
// application implements it; the dialler knows nothing more of the watch.
// Every call belongs to the user-interface thread.

#include <QString>

class IPrompt;
class TDialUp;
struct ConnRecord;
struct TProviderRecord;

// The traffic light's states: off, green (connected), yellow (being set up),
// red (no connection, or the dial failed).
enum class Light { None, Green, Yellow, Red };

class IDialSession
{
public:
    virtual ~IDialSession() = default;

    virtual TDialUp& dialUp() = 0;
    // The current provider record, which the dialler loads and dials with.
    virtual TProviderRecord& provider() = 0;
    // The running connection's record.
    virtual ConnRecord& runningRecord() = 0;
    virtual QString programFolder() const = 0; // with a trailing '/'
    virtual IPrompt& prompt() = 0;

    // The watch polls (false: its light is off, e.g. after a refused session).
    virtual bool watchEnabled() const = 0;
    // A session is being timed.
    virtual bool sessionRunning() const = 0;
    // Starts timing the connection being dialled; with a session running, only
    // re-arms its first save. A session that cannot be priced is refused and
    // the watch goes off.
    virtual void startSession() = 0;
    // Ends the session; in automatic mode it is offered for keeping.
    virtual void stopSession() = 0;

    // Sets the light's state; with show the bar shows it at once, otherwise
    // with its next blink or probe.
    virtual void setLight(Light light, bool show) = 0;
    virtual void setBlinking(bool on) = 0;
    // The connection is confirmed up, or no longer.
    virtual void setConnected(bool connected) = 0;
    // The dial succeeded: the watch takes over again in automatic mode.
    virtual void backToAutomatic() = 0;

    // The end-of-connection dialog is open now.
    virtual bool endDialogOpen() const = 0;
    // Ends the session's timing and offers the running record for keeping
    // (modally: returns once the user has answered).
    virtual void offerEnd() = 0;
};
