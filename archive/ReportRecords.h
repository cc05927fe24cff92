#pragma once
// The connections a printed report reads, one at a time. They are either a
// range of the archive window's selection, decoded record by record as the
// layout reaches them (a report of a million connections then takes no more
// memory than one of ten), or a list of decoded records of the report's own.

#include "archive/ConnRecord.h"

#include <QList>

class TSelection;

class TReportRecords
{
public:
    // What the statistics need of a record, read without decoding its texts.
    struct Figures {
        TDateTime inizio = 0;
        TDateTime fine = 0;
        float costo = 0;
    };

    TReportRecords() = default;
    // A list of its own.
    TReportRecords(QList<ConnRecord> records); // NOLINT(google-explicit-constructor)
    // Records first .. first + count - 1 of selection, which must outlive
    // this object and every copy of it.
    TReportRecords(const TSelection& selection, int first, int count);
    // Every record of selection.
    explicit TReportRecords(const TSelection& selection);

    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Record k (from 0), decoded; the empty record when k is out of range or
    // the selection is no longer the one this object was made from.
    ConnRecord at(int k) const;
    Figures figures(int k) const;
    // False once the selection was emptied or loaded again: its records are
    // then no longer the ones the report was made of.
    bool intact() const;

private:
    QList<ConnRecord> m_list;
    const TSelection* m_selection = nullptr;
    int m_first = 0;
    int m_count = 0;
    quint64 m_generation = 0;
};
