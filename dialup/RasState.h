#pragma once
// The dial-up layer's program-wide state: one instance owned by the program
// object, read and written on the user-interface thread only.

#include "platform/ras/RasTypes.h"

#include <cstdint>

struct RasState {
    RasEntryList entries;         // the RAS entry list
    RasHandle dialHandle = 0;     // handle of the last dial or hang-up
    RasHandle notifiedHandle = 0; // handle of the last dial notification; quick hang-up uses it
    uint32_t lastError = 0;       // last status error that was not ras::Pending
    bool hangUpRunning = false;   // re-entry guard of the hang-up with wait
    uint32_t hangUpError = 0;     // why the last hang-up with wait was refused
};
