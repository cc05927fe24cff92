#pragma once
// What the connection watch needs of the main bar. TfMain implements it; the
// watch's tests use a fake that records what the bar would show. Nothing here
// is a widget, so the watch itself stays free of window code.

#include "dialup/DialSession.h"

#include <QString>

// The bar's three watch timers.
enum class WatchTimer {
    Ctrl,    // CtrlTimer: the watch tick
    Session, // Timer1: the session tick
    Blink,   // Timer2: the traffic light's blink tick
};

class IWatchView
{
public:
    virtual ~IWatchView() = default;

    virtual void setTimerActive(WatchTimer timer, bool active) = 0;
    // Shows traffic-light image index (0..9) in `sem` at once.
    virtual void showLight(int index) = 0;
    virtual void setTempoText(const QString& text) = 0;
    virtual void setCostoText(const QString& text) = 0;
    // autLight: green (automatic watch, archive written) or red (manual mode,
    // archive being written).
    virtual void setAutLight(bool green) = 0;
    virtual void showBar() = 0;
    virtual void hideBar() = 0;

    // The end-of-connection dialog: whether it is open now, and opening it
    // (modally: the call returns once the user has answered) for the light's
    // state as the session ended.
    virtual bool endDialogOpen() const = 0;
    virtual void openEndDialog(Light light) = 0;

    // Closing the main bar ends the program.
    virtual void closeMainBar() = 0;
    // The automatic dialler, shown not modally; false when it could not be shown.
    virtual bool openAutoDial() = 0;
    // The change-tariff window for the running connection, modally.
    virtual void openChangeTariff() = 0;
    // "AggAuto": the watch asks on every confirmed session tick; the update
    // search itself starts only once per run and never twice at a time.
    virtual void requestUpdateSearch() = 0;
};
