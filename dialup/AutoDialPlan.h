#pragma once
// The automatic dialler's run: dials the starting provider up to its number
// of attempts while the line is busy, then gives up or goes on with the other
// providers in the chosen order, and on any other error stops or moves on.
// Each attempt dials and waits for the dialling-status window's result,
// which the progress notifications set (TDialProgress). Windows are reached
// through IAutoDialWindows only, so the whole run is testable without them.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class IDialSession;
class TDialProgress;
struct TProviderRecord;

// What the run needs of the dialler's windows.
class IAutoDialWindows
{
public:
    virtual ~IAutoDialWindows() = default;
    // Shows the status window modally for one attempt already dialled and
    // returns its result (AttemptResult, or anything else for none).
    virtual int runAttempt(const QString& attemptLine, const QString& entryName,
                           const QString& phoneNumber) = 0;
    virtual void showDialler() = 0;
    virtual void hideDialler() = 0;
    // Lets the window system catch up (repaints, queued notifications).
    virtual void processEvents() = 0;
    // Asks for the missing user name or password of the provider record,
    // which it edits in memory only.
    virtual void askCredentials(TProviderRecord& provider) = 0;
};

// The dialler window's choices as they stand when "C&onnetti" is pressed.
// The attempt counts stay texts: what the user typed is what the attempt
// lines show.
struct AutoDialChoice {
    QString provider;
    QString tentativi1;
    bool rinuncia = true; // else "Prosegui"
    QStringList ordine;
    QString tentativi2;
    bool interrompi = true; // else "Passa al successivo provider"
};

class TAutoDialPlan
{
public:
    enum class Outcome {
        NoProvider, // nothing chosen
        NoPhone,    // a provider record without telephone number
        Connected,
        Cancelled,
        Stopped,   // a dial error with "Interrompi"
        Exhausted, // every attempt used up
    };

    static inline const QString Title = QStringLiteral("Tarvelo!...");
    static inline const QString NoProviderText =
        QStringLiteral("Non è stato indicato nessun Provider per la connessione.");
    static inline const QString NoPhoneText = QStringLiteral(
        "Il numero di telefono del Provider, non è stato impostato.\rApri la pagina <Providers> "
        "nella finestra <Opzioni> ed aggiungi il numero.");
    static inline const QString CancelledText =
        QStringLiteral("Operazione Annullata Come Richiesto.");
    static inline const QString StoppedText = QStringLiteral("Operazione Interrotta su errore.");
    static inline const QString NextOnErrorText =
        QStringLiteral("Operazione Interrotta su errore, provo con il prossimo provider.");
    static inline const QString NoSuccessText = QStringLiteral(
        "Nessuno dei tentativi di connessione è andato a buon fine.\rRiprova più tardi.");

    static constexpr int MaxAttempts = 20;
    static constexpr int DefaultAttempts1 = 10;
    static constexpr int DefaultAttempts2 = 5;

    // How many attempts a count field asks for when dialling: its number, 1
    // when it is not a number.
    static int attemptsToDial(const QString& text);
    // What a count field stores when the window closes: its number when it
    // is 0 to 20, otherwise 10 for the starting provider; 5 for the other
    // providers when it is not a number and 10 when it is out of range.
    static int32_t storedAttempts1(const QString& text);
    static int32_t storedAttempts2(const QString& text);

    TAutoDialPlan(IDialSession& session, TDialProgress& progress, IAutoDialWindows& windows);

    Outcome run(const AutoDialChoice& choice);

private:
    enum class Step { Connected, Cancelled, Stopped, NextProvider, Exhausted };

    // Loads the record, asks for missing credentials and copies entry and
    // number into the running record. False when the number is missing.
    bool takeProvider(const QString& name, bool first);
    // Up to count attempts with the current provider record.
    Step attempts(int count, const QString& countText, const QString& lineEnd);
    // The run's outcome when the provider's attempts ended it; nothing when
    // the run goes on with the next provider.
    static std::optional<Outcome> runEnded(Step step);
    // After a cancelled or failed attempt: the session is closed, the line
    // hung up and the dialler shown again.
    void ending();

    IDialSession& m_session;
    TDialProgress& m_progress;
    IAutoDialWindows& m_windows;
    AutoDialChoice m_choice;
};
