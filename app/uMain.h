#pragma once
// The main bar: a frameless strip 300 x 25 that stays above every other
// window and shows the traffic light of the connection watch, the elapsed
// time and the running cost. It owns the watch's timers, the traffic-light
// menu, the tray icon and the window slots, and its close is the one way the
// program ends (saving the settings first).

#include "app/BarLayout.h"
#include "app/MainWindows.h"
#include "app/Watch.h"
#include "app/WatchView.h"
#include "archive/uStop.h"

#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;
class TfPopup;
class TfStato;
class TClockSync;
class TUpdateCheck;
class IClockSetter;
class TTrayIcon;
struct Program;

class TfMain : public QWidget, public IWatchView, public IStopBar
{
    Q_OBJECT
public:
    // Builds the controls and runs the creation steps: prepares the program
    // (settings, calendar, dial-up entries), switches the watch on, adds the
    // tray icon, applies the display mode. clockSetter sets the system clock
    // for "Ora Esatta".
    TfMain(Program& program, IClockSetter& clockSetter, QWidget* parent = nullptr);
    // A bar destroyed without having been closed still saves the settings.
    ~TfMain() override;

    Program& program() { return m_program; }
    WindowSlots& windows() { return m_windows.windowSlots(); }
    TTrayIcon& tray() { return *m_tray; }
    QMenu* popSem() const { return m_popSem; }
    TWatch& watch() { return m_watch; }
    // The dialling-status window made by the program entry, shared by every
    // dial of the automatic dialler.
    void setStatusWindow(TfStato* stato) { m_windows.setStatusWindow(stato); }

    // ---- The connection watch's surface -------------------------------------
    // CtrlTimer: 1 ms for its first tick, then 1000 ms. Timer1 (session tick)
    // and Timer2 (blink tick): 1000 ms, started by the watch. Each handler
    // hands the tick to the watch.
    QTimer& watchTimer() { return m_watchTimer; }
    QTimer& sessionTimer() { return m_sessionTimer; }
    QTimer& blinkTimer() { return m_blinkTimer; }
    void watchTick();
    void sessionTick();
    void blinkTick();
    // Left click on the traffic light: Watch on.
    void semClick();
    // Watch on: enabled, not running, automatic mode, CtrlTimer running. Does
    // nothing when the watch is already on.
    void watchOn();

    void setTimerActive(WatchTimer timer, bool active) override;
    // Shows traffic-light image index (0..9) in `sem` at once.
    void showLight(int index) override;
    int shownLight() const { return m_shownLight; }
    void setTempoText(const QString& text) override;
    void setCostoText(const QString& text) override;
    QString tempoText() const;
    QString costoText() const;
    // autLight: green while the watch is automatic, red in manual mode and
    // while the archive is being written.
    void setAutLight(bool green) override;
    bool autLightIsGreen() const { return m_autLightGreen; }
    // "!!!", "&Riduci ad icona" and the tray icon.
    void showBar() override;
    void hideBar() override;
    void resetTimeAndCost() override;

    // The end-of-connection dialog, in its window slot.
    bool endDialogOpen() const override;
    void openEndDialog(Light light) override;
    // The update search of "AggAuto".
    void requestUpdateSearch() override;
    // Ends the program by the bar's close path.
    void closeMainBar() override;

    // ---- Menu and buttons ---------------------------------------------------
    // Sets the enabling, captions and checked display mode of PopSem; runs
    // each time the menu opens.
    void PopSemPopup();
    // "&Manuale"/"&Connetti"/"&Disconnetti".
    void AutoInt1Click();
    // "&Nascondi Icone"/"&Mostra Icone" (display mode 1 only).
    void NascondiIcone1Click();
    // Radio items of "&Visualizzazione" and the end of the bar's creation.
    void applyDisplayMode(DisplayMode mode);
    // The same for a stored value: the iconised item and values outside the
    // modes change nothing.
    void applyStoredDisplayMode(int32_t stored);

    // ---- Sliding panel, clock and cyclic display ----------------------------
    // Click on the panel's image or caption: the panel starts sliding away
    // from the clock, or back over it (also halfway through a slide).
    void slidePanelClick();
    bool panelSlidAway() const { return m_slide.away; }
    // Slide tick (50 ms, only while the panel moves): 5 pixels a tick; once
    // slid away the clock timer starts, once back it stops.
    QTimer& slideTimer() { return m_slideTimer; }
    void slideTick();
    // Clock tick (2000 ms, while the panel is slid away): Nascosto := "hh:nn".
    QTimer& clockTimer() { return m_clockTimer; }
    void clockTick();
    // Cycle tick (5000 ms, cyclic mode only): clock, time, cost in turn.
    QTimer& cycleTimer() { return m_cycleTimer; }
    void cycleTick();
    CyclePart cyclePart() const { return m_cyclePart; }

