#pragma once
// Which tariff would have cost least: stored connections (a selection, a
// marked range of it, or a period read straight from the archive) priced
// with several tariff profiles at once, without writing anything.
//
// Every connection is priced exactly as the program prices it everywhere
// else: CostOfConnection from its stored start and end (the cost the
// running session ends with, through BuildSchedule and ComputeCost), and
// WithVat on that cost, as re-pricing would store it in the record. A
// connection a profile has no band for at its start is counted as unpriced
// for that profile, never priced at 0.
//
// The work goes in slices: begin(), then step() until it says Done, so that
// a window can show progress and stop between slices; cancel() keeps what was
// summed so far. Per profile only its sums are kept, so memory does not
// depend on the number of connections; the cost of each connection is
// worked out again when asked for (pricesOf).
//
// How the rows are ordered (rows()). A total over fewer connections is not a
// total of the same calls, so it is never ranked against a complete one:
//  1. profiles that priced every connection, cheapest (total with VAT)
//     first;
//  2. then profiles that could not price some connections, fewest unpriced
//     first, then by total with VAT: their totals and their difference from
//     the stored costs cover only the connections they priced;
//  3. then profiles that could not be read, by name.
// Equal rows keep the order of the profile list (by name). The cheapest mark
// goes to the rows of the first group with the lowest total, once every
// connection was read and there was at least one.

#include "archive/ConnectionSource.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/TariffTable.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One profile to compare: its table, or why it cannot be compared.
struct ComparedProfile {
    QString name;
    TariffTable table;
    QString error; // the file is unreadable or not a profile; empty when usable

    bool usable() const { return error.isEmpty(); }
};

// One row of the comparison.
struct ComparisonRow {
    QString profile;
    QString error; // the profile could not be read: nothing was priced with it
    int64_t priced = 0;
    int64_t unpriced = 0;   // no band in force at their start
    double cost = 0;        // Lire without VAT, of the priced connections
    double costWithVat = 0; // Lire with VAT, each connection as its record would store it
    double stored = 0;      // the stored costs of the same priced connections
    bool cheapest = false;

    bool usable() const { return error.isEmpty(); }
    // Priced every connection: its total is comparable with the others'.
    bool complete() const { return usable() && unpriced == 0; }
    // costWithVat - stored: below zero when this profile would have cost less
    // than the connections it priced did.
    double difference() const { return costWithVat - stored; }
    // costWithVat in Euro; 0 when the exchange rate is not positive.
    double euro(float cambioEcu) const;
};

// One connection priced with one profile, for the detail of a row.
struct ConnectionPrice {
    StoredConnection connection;
    std::optional<float> cost;        // Lire without VAT; nothing: no band at its start
    std::optional<float> costWithVat; // as its record would store it
};

class TTariffComparison
{
public:
    enum class Step {
        More,   // more connections to price
        Done,   // every connection was priced
        Failed, // the connections could not be read (errorText); the sums so far are kept
    };
    // Positions of the source read by one slice unless told otherwise: some
    // 15 ms with ten profiles on the two-core development machine.
    static constexpr int SlicePositions = 4096;

    // iva: whole per cent added to every connection's cost.
    TTariffComparison(QList<ComparedProfile> profiles, int32_t iva);
    ~TTariffComparison();
    TTariffComparison(const TTariffComparison&) = delete;
    TTariffComparison& operator=(const TTariffComparison&) = delete;

    // Every "Trf/*.trf" of programFolder in the order of the profile list; a
    // file that cannot be read, or that is not exactly the size of a
    // profile, comes with its error.
    static QList<ComparedProfile> loadProfiles(const QString& programFolder);
    static ComparedProfile loadProfile(const QString& name, const QString& path);

    // Starts afresh over source: false (errorText) when it cannot be opened.
    bool begin(std::unique_ptr<IConnectionSource> source);
    // Prices the connections of the next maxPositions positions of the source
    // with every usable profile. Once the comparison has ended (or was never
    // begun) it only says how: Done when it read everything, else Failed.
    Step step(int maxPositions = SlicePositions);
    // Begins and steps to the end.
    Step run(std::unique_ptr<IConnectionSource> source);
    // Ends the comparison where it stands: the sums so far are kept, and
    // complete() stays false.
    void cancel();

    bool running() const { return m_source != nullptr; }
    // Every connection of the last begin() was read and priced.
    bool complete() const { return m_complete; }
    // Positions of the source read so far, and in all: the progress.
    int64_t done() const { return m_done; }
    int64_t total() const { return m_total; }
    // Connections read so far, and the sum of their stored costs.
    int64_t connections() const { return m_connections; }
    double storedTotal() const { return m_storedTotal; }
    QString errorText() const { return m_error; }
    // Archive positions of damaged records passed over since the last call.
    QList<int> takeDamaged();

    const QList<ComparedProfile>& profiles() const { return m_profiles; }
    int32_t iva() const { return m_iva; }
    // One row per profile, in the order described above.
    QList<ComparisonRow> rows() const;

    // Each connection of source priced with profile, in the source's order;
    // each() may stop the walk by returning false. False when the source
    // cannot be read (errorText of the source).
    static bool pricesOf(const TariffTable& profile, int32_t iva, IConnectionSource& source,
                         const std::function<bool(const ConnectionPrice&)>& each);
    // One connection.
    static ConnectionPrice priceOf(const TariffTable& profile, int32_t iva,
                                   const StoredConnection& connection, TflFestivi& holidays);

private:
    struct Sums;

    QList<ComparedProfile> m_profiles;
    int32_t m_iva;
    std::vector<Sums> m_sums;
    TflFestivi m_holidays{0};
    std::unique_ptr<IConnectionSource> m_source;
    std::vector<StoredConnection> m_block;
    int64_t m_done = 0;
    int64_t m_total = 0;
    int64_t m_connections = 0;
    double m_storedTotal = 0;
    bool m_complete = false;
    QString m_error;
    QList<int> m_damaged;
};
