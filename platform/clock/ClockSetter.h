#pragma once
// Setting the computer's clock. Behind an interface so that clock
// synchronisation can be tested without touching the real clock.

#include "common/DateTime.h"

#include <QString>

class IClockSetter
{
public:
    virtual ~IClockSetter() = default;
    // Sets the local date-time. False, with an Italian reason for the user in
    // *error, when the system refuses (for example, no permission).
    virtual bool setLocalTime(TDateTime localTime, QString* error) = 0;
};
