#pragma once
// The connection watch's program-wide state: one instance, owned by the
// program object, read by the main bar, its menus and the dialler.

#include "dialup/DialSession.h"

#include <cstdint>

enum class WatchMode : int32_t {
    Manual = 0,    // the dialler drives the session
    Automatic = 1, // the watch polls the dial-up service
};

// The traffic light's images in the bar's image list: the image of each
// state; a blinking light shows the image two further on in turn.
enum class LightImage : int32_t { Off = 0, Red = 2, Yellow = 3, Green = 8 };
constexpr int lightIndex(LightImage image, bool blinkShifted = false)
{
    return int(image) + (blinkShifted ? 2 : 0);
}

struct WatchState {
    bool enabled = false; // the watch polls; false: traffic light off
    WatchMode mode = WatchMode::Automatic;
    bool running = false;   // a session is being timed
    bool connected = false; // the connection is confirmed up
    // The light's state, and the image the bar shows for it (they part when
    // the connection is found gone: the image goes red, the state stays
    // until the session is offered for keeping).
    Light light = Light::None;
    LightImage lightImage = LightImage::Off;
    bool blinkShifted = false; // a blinking light shows its other image now
    float shownCost = 0;       // last cost shown on the bar, VAT and rounding term included
    bool hangUpGuard = false;  // a disconnect is in progress
};
