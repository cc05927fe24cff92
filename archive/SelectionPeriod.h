#pragma once
// The periods of the archive window: the predefined ones, counted back from
// today, and the moves of a period forward and back.

#include "common/DateTime.h"

struct SelectionPeriod {
    TDateTime from = 0; // whole days
    TDateTime to = 0;

    enum class Kind { Oggi, UltSett, Ult15gg, Ult30gg, UltMese, UltBimestre };
    // How a period moves: by whole calendar months or bimesters, or by its
    // own length in days.
    enum class Step { Days, Month, Bimester };

    // The predefined period of kind, today being the date of now.
    static SelectionPeriod predefined(Kind kind, TDateTime now);
    // The adjacent period after (forward) or before this one.
    SelectionPeriod shifted(Step step, bool forward) const;

    // Last day of a month, month and year as given (month 1..12).
    static int lastDayOfMonth(int year, int month);
};
