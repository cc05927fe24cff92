#pragma once
// One slot per single-instance secondary window: filled while the window
// exists, empty otherwise (QPointer empties itself when the window is
// destroyed). Other code asks a slot whether its window is open: the tray
// does not show the bar while the end-of-connection dialog is open, quitting
// closes the dialler, the bar's right click does not open the options window
// twice.

#include <QPointer>
#include <QWidget>

struct WindowSlots {
    QPointer<QWidget> fTariffe;  // tariff editor (TfTariffe)
    QPointer<QWidget> fConn;     // archive window (TfConn)
    QPointer<QWidget> fSett;     // options window (TfSett)
    QPointer<QWidget> fStop;     // end-of-connection dialog (TfStop)
    QPointer<QWidget> fCtar;     // change-tariff dialog (TfCtar)
    QPointer<QWidget> fAutoDial; // automatic dialler (TfAutoDial), kept from first use to quit
};
