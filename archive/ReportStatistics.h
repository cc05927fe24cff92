#pragma once
// The figures of the report's statistics section, recomputed from the
// records that are printed (never taken from the window's totals, which may
// have been drawn from another load). Only a few running values are kept,
// whatever the number of records.

#include "archive/ConnRecord.h"
#include "archive/ReportRecords.h"
#include "archive/Selection.h"

#include <QString>
#include <cstdint>

struct ReportStatistics {
    SelectionTotals totals;
    int count = 0;
    // Earliest and latest start among the records. Archive order is nearly
    // always the order of the starts, but an edited start or a clock set
    // back can break it, and the days covered must never come out negative.
    TDateTime firstStart = 0;
    TDateTime lastStart = 0;
    int realDays = 0;    // calendar days from the first to the last start, both counted
    double meanTime = 0; // days
    float meanCost = 0;

    // One pass over the records, reading only their times and costs.
    static ReportStatistics compute(const TReportRecords& records);

    // Whole seconds of a span of days, taken to the millisecond first like
    // ConnRecord::durationSeconds().
    static int64_t seconds(double days);
    // 45'' / 2' 7'' / 1 h 0' 5''. Hours are not wrapped at a day: a span of
    // 26 hours reads 26 h.
    static QString durationText(int64_t seconds);
    // Whole Lire with thousands separators ("#,#0"); no 0.49 is added here.
    static QString lireText(double lire);
    // Lire / cambioEcu with two decimals; 0 when no exchange rate is set.
    static QString euroText(double lire, float cambioEcu);
};
