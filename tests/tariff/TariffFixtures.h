#pragma once
// Small profiles for the tariff tests, built cell by cell.

#include "common/DateTime.h"
#include "tariff/TariffTable.h"

#include <initializer_list>

namespace fixtures
{

// Band column `band` of `row` starting at h:m with rate per minute.
inline TariffCell& setBand(TariffTable& t, int band, int row, int h, int m, float rate)
{
    TariffCell& c = t.cell(band, row);
    c.dalle = dt::encodeTime(h, m, 0);
    c.costo1 = rate;
    return c;
}

// The same band on each of the given rows.
inline void setBandOn(TariffTable& t, std::initializer_list<int> rows, int band, int h, int m,
                      float rate)
{
    for (int row : rows)
        setBand(t, band, row, h, m, rate);
}

inline constexpr std::initializer_list<int> AllRows = {0, 1, 2, 3, 4, 5, 6, 7};
inline constexpr std::initializer_list<int> WeekdayRows = {0, 1, 2, 3, 4, 5};

// Every row: column 1 from 00:00 at 10 Lire/min, column 2 from 18:30 at 5.
inline TariffTable evening()
{
    TariffTable t;
    setBandOn(t, AllRows, 1, 0, 0, 10);
    setBandOn(t, AllRows, 2, 18, 30, 5);
    return t;
}

} // namespace fixtures
