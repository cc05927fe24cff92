#pragma once
// "Connessione Terminata": asks whether the connection that has just ended
// is kept in the archive or discarded, and lets the user describe it first.

#include "dialup/DialSession.h"

#include <QDialog>
#include <QPointer>

struct ConnRecords;
class TArchiveFile;
class IPrompt;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

// What the end dialog needs of the main bar.
class IStopBar
{
public:
    virtual ~IStopBar() = default;
    virtual void hideBar() = 0;
    virtual void showBar() = 0;
    // Time field "00.00.00", cost field "0".
    virtual void resetTimeAndCost() = 0;
};

struct StopContext {
    ConnRecords& records;
    TArchiveFile& archive;
    IPrompt& prompt;
    IStopBar* bar = nullptr;
    // The program's window slot (WindowSlots::fStop): holds the dialog while
    // it exists.
    QPointer<QWidget>* slot = nullptr;
};

class TfStop : public QDialog
{
    Q_OBJECT
public:
    static inline const QString NotStartedTitle =
        QStringLiteral("Probabilmente la connessione non era ancora iniziata.");
    static inline const QString NotStartedText = QStringLiteral(
        "Se Accesso remoto ha restituito un messaggio simile ai seguenti, quasi certamente la "
        "connessione non è avvenuta:\r\r * Verificare che il Modem sia Collegato;\r * Nessuna "
        "risposta dal modem;\r * Linea Occupata (certamente nessuna spesa)\r\r");
    static inline const QString EndedTitle = QStringLiteral("La connessione è stata interrotta.");
    static inline const QString EndedText = QStringLiteral(
        "* Premere OK per confermare i dati della connessione appena terminata.\r\r* Selezionare "
        "<Elimina i dati per questa connessione> se, per qualunque motivo, la si vuole annullare.");

    // The whole opening: nothing for the light off (watch off); otherwise
    // the dialog is created in its slot, the bar hidden, the dialog shown
    // modally until closed, then destroyed, the slot emptied and the bar shown.
    // light: green for a confirmed connection, yellow or red for one that
    // was only being dialled. Returns whether a dialog was shown.
    static bool open(Light light, const StopContext& ctx, QWidget* parent = nullptr);

    TfStop(const StopContext& ctx, QWidget* parent = nullptr);

    // Texts and choice for the given light.
    void setup(Light light);
    // Shows the dialog modally and waits until it is closed. Unlike exec(),
    // the dialog may hide itself meanwhile (for the edit dialog).
    int run();

    void okClick();    // "&OK"
    void bDescClick(); // "&Descrizione"
    void blinkTick();  // the icon blinks
    void helpKey();    // F1

    void reject() override; // close box and Esc: nothing is written

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    StopContext m_ctx;
    QLabel* m_stopImage;
    QLabel* m_title;
    QLabel* m_text;
    QRadioButton* m_rbSI;
    QRadioButton* m_rbNO;
    QPushButton* m_ok;
    QPushButton* m_bDesc;
    QTimer* m_blinkTimer;
};
