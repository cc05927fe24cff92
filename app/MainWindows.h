#pragma once
// The secondary windows the main bar opens: each one in its window slot,
// built with its narrow context from the program object. A window that is
// already open is brought forward instead of opened twice.

#include "app/WindowSlots.h"
#include "dialup/DialSession.h"
#include "options/uSett.h"

#include <functional>

class IDialSession;
class IStopBar;
class QWidget;
class TfStato;
struct Program;

class TMainWindows
{
public:
    // session: the watch the dialler starts and stops sessions of; stopBar:
    // the bar the end-of-connection dialog hides while it is open; bar: the
    // windows' parent.
    TMainWindows(Program& program, IDialSession& session, IStopBar& stopBar, QWidget* bar);

    WindowSlots& windowSlots() { return m_slots; }
    const WindowSlots& windowSlots() const { return m_slots; }
    // The dialling-status window made by the program entry, shared by every
    // dial of the automatic dialler.
    void setStatusWindow(TfStato* stato) { m_stato = stato; }

    // Modal, each in its slot while it exists, destroyed when closed.
    void openArchive();
    void openTariffEditor();
    void openOptions(TfSett::Page page, SettHooks hooks);
    // For the running connection; nothing when it is open already.
    void openChangeTariff();
    // The dialler: made on first use and kept until closed, shown not
    // modally. False when it could not be shown.
    bool openAutoDial();
    // Closes the dialler; false when it refuses (in the middle of a dial).
    bool closeAutoDial();

    // The end-of-connection dialog for the session that ended with light.
    bool endDialogOpen() const;
    void openEndDialog(Light light);

private:
    Program& m_program;
    IDialSession& m_session;
    IStopBar& m_stopBar;
    QWidget* m_bar;
    TfStato* m_stato = nullptr; // owned by the program entry, which outlives the bar
    WindowSlots m_slots;
};
