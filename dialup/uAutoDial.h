#pragma once
// "Auto Composizione...": the automatic dialler. The user picks the provider
// to start with, how often to retry it while busy, whether to go on with the
// other providers in a chosen order, and what a dial error does; "C&onnetti"
// runs the dialling (TAutoDialPlan) with the dialling-status window.
//
// Opened from the traffic-light menu in manual mode; not modal. Closing it,
// whichever way, stores its choices in the settings record (in memory) and
// destroys it, which empties its window slot.

#include "dialup/AutoDialPlan.h"
#include "dialup/DialProgress.h"

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <memory>

class IDialSession;
class IShell;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QToolButton;
class QPushButton;
class TfStato;
struct Settings;

// What the dialler needs of the rest of the program.
struct AutoDialContext {
    // The metered session the dialling starts and stops; through it the
    // dial-up layer, the current provider record and the prompt.
    IDialSession& session;
    // The dialler's choices in the settings record (provider, attempts,
    // order): read at opening, stored at closing.
    Settings& settings;
    // The shipped files (help pages), with a trailing '/'.
    QString dataFolder;
    IShell& shell;
    // The dialling-status window made at program start; null: the dialler
    // makes its own.
    TfStato* stato;
};

class TfAutoDial : public QWidget, private IAutoDialWindows
{
    Q_OBJECT
public:
    static constexpr QRgb GreyedText = 0xFFC0C0C0; // the starting provider in the order list

    explicit TfAutoDial(const AutoDialContext& ctx, QWidget* parent = nullptr);
    ~TfAutoDial() override;

    TDialProgress& progress() { return *m_progress; }
    TfStato& stato();

    // Colours of one row of the order list.
    static QColor ordineBackground(bool selected, const QPalette& palette);
    static QColor ordineTextColour(const QString& item, const QString& provider, bool selected);

    // "C&onnetti": runs the dialling; returns how it ended.
    TAutoDialPlan::Outcome okClick();
    void ProviderClick();
    void moveUpClick();   // move up
    void moveDownClick(); // move down
    void closeClick();    // "&Chiudi"

    // The choices as they stand.
    AutoDialChoice choice() const;
    // FormClose's part: the choices into the settings record.
    void storeSettings();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // IAutoDialWindows
    int runAttempt(const QString& attemptLine, const QString& entryName,
                   const QString& phoneNumber) override;
    void showDialler() override;
    void hideDialler() override;
    void processEvents() override;
    void askCredentials(TProviderRecord& provider) override;

    void createControls();
    void formCreate();
    void moveSelected(int step);

    AutoDialContext m_ctx;
    std::unique_ptr<TfStato> m_ownStato;
    QPointer<TfStato> m_stato;
    TDialProgress* m_progress;
    TAutoDialPlan m_plan;
    bool m_dialling = false;

    QComboBox* m_provider = nullptr;
    QLineEdit* m_tentativi1 = nullptr;
    QRadioButton* m_rinuncia = nullptr;
    QRadioButton* m_prosegui = nullptr;
    QListWidget* m_ordine = nullptr;
    QToolButton* m_moveUp = nullptr;
    QToolButton* m_moveDown = nullptr;
    QLineEdit* m_tentativi2 = nullptr;
    QRadioButton* m_successivo = nullptr;
    QRadioButton* m_interrompi = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_close = nullptr;
};
