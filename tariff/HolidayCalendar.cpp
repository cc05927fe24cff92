#include "tariff/HolidayCalendar.h"

#include "common/Prompt.h"

#include <QDate>
#include <cmath>

namespace
{

bool inEasterTable(int year)
{
    return year >= TflFestivi::FirstEasterYear && year <= TflFestivi::LastEasterYear;
}

} // namespace

TflFestivi::TflFestivi(uint16_t year, IPrompt* prompt)
    : m_year(inEasterTable(year) ? year : 0), m_entries{{{1, 1},
                                                         {6, 1},
                                                         {0, 0},
                                                         {0, 0},
                                                         {25, 4},
                                                         {1, 5},
                                                         {15, 8},
                                                         {1, 11},
                                                         {7, 12},
                                                         {8, 12},
                                                         {25, 12},
                                                         {26, 12}}},
      m_prompt(prompt)
{
}

TflFestivi::DayMonth TflFestivi::easterSunday(int year)
{
    if (!inEasterTable(year))
        return {};
    // Anonymous Gregorian algorithm (Meeus/Jones/Butcher).
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return {uint16_t(day), uint16_t(month)};
}

void TflFestivi::ComputeEaster()
{
    const DayMonth easter = easterSunday(m_year);
    if (easter.day == 0) {
        m_entries[EasterEntry] = {};
        m_entries[EasterMondayEntry] = {};
        return;
    }
    const QDate monday = QDate(m_year, easter.month, easter.day).addDays(1);
    m_entries[EasterEntry] = easter;
    m_entries[EasterMondayEntry] = {uint16_t(monday.day()), uint16_t(monday.month())};
}

bool TflFestivi::isCalendarDate(TDateTime d)
{
    if (!std::isfinite(d))
        return false;
    static const double first = dt::encodeDate(1, 1, 1);
    static const double last = dt::encodeDate(9999, 12, 31);
    const double date = std::trunc(d);
    return date >= first && date <= last;
}

bool TflFestivi::splitDate(TDateTime d, int& year, int& month, int& day)
{
    if (!isCalendarDate(d))
        return false;
    dt::decodeDate(d, year, month, day);
    return true;
}

bool TflFestivi::IsHoliday(TDateTime d)
{
    const double whole = std::trunc(d);
    Known* known = nullptr;
    if (std::fabs(whole) < 1e15) {
        known = &m_known[size_t(int64_t(whole) & int64_t(m_known.size() - 1))];
        if (known->valid && known->day == whole) {
            if (m_year != known->year) {
                m_year = known->year;
                ComputeEaster();
            }
            return known->holiday;
        }
    }
    int year, month, day;
    if (!splitDate(d, year, month, day)) {
        if (m_prompt)
            m_prompt->ask({QStringLiteral("Data Errata"), QStringLiteral("Tarvelo!"),
                           PromptIcon::None, PbOk, PbOk, false});
        return false;
    }
    m_year = uint16_t(year);
    ComputeEaster();
    const DayMonth date{uint16_t(day), uint16_t(month)};
    bool holiday = false;
    for (const DayMonth& e : m_entries)
        holiday = holiday || e == date;
    if (known)
        *known = {whole, m_year, true, holiday};
    return holiday;
}
