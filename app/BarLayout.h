#pragma once
// What the main bar shows in each display mode, and where: a table of places
// for its controls, worked out without widgets. The bar applies a layout to
// its controls; the sliding panel and the cyclic display are small state
// machines the bar's timers step.

#include <QRect>
#include <array>
#include <cstdint>
#include <optional>

// The display modes; the values are those stored as "TipoVisualiz".
enum class DisplayMode : int32_t {
    Normal = 1,    // the light, the clock under its panel, time, cost, every button
    Minimal = 2,   // a stub with the light and the drag handle
    Iconised = 3,  // a menu item of its own: changes nothing
    TimeOnly = 4,  // the light and the time
    CostOnly = 5,  // the light and the cost
    ClockOnly = 6, // the light and the clock
    Cyclic = 7,    // the light and, in turn, the clock, the time and the cost
};

// The mode a stored value names, when it is one the bar can take (Iconised
// and values outside 1..7 are not).
std::optional<DisplayMode> displayModeOf(int32_t stored);

// The bar's controls that a layout places or hides, in bar order.
enum class BarControl {
    Sem,           // the traffic light
    AutLight,      // the mode light
    Panel1,        // the sliding panel over the clock
    Nascosto,      // the clock
    Tempo,         // the time
    Costo,         // the cost
    ArchiveButton, // SpeedButton3
    TariffsButton, // SpeedButton4
    OptionsButton, // Sett
    IconiseButton, // SpeedButton5
    DragHandle,    // SpeedButton2
    QuitButton,    // SpeedButton1
    Separator,     // Bevel2
    Count
};
constexpr size_t BarControlCount = size_t(BarControl::Count);

struct BarLayout {
    static constexpr int Height = 25;
    static constexpr int FieldHeight = 17;
    // The cost field's design widths: in the full bar, and alone in the bar.
    static constexpr int CostoWidth = 45;
    static constexpr int CostoWideWidth = 59;
    // Where a control goes when the bar has no room for it.
    static constexpr int OutOfSight = 800;

    int width = 300;
    // The place of each control; the light, the mode light and the panel
    // never move (the panel changes only its width, as it slides).
    std::array<QRect, BarControlCount> places{};
    // Whether each control is shown. In the cyclic mode the three fields are
    // shown in turn (see CyclePart), so none of them is set here.
    std::array<bool, BarControlCount> shown{};
    // The panel slides away from the clock, uncovering its place.
    bool panelSlidesAway = false;

    QRect place(BarControl c) const { return places[size_t(c)]; }
    bool isShown(BarControl c) const { return shown[size_t(c)]; }
};

// The layout of mode with the buttons hidden or not (the normal bar only),
// for a cost that needs costoNeeded pixels (frame included): a cost wider
// than its field widens the field, and what lies right of it moves along.
BarLayout barLayout(DisplayMode mode, bool iconsHidden, int costoNeeded);

// The panel that covers the clock in the normal bar and slides away to
// uncover it, 5 pixels a tick of its 50 ms timer; its caption moves along.
struct PanelSlide {
    static constexpr int CoveringWidth = 54;
    static constexpr int CaptionX = 16;
    int width = CoveringWidth;
    int captionX = CaptionX;
    // Sliding away from the clock (true) or back over it.
    bool away = false;

    enum class Step {
        Moving,    // it moved; the timer goes on
        Uncovered, // slid away: the clock shows
        Covered,   // back over the clock
    };
    // A click: it turns round, from wherever it is.
    void turn() { away = !away; }
    Step tick();
};

// What the cyclic display shows in its one place, in turn every 5 seconds.
enum class CyclePart { Clock = 1, Time = 2, Cost = 3 };
constexpr CyclePart nextCyclePart(CyclePart p)
{
    return p == CyclePart::Clock  ? CyclePart::Time
           : p == CyclePart::Time ? CyclePart::Cost
                                  : CyclePart::Clock;
}
