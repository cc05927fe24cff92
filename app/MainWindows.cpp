#include "app/MainWindows.h"

#include "app/Program.h"
#include "app/WindowContexts.h"
#include "archive/uConn.h"
#include "archive/uStop.h"
#include "dialup/uAutoDial.h"
#include "options/uSett.h"
#include "tariff/uCtar.h"
#include "tariff/uTariffe.h"

TMainWindows::TMainWindows(Program& program, IDialSession& session, IStopBar& stopBar, QWidget* bar)
    : m_program(program), m_session(session), m_stopBar(stopBar), m_bar(bar)
{
}

void TMainWindows::openArchive()
{
    if (m_slots.fConn) {
        m_slots.fConn->raise();
        m_slots.fConn->activateWindow();
        return;
    }
    // Created in its slot, loaded with the archive, shown modally, destroyed.
    TfConn::open(connContext(m_program, &m_slots.fCtar), &m_slots.fConn, m_bar);
}

void TMainWindows::openTariffEditor()
{
    // Closing it saves the shown profile if modified and writes
    // "TabellaAttuale" and "TabDefault".
    if (m_slots.fTariffe) {
        m_slots.fTariffe->activateWindow();
        return;
    }
    TfTariffe::open(tariffeContext(m_program), &m_slots.fTariffe, m_bar);
}

void TMainWindows::openOptions(TfSett::Page page, SettHooks hooks)
{
    TfSett sett(settContext(m_program), std::move(hooks), page, m_bar);
    m_slots.fSett = &sett;
    sett.exec();
    m_slots.fSett.clear();
}

void TMainWindows::openChangeTariff()
{
    if (m_slots.fCtar)
        return;
    // It reloads the session profile and rebuilds the session schedule from
    // the unchanged start itself.
    TfCtar::openForRunning(ctarContext(m_program), &m_slots.fCtar, m_bar);
}

bool TMainWindows::openAutoDial()
{
    // Closing it destroys it and empties the slot.
    if (!m_slots.fAutoDial)
        m_slots.fAutoDial = new TfAutoDial(autoDialContext(m_program, m_session, m_stato));
    QWidget* dialler = m_slots.fAutoDial;
    dialler->show();
    dialler->raise();
    dialler->activateWindow();
    return true;
}

bool TMainWindows::closeAutoDial()
{
    if (!m_slots.fAutoDial)
        return true;
    // A dialler in the middle of a dial refuses to close (deleting it would
    // pull the window from under its own running dial).
    if (!m_slots.fAutoDial->close())
        return false;
    delete m_slots.fAutoDial.data();
    return true;
}

bool TMainWindows::endDialogOpen() const
{
    return !m_slots.fStop.isNull();
}

void TMainWindows::openEndDialog(Light light)
{
    TfStop::open(light, StopContext{m_program.connRecords, m_program.archive, m_program.prompt,
                                    &m_stopBar, &m_slots.fStop});
}
