#include "app/BarLayout.h"

#include <algorithm>

namespace
{

constexpr int BarWidth = 300;
constexpr int BarWidthIconsHidden = 195;
constexpr int SlideStep = 5;
constexpr int PanelSlidWidth = 5;   // at or below this the clock is uncovered
constexpr int PanelCoverWidth = 53; // at or above this the clock is covered

using C = BarControl;

// The design places of the normal bar.
constexpr int ButtonY = 3;
constexpr int FieldY = 2;
struct DesignX {
    C control;
    int x;
};
constexpr DesignX Buttons[] = {{C::ArchiveButton, 194}, {C::TariffsButton, 210},
                               {C::OptionsButton, 226}, {C::IconiseButton, 246},
                               {C::DragHandle, 262},    {C::QuitButton, 278}};
constexpr int ButtonSize = 15;

} // namespace

std::optional<DisplayMode> displayModeOf(int32_t stored)
{
    if (stored < 1 || stored > 7 || stored == int32_t(DisplayMode::Iconised))
        return std::nullopt;
    return DisplayMode(stored);
}

BarLayout barLayout(DisplayMode mode, bool iconsHidden, int costoNeeded)
{
    const int extra = std::max(0, costoNeeded - BarLayout::CostoWidth);
    const int wideExtra = std::max(0, costoNeeded - BarLayout::CostoWideWidth);
    constexpr int H = BarLayout::FieldHeight;

    BarLayout l;
    const auto place = [&l](C c, QRect r) { l.places[size_t(c)] = r; };
    const auto moveTo = [&l](C c, int x, int y) { l.places[size_t(c)].moveTo(x, y); };
    const auto show = [&l](std::initializer_list<C> cs) {
        for (C c : cs)
            l.shown[size_t(c)] = true;
    };

    // Every layout starts from the design places and moves what it needs.
    place(C::Sem, QRect(2, 4, 16, 16));
    place(C::AutLight, QRect(18, 10, 5, 5));
    place(C::Panel1, QRect(26, FieldY, PanelSlide::CoveringWidth, H));
    place(C::Nascosto, QRect(31, FieldY, 48, H));
    place(C::Tempo, QRect(82, FieldY, 59, H));
    place(C::Costo, QRect(144, FieldY, BarLayout::CostoWidth + extra, H));
    for (const DesignX& b : Buttons)
        place(b.control, QRect(b.x + extra, ButtonY, ButtonSize, ButtonSize));
    place(C::Separator, QRect(294 + extra, FieldY, 2, 21));
    l.width = (iconsHidden ? BarWidthIconsHidden : BarWidth) + extra;
    show({C::Sem, C::AutLight, C::Separator});
    l.panelSlidesAway = true;

    switch (mode) {
    case DisplayMode::Normal:
    case DisplayMode::Iconised:
        show({C::Panel1, C::Nascosto, C::Tempo, C::Costo});
        if (!iconsHidden)
            show({C::ArchiveButton, C::TariffsButton, C::OptionsButton, C::IconiseButton,
                  C::DragHandle, C::QuitButton});
        l.panelSlidesAway = false;
        break;
    case DisplayMode::Minimal:
        l.width = 45;
        moveTo(C::DragHandle, 26, ButtonY);
        moveTo(C::Separator, 39, FieldY);
        show({C::DragHandle});
        l.panelSlidesAway = false;
        break;
    case DisplayMode::TimeOnly:
        l.width = 118;
        moveTo(C::Tempo, 31, FieldY);
        moveTo(C::DragHandle, 95, ButtonY);
        moveTo(C::Separator, BarLayout::OutOfSight, FieldY);
        show({C::Panel1, C::Tempo, C::DragHandle});
        break;
    case DisplayMode::CostOnly:
        l.width = 118 + wideExtra;
        place(C::Costo, QRect(31, FieldY, BarLayout::CostoWideWidth + wideExtra, H));
        moveTo(C::DragHandle, 95 + wideExtra, ButtonY);
        moveTo(C::Separator, BarLayout::OutOfSight, FieldY);
        show({C::Panel1, C::Costo, C::DragHandle});
        break;
    case DisplayMode::ClockOnly:
        l.width = 105;
        moveTo(C::DragHandle, 83, ButtonY);
        moveTo(C::Separator, 99, FieldY);
        show({C::Panel1, C::Nascosto, C::DragHandle});
        break;
    case DisplayMode::Cyclic:
        // Clock, time and cost in turn, all in one place.
        l.width = 118 + wideExtra;
        place(C::Nascosto, QRect(31, FieldY, 59, H));
        moveTo(C::Tempo, 31, FieldY);
        place(C::Costo, QRect(31, FieldY, BarLayout::CostoWideWidth + wideExtra, H));
        moveTo(C::DragHandle, 95 + wideExtra, ButtonY);
        moveTo(C::Separator, BarLayout::OutOfSight, FieldY);
        show({C::Panel1, C::DragHandle});
        break;
    }
    return l;
}

PanelSlide::Step PanelSlide::tick()
{
    if (away) {
        if (width <= PanelSlidWidth)
            return Step::Uncovered;
        width -= SlideStep;
        captionX -= SlideStep;
        return Step::Moving;
    }
    if (width >= PanelCoverWidth)
        return Step::Covered;
    width += SlideStep;
    captionX += SlideStep;
    return Step::Moving;
}
