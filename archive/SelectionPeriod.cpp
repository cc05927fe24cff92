#include "archive/SelectionPeriod.h"

#include <QDate>
#include <algorithm>

namespace
{

// Month m (any integer, 1 = January of year) as a year and a month 1..12.
void normalise(int& year, int& month)
{
    const int zeroBased = year * 12 + (month - 1);
    year = zeroBased >= 0 ? zeroBased / 12 : -((-zeroBased + 11) / 12);
    month = zeroBased - year * 12 + 1;
}

// The whole months first..first+count-1, counted from year/month.
SelectionPeriod months(int year, int month, int count)
{
    int y1 = year, m1 = month;
    normalise(y1, m1);
    int y2 = year, m2 = month + count - 1;
    normalise(y2, m2);
    return {dt::encodeDate(y1, m1, 1),
            dt::encodeDate(y2, m2, SelectionPeriod::lastDayOfMonth(y2, m2))};
}

} // namespace

int SelectionPeriod::lastDayOfMonth(int year, int month)
{
    return QDate(year, month, 1).daysInMonth();
}

SelectionPeriod SelectionPeriod::predefined(Kind kind, TDateTime now)
{
    const TDateTime today = dt::datePart(now);
    int y = 0, m = 0, d = 0;
    dt::decodeDate(today, y, m, d);
    switch (kind) {
    case Kind::Oggi:
        return {today, today};
    case Kind::UltSett:
        return {today - 6, today};
    case Kind::Ult15gg:
        return {today - 14, today};
    case Kind::Ult30gg:
        return {today - 29, today};
    case Kind::UltMese:
        return months(y, m, 1);
    case Kind::UltBimestre:
        return months(y, m - 1, 2);
    }
    return {today, today};
}

SelectionPeriod SelectionPeriod::shifted(Step step, bool forward) const
{
    int y = 0, m = 0, d = 0;
    switch (step) {
    case Step::Month:
        dt::decodeDate(forward ? to : from, y, m, d);
        return months(y, forward ? m + 1 : m - 1, 1);
    case Step::Bimester:
        dt::decodeDate(forward ? to : from, y, m, d);
        return months(y, forward ? m + 1 : m - 2, 2);
    case Step::Days:
        break;
    }
    // A period whose end lies before its start still moves by one day, so
    // the buttons never stand still or run the wrong way.
    const int n = std::max(1, int(dt::datePart(to) - dt::datePart(from)) + 1);
    const int delta = forward ? n : -n;
    return {dt::datePart(from) + delta, dt::datePart(to) + delta};
}
