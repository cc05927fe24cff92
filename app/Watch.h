#pragma once
// The connection watch: once a second it asks the dial-up layer whether a
// connection is being set up or is up, turns it into a timed session priced
// live on the bar, checkpoints the running record into the archive, and hands
// the finished connection to the end-of-connection dialog.
//
// Timer handlers are plain methods (the bar's timers call them; tests call
// them directly with a manual clock). All state is the program's, passed in
// through WatchContext; what the user sees goes through IWatchView. The
// automatic dialler reaches the session through IDialSession. Every call
// belongs to the user-interface thread: the dialler hands its notifications
// over to that thread before starting or stopping the session.

#include "app/WatchState.h"
#include "app/WatchView.h"
#include "archive/SessionArchive.h"
#include "common/Prompt.h"
#include "dialup/DialSession.h"
#include "tariff/CostEngine.h"

#include <QString>
#include <optional>

class TArchiveFile;
class IClock;
class TDialUp;
class TflFestivi;
struct ConnRecords;
struct Settings;
struct TariffProfiles;
struct TProviderRecord;
struct WatchState;

// The program-wide records and services the watch works on.
struct WatchContext {
    Settings& settings;
    WatchState& watch;
    ConnRecords& records;
    TArchiveFile& archive;
    TariffProfiles& profiles;
    // The running session's own schedule: re-pricing other connections never
    // touches it. Empty while no session has been priced.
    std::optional<Schedule>& schedule;
    // The session trace list: written while the schedule is built, never shown.
    ScheduleTrace& trace;
    TflFestivi& holidays;
    TProviderRecord& provider; // the current provider record
    TDialUp& dialUp;
    QString programFolder; // with a trailing '/'
    IClock& clock;
    IPrompt& prompt;
};

class TWatch : private ISaveIndicator, public IDialSession
{
public:
    static inline const QString NoProfileText = QStringLiteral(
        "Nessuna Tabella da applicare.\rApri la finestra Tariffe e seleziona <Applica Tabella> "
        "per il profilo prescelto.\rQuando terminato, riabilita il Timer facendo clik sul "
        "Semaforo.");
    static inline const QString ErrorTitle = QStringLiteral("Errore...");
    static inline const QString ConfirmTitle = QStringLiteral("Conferma...");
    static inline const QString ProgramTitle = QStringLiteral("Tarvelo!...");
    static inline const QString AlreadyConnectedText =
        QStringLiteral("C'è già una connessione in corso.\rLa Vuoi terminare ?");
    static inline const QString SureToEndText =
        QStringLiteral("Sei sicuro di voler terminare la Connessione ?");
    static inline const QString HangUpTimeoutText = QStringLiteral(
        "TimeOut: Non sono riuscito a chiudere correttamente la connessione.\r\rSi consiglia di "
        "tentare almeno un paio di volte (durata 30 secondi ciascuna).\rSe Questo errore "
        "apparirà anche nelle prossime connessioni, significa che la disconnessione manuale "
        "tramite Tarvelo!, non è compatibile con il tuo sistema.\r\rVuoi riprovare ?");
    static inline const QString GiveUpText = QStringLiteral(
        "Se non riesci a risolvere la connessione, consiglio di chiudere il programma.");
    // The dial-up service refused to hang up (%1: its error text): the
    // connection was opened by another user, so waiting would be in vain.
    static inline const QString HangUpRefusedText =
        QStringLiteral("Non è possibile chiudere la connessione.\r%1");

    // The no-profile text's way back, for the other refusals that switch the
    // watch off.
    static QString noBandText(const QString& profileName);

    TWatch(const WatchContext& ctx, IWatchView& view);
    TWatch(const TWatch&) = delete;
    TWatch& operator=(const TWatch&) = delete;

    // Click on the traffic light, and the start of the program.
    void watchOn();
    // No tariff profile can be applied: the light goes off until the user
    // clicks it again.
    void watchOff();

    // CtrlTimer, after the bar's own first-tick work: probe and react.
    void watchTick();
    // Session start; also called by the dialler. Does nothing but re-arm the
    // first save when a session already runs.
    void StartClick();
    // Timer1: time and cost on the bar, periodic save.
    void sessionTick();
    // Session end; also called by the dialler and the disconnect's last resort.
    void StopClick();
    // Timer2: the light blinks.
    void blinkTick();

    // "&Manuale" / "&Connetti" / "&Disconnetti".
    void AutoInt1Click();
    // Hangs the connection up, asking what to do when it will not go. True
    // once the connection is gone; false when it may still be up (the user
    // gave up, the service refused, or a disconnect was already in progress).
    bool Disconnect();
    // "C&ambia Tariffa": only while the connection is confirmed.
    void cambiatariffa1Click();
    // The running record's inizio was moved (the clock was set right while
    // connected): the schedule is built again from the new start, so that the
    // session goes on pricing the connection exactly as re-pricing its record
    // would. Should the profile have no band at the new start, the session
    // keeps the schedule it has.
    void sessionStartMoved();

    const WatchContext& context() const { return m_ctx; }

    // What the dialler does to the session.
    TDialUp& dialUp() override { return m_ctx.dialUp; }
    TProviderRecord& provider() override { return m_ctx.provider; }
    ConnRecord& runningRecord() override;
    QString programFolder() const override { return m_ctx.programFolder; }
    IPrompt& prompt() override { return m_ctx.prompt; }
    bool watchEnabled() const override;
    bool sessionRunning() const override;
    void startSession() override { StartClick(); }
    void stopSession() override { StopClick(); }
    void setLight(Light light, bool show) override;
    void setBlinking(bool on) override;
    void setConnected(bool connected) override;
    void backToAutomatic() override;
    bool endDialogOpen() const override;
    void offerEnd() override;

private:
    void saveStarted() override;
    void saveFinished(bool ok) override;

    // Running record's provider and telephone from the probed entry.
    void takeEntry(const QString& entryName);
    // Refuses the session: beep, watch off, the message.
    void refuse(const QString& text);
    double sessionCost(TDateTime end) const;
    void setLightState(Light light, LightImage image);

    WatchContext m_ctx;
    IWatchView& m_view;
    // What the ticks and a session's start show: never waited for, so time
    // and cost go on and a connection that drops meanwhile ends when it
    // drops. The user's own actions (disconnect) ask through m_ctx.prompt.
    TNoWaitPrompt m_tickPrompt;
};
