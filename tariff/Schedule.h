#pragma once
// The schedule of one connection: the band changes it meets from its start,
// at most ten entries, each with its length in seconds and its rate. It is a
// value: the running session, re-pricing and the editor each hold their own,
// so pricing one connection can never disturb another's.
//
// The last entry runs without end: whatever time lies beyond the entries
// before it is priced at its rate.

#include "common/DateTime.h"

#include <QList>
#include <array>
#include <cstdint>
#include <optional>

struct ScheduleEntry {
    static constexpr int32_t Endless = -1;

    int32_t band = 0;     // band column 1..10
    int32_t row = 0;      // day row 0..7
    TDateTime start = 0;  // when the band begins (used while building only)
    int32_t duration = 0; // seconds spent in this entry; Endless for the last
    float rate = 0;       // Lire per minute, VAT excluded; free bands hold 0

    bool isEndless() const { return duration == Endless; }
};

class Schedule
{
public:
    static constexpr int MaxEntries = 10;

    // A schedule of 1..10 entries; the last one is made endless, any other
    // negative duration counts as 0. Nothing for an empty list.
    static std::optional<Schedule> fromEntries(const QList<ScheduleEntry>& entries);

    int size() const { return m_count; }
    const ScheduleEntry& operator[](int i) const { return m_entries[i]; }
    // Entry 0 names the starting cell, whose fixed charge every cost includes.
    const ScheduleEntry& first() const { return m_entries[0]; }
    QList<ScheduleEntry> entries() const;

private:
    Schedule() = default;

    std::array<ScheduleEntry, MaxEntries> m_entries{};
    int m_count = 0;
};
