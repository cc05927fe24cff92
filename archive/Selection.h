#pragma once
// The archive window's selection: copies of the stored connections that pass
// the current filter, in archive order, with their totals and the marks and
// bar lengths the grid shows for each. Each copy keeps in indice the position
// it was read from, which is how edits and deletions find it again.

#include "archive/ConnRecord.h"
#include "archive/SavedQuery.h"

#include <QList>
#include <QString>
#include <QStringList>

class ArchiveFile;

struct SelectionTotals {
    float totalCost = 0;
    float minCost = 1000000;
    float maxCost = 0;
    double totalTime = 0; // days
    double minTime = 36000;
    double maxTime = 0;

    void add(const ConnRecord& r);
};

// What the loader compares against: the current query, plus whether the
// window's telephone and provider boxes are empty (an empty box lets every
// telephone or provider through, whatever the query holds).
struct SelectionFilter {
    SavedQuery query;
    bool telBoxEmpty = true;
    bool providerBoxEmpty = true;
};

class TSelection
{
public:
    enum class LoadResult {
        Loaded,
        OpenFailed, // the archive could not be opened: errorText() says why
        Stopped,    // a read failed part-way: the records read so far are kept
    };

    static bool matches(const ConnRecord& r, const SelectionFilter& filter);

    // Starts afresh (records and totals), opens the archive and copies every
    // stored record that matches. Deleted and damaged records are skipped.
    // The archive is left open.
    LoadResult load(ArchiveFile& archive, const SelectionFilter& filter);

    int count() const { return int(m_records.size()); }
    // Record k (from 0); the empty record when k is out of range, as for the
    // empty data row of an empty selection.
    const ConnRecord& at(int k) const;
    const QList<ConnRecord>& records() const { return m_records; }
    const SelectionTotals& totals() const { return m_totals; }
    // Non-empty telephone numbers of the loaded records, each once, in
    // archive order.
    QStringList telephones() const;
    QString errorText() const { return m_error; }

    // "spesa max", "spesa min", "tempo max", "tempo min", joined with ", ".
    static QString marks(const ConnRecord& r, const SelectionTotals& t);
    // Bar lengths in whole pixels for a cell of width w (less 4 pixels).
    static int costBarLength(const ConnRecord& r, const SelectionTotals& t, int w);
    static int timeBarLength(const ConnRecord& r, const SelectionTotals& t, int w);

    // Texts of the grid cells.
    // Whole Lire with thousands separators: (costo + 0.49) rounded.
    static QString lireText(float costo);
    // "( 0,64 E)"
    static QString euroText(float costo, float cambioEcu);
    // A duration as "hh nn ss".
    static QString durationText(double days);
    // The total time: whole days, ",", " hh:nn:ss".
    static QString totalTimeText(double days);

private:
    QList<ConnRecord> m_records;
    SelectionTotals m_totals;
    QString m_error;
};
