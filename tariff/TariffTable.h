#pragma once
// The table of a tariff profile: 10 band columns by 8 day rows, stored band
// column first (the cell of column b, row r at byte (b - 1) * 384 + r * 48).

#include "tariff/TariffCell.h"

#include <QByteArray>
#include <QString>
#include <array>

constexpr int BandColumns = 10; // numbered 1..10
constexpr int DayRows = 8;      // 0 Monday .. 6 Sunday, 7 holidays
constexpr int HolidayRow = 7;   // "FESTIVI"
constexpr int SundayRow = 6;

struct TariffTable {
    static constexpr int Size = BandColumns * DayRows * TariffCell::Size; // 3840

    std::array<TariffCell, BandColumns * DayRows> cells{};

    static bool isValid(int band, int row)
    {
        return band >= 1 && band <= BandColumns && row >= 0 && row < DayRows;
    }
    // band 1..10, row 0..7 (checked by the caller with isValid).
    TariffCell& cell(int band, int row) { return cells[index(band, row)]; }
    const TariffCell& cell(int band, int row) const { return cells[index(band, row)]; }

    // The 3840 bytes in file order.
    QByteArray toBytes() const;
    // Reads the cells that b holds whole, in file order, starting at byte off;
    // returns how many were read. The other cells are left as they are.
    int readFrom(const QByteArray& b, int off);

    static int index(int band, int row) { return (band - 1) * DayRows + row; }
};

// "LUN", "MAR", "MER", "GIO", "VEN", "SAB", "DOM", "FESTIVI"; empty outside 0..7.
QString dayRowLabel(int row);
