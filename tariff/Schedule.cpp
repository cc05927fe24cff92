#include "tariff/Schedule.h"

#include <algorithm>

std::optional<Schedule> Schedule::fromEntries(const QList<ScheduleEntry>& entries)
{
    if (entries.isEmpty())
        return std::nullopt;
    Schedule s;
    s.m_count = int(std::min<qsizetype>(entries.size(), MaxEntries));
    for (int i = 0; i < s.m_count; ++i) {
        s.m_entries[i] = entries[i];
        s.m_entries[i].duration = std::max(s.m_entries[i].duration, 0);
    }
    s.m_entries[s.m_count - 1].duration = ScheduleEntry::Endless;
    return s;
}

QList<ScheduleEntry> Schedule::entries() const
{
    return QList<ScheduleEntry>(m_entries.begin(), m_entries.begin() + m_count);
}
