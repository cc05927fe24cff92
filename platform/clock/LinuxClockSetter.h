#pragma once
// The system clock of Linux (clock_settime of the real-time clock). Needs
// root or the CAP_SYS_TIME capability; without it the call fails with EPERM
// and the reason says so.

#include "platform/clock/ClockSetter.h"

class TLinuxClockSetter : public IClockSetter
{
public:
    bool setLocalTime(TDateTime localTime, QString* error) override;

    // The reason shown for a failed call with errno number.
    static QString reasonFor(int errorNumber);
};
