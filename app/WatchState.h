#pragma once
// The connection watch's program-wide state: one instance, owned by the
// program object, read by the main bar, its menus and the dialler.

#include <QString>
#include <cstdint>

struct WatchState {
    bool enabled = false;     // the watch polls; false: traffic light off
    int32_t mode = 1;         // 1 automatic (the watch polls), 0 manual (the dialler drives)
    bool running = false;     // a session is being timed
    bool connected = false;   // the connection is confirmed up
    QString light;            // "verde", "giallo", "rosso" or empty
    int32_t lightImage = 0;   // base index of the traffic-light image
    int32_t blinkOffset = 0;  // 0 or 2
    float shownCost = 0;      // last cost shown on the bar, VAT and rounding term included
    bool hangUpGuard = false; // a disconnect is in progress
};