    // ---- Extra information --------------------------------------------------
    // Left button pressed on Costo: the extra-information window opens;
    // any button released closes it.
    void showExtraInfo();
    void hideExtraInfo();
    TfPopup* extraInfo() const;
    // "Esci" and "&Chiudi": refused while a session runs; closes the dialler,
    // then the bar.
    void quit();
    // F1: hlp/index.htm.
    void help();
    // Right click on the bar outside the traffic light.
    void barRightClick();

    // ---- Windows of other subsystems ----------------------------------------
    // Each opens its window modally (the dialler: not modally) with its slot
    // filled while it is open.
    void openArchive();
    void openTariffEditor();
    void openOptions(TfSett::Page page = TfSett::Page::Avvio);
    // False when the dialler could not be shown.
    bool openAutoDial() override;
    void openChangeTariff() override;

    // Start-up shortcut: created when startWithSystem, removed otherwise (an
    // absent one is no error). Called by the options window with "AvviaWind".
    bool startupShortcut(bool startWithSystem, QString* error = nullptr);

    // ---- Ending -------------------------------------------------------------
    // Saves every setting (the bar's position included), removes the tray
    // icon, stops the timers and emits programEnded(); later calls do nothing.
    // interactive: a failed save is reported with a message box; otherwise
    // (logout, termination signal) only on standard error.
    void shutdown(bool interactive);
    // Saves every setting with the bar's current position, nothing else (the
    // desktop asks for this before ending the session).
    bool saveSettings(QString* error = nullptr);
    bool hasEnded() const { return m_ended; }

signals:
    // The program must end now (the entry ends the event loop).
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createPopSem();
    void formCreate();
    void restoreTopmost();
    void ensureOnScreen();
    void setIconsHidden(bool hidden);
    void setBarWidth(int width);
    // Puts the fields, the buttons and the separator where the layout of
    // mode says, and gives the bar its width.
    void placeControls(DisplayMode mode);
    // The layout of the mode in force, for the cost shown now.
    BarLayout layoutOf(DisplayMode mode) const;
    QWidget* control(BarControl c) const;
    void showCyclePart();
    void dragEvent(QEvent* event);

    Program& m_program;
    TWatch m_watch;
    TMainWindows m_windows;
    // "Ora Esatta" of the options window: the answer can arrive after the
    // window has closed, so the operation lives as long as the bar.
    std::unique_ptr<TClockSync> m_clockSync;
    std::unique_ptr<TUpdateCheck> m_updateCheck;

    QLabel* m_strip = nullptr;
    QLabel* m_sem = nullptr;
    QLabel* m_autLight = nullptr;
    QFrame* m_slidingPanel = nullptr;
    QLabel* m_panelImage = nullptr;
    QLabel* m_panelCaption = nullptr;
    QLabel* m_nascosto = nullptr;
    QLabel* m_tempo = nullptr;
    QLabel* m_costo = nullptr;
    QToolButton* m_archiveButton = nullptr;
    QToolButton* m_tariffsButton = nullptr;
    QToolButton* m_optionsButton = nullptr;
    QToolButton* m_iconiseButton = nullptr;
    QToolButton* m_dragHandle = nullptr;
    QToolButton* m_quitButton = nullptr;
    QFrame* m_separator = nullptr;

    QMenu* m_popSem = nullptr;
    QAction* m_autoInt1 = nullptr;
    QAction* m_cambiatariffa1 = nullptr;
    QAction* m_nascondiIcone1 = nullptr;
    QActionGroup* m_displayModes = nullptr;

    TTrayIcon* m_tray = nullptr;
    QTimer m_watchTimer;
    QTimer m_sessionTimer;
    QTimer m_blinkTimer;
    QTimer m_slideTimer;
    QTimer m_clockTimer;
    QTimer m_cycleTimer;
    QPointer<TfPopup> m_popup;

    int m_shownLight = -1;
    // Width the shown cost needs in its field, frame included.
    int m_costoNeeded = 0;
    bool m_autLightGreen = true;
    CyclePart m_cyclePart = CyclePart::Clock;
    PanelSlide m_slide;
    QPoint m_dragOffset;
    QPoint m_dragPress;
    bool m_dragging = false;
    bool m_dragMoved = false;
    bool m_ended = false;
};
