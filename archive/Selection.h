#pragma once
// The archive window's selection: copies of the stored connections that pass
// the current filter, in archive order, with their totals and the marks and
// bar lengths the grid shows for each. Each copy keeps in indice the position
// it was read from, which is how edits and deletions find it again.

#include "archive/ArchiveChange.h"
#include "archive/ConnRecord.h"
#include "archive/SavedQuery.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TArchiveFile;

struct SelectionTotals {
    float totalCost = 0;
    float minCost = 1000000;
    float maxCost = 0;
    double totalTime = 0; // days
    double minTime = 36000;
    double maxTime = 0;

    void add(const ConnRecord& r) { add(r.inizio, r.fine, r.costo); }
    void add(TDateTime inizio, TDateTime fine, float costo);
};

// What the loader compares against: the current query, plus whether the
// window's telephone and provider boxes are empty (an empty box lets every
// telephone or provider through, whatever the query holds).
struct SelectionFilter {
    SavedQuery query;
    bool telBoxEmpty = true;
    bool providerBoxEmpty = true;

    // Every stored connection, whatever its dates, provider and profile.
    static SelectionFilter everything()
    {
        SelectionFilter f;
        f.query.dal = -1e9;
        f.query.al = 1e9;
        f.query.provTutti = true;
        f.query.tarTutti = true;
        return f;
    }
};

// The selected records are kept as stored, 308 bytes each, in one growable
// buffer, and decoded only when a row is shown, printed or changed: a
// selection of a million connections takes little more than their bytes.
//
// Loading can run all at once (load) or a slice at a time (begin, then
// loadSlice until it says Done), so that a window can keep its clock and the
// running session's periodic save going while a long archive is read. The
// slices read through a descriptor of their own, which the periodic save
// closing and reopening the archive does not disturb.
class TSelection
{
public:
    enum class LoadResult {
        Loaded,
        OpenFailed, // the archive could not be opened: errorText() says why
        Stopped,    // a read failed part-way: the records read so far are kept
    };
    enum class Step {
        More,   // more of the archive to read
        Done,   // loaded
        Failed, // a read failed part-way (errorText); the records read so far are kept
    };
    // Archive records read by one slice unless told otherwise.
    static constexpr int SliceRecords = 16384;

    TSelection();
    ~TSelection();
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

    // Starts afresh (records and totals), opens the archive and copies every
    // stored record that matches. Deleted and damaged records are skipped.
    // The archive is left open.
    LoadResult load(TArchiveFile& archive, const SelectionFilter& filter);

    // The same in slices: begin() empties the selection and opens the
    // archive (Loaded, or OpenFailed); each loadSlice() then reads up to
    // maxRecords records of the archive as it was at begin(). The selection
    // and its totals hold what was read so far. cancel() ends the load where
    // it stands (records kept, complete() false); a new begin() or load()
    // starts over.
    LoadResult begin(TArchiveFile& archive, const SelectionFilter& filter);
    Step loadSlice(int maxRecords = SliceRecords);
    void cancel();
    bool loading() const { return m_source != nullptr; }
    // All of the archive was read by the last load.
    bool complete() const { return m_complete; }
    // Archive records read so far by the load, and how many it reads in all.
    int scanned() const { return m_next; }
    int total() const { return m_total; }

    int count() const { return m_count; }
    // Record k (from 0), decoded; the empty record when k is out of range, as
    // for the empty data row of an empty selection.
    ConnRecord at(int k) const;
    // Record k as stored (k must be in range).
    RecordView view(int k) const
    {
        return RecordView(m_bytes.constData() + qsizetype(k) * ConnRecord::Size);
    }
    // Where record k is, and the start it had when loaded; none (indice -1)
    // when k is out of range.
    archivechange::RecordRef ref(int k) const;
    // The refs of records first..last (out-of-range ones included, as none).
    std::vector<archivechange::RecordRef> refs(int first, int last) const;
    // Every record, decoded.
    QList<ConnRecord> records() const;
    // Goes up each time the selection is emptied to be loaded afresh, so
    // that a reader by index can tell its records were replaced.
    quint64 generation() const { return m_generation; }
    const SelectionTotals& totals() const { return m_totals; }
    // Non-empty telephone numbers of the loaded records, each once, in
    // archive order.
    QStringList telephones() const { return m_telephones; }
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
    struct Matcher;
    void reset();
    void take(const char* record, int indice);

    QByteArray m_bytes; // the records, 308 bytes each, indice set
    int m_count = 0;
    quint64 m_generation = 0;
    SelectionTotals m_totals;
    QStringList m_telephones;
    QSet<QByteArray> m_telephoneSet;
    QString m_error;

    // The load in progress.
    std::unique_ptr<TArchiveFile> m_source;
    std::unique_ptr<Matcher> m_matcher;
    QByteArray m_block;
    int m_next = 0;
    int m_total = 0;
    bool m_complete = false;
};
