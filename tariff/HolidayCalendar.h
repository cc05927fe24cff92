#pragma once
// The holiday calendar: is a date one of the twelve holidays of its year?
// Ten fixed dates plus Easter Sunday and Easter Monday, which are known only
// for 1995..2025; outside those years only the fixed dates count. A date that
// is a holiday and not a Sunday is priced on the "FESTIVI" row.
//
// Each instance keeps its own table: the program holds one, created for the
// current year, and tests can make as many as they like.

#include "common/DateTime.h"

#include <array>
#include <cstdint>

class IPrompt;

class TflFestivi
{
public:
    static constexpr uint16_t FirstEasterYear = 1995;
    static constexpr uint16_t LastEasterYear = 2025;
    static constexpr int Entries = 12;
    static constexpr int EasterEntry = 2;
    static constexpr int EasterMondayEntry = 3;

    struct DayMonth {
        uint16_t day = 0;
        uint16_t month = 0;
        bool operator==(const DayMonth&) const = default;
    };

    // year outside 1995..2025 gives Year() 0. prompt, when given, shows
    // "Data Errata" for a date-time that is not a calendar date.
    explicit TflFestivi(uint16_t year, IPrompt* prompt = nullptr);

    // True when the date part of d is one of the twelve entries of its own
    // year; the time of day plays no part. Sets Year() to d's year.
    bool IsHoliday(TDateTime d);
    // Fills the Easter entries for Year(), or clears them outside 1995..2025.
    void ComputeEaster();

    uint16_t Year() const { return m_year; }
    const std::array<DayMonth, Entries>& entries() const { return m_entries; }

    // Easter Sunday of year by the Gregorian computus; (0, 0) outside
    // 1995..2025.
    static DayMonth easterSunday(int year);
    // Splits d into year, month and day; false when d is not a date of the
    // years 1..9999 (not a number, infinite or out of range).
    static bool splitDate(TDateTime d, int& year, int& month, int& day);
    // Whether splitDate would split d, without splitting it.
    static bool isCalendarDate(TDateTime d);

private:
    uint16_t m_year = 0;
    std::array<DayMonth, Entries> m_entries;
    IPrompt* m_prompt = nullptr;

    // The days last asked about, each in the slot of its day number modulo
    // 16: building a schedule asks about the same two weeks of days many
    // times, and re-pricing an archive asks about neighbouring days in turn.
    struct Known {
        double day = 0;
        uint16_t year = 0;
        bool valid = false;
        bool holiday = false;
    };
    std::array<Known, 16> m_known;
};
