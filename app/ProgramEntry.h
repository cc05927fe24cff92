#pragma once
// The program's start: refuses a second instance, shows the splash, creates
// the main bar and the windows that live for the whole run, then runs the
// event loop. start() and run() are split so that a test can start the program
// without entering the loop.
//
// Every way the program can be told to end takes the bar's close path, which
// saves the settings: the bar's own close, the application quitting, the
// desktop session ending and SIGTERM/SIGINT/SIGHUP.

#include <QObject>

#include <memory>

class IClockSetter;
class TSingleInstance;
class TTermSignals;
class TfMain;
class TfPopup;
class TfSplash;
class TfStato;
struct Program;

inline const QString AlreadyRunningText = QStringLiteral("Tarvelo! è Già in esecuzione !");

class TProgramEntry
{
public:
    // instance: the per-user lock standing for the program's named mutex;
    // clockSetter: what sets the system clock ("Ora Esatta").
    TProgramEntry(Program& program, TSingleInstance& instance, IClockSetter& clockSetter);
    ~TProgramEntry();

    // Every step before the event loop. False: another instance is running
    // (the user has been told); the program must end without a window.
    bool start();
    // The event loop; returns the exit code.
    int run();

    TfMain* mainBar() const { return m_main.get(); }
    // The extra-information window made at start; it stays hidden (the bar
    // opens windows of its own while the cost field is held).
    TfPopup* extraInfo() const { return m_popup.get(); }

private:
    Program& m_program;
    TSingleInstance& m_instance;
    IClockSetter& m_clockSetter;
    void connectEndings();

    // Declared before the bar, which keeps a pointer to it.
    std::unique_ptr<TfStato> m_stato;
    std::unique_ptr<TfMain> m_main;
    std::unique_ptr<TfPopup> m_popup;
    std::unique_ptr<TTermSignals> m_termination;
};
