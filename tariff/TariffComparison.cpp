#include "tariff/TariffComparison.h"

#include "tariff/CostEngine.h"
#include "tariff/ProfileFiles.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>

struct TTariffComparison::Sums {
    int64_t priced = 0;
    int64_t unpriced = 0;
    double cost = 0;
    double costWithVat = 0;
    double stored = 0;
};

double ComparisonRow::euro(float cambioEcu) const
{
    return cambioEcu > 0 ? costWithVat / double(cambioEcu) : 0.0;
}

TTariffComparison::TTariffComparison(QList<ComparedProfile> profiles, int32_t iva)
    : m_profiles(std::move(profiles)), m_iva(iva), m_sums(size_t(m_profiles.size()))
{
}

TTariffComparison::~TTariffComparison() = default;

QList<ComparedProfile> TTariffComparison::loadProfiles(const QString& programFolder)
{
    QList<ComparedProfile> out;
    for (const QString& name : TProfileFiles::listProfiles(programFolder))
        out.append(loadProfile(name, programFolder + TProfileFiles::Folder + name +
                                         TProfileFiles::Extension));
    return out;
}

ComparedProfile TTariffComparison::loadProfile(const QString& name, const QString& path)
{
    ComparedProfile p{name, {}, {}};
    // Unlike a profile opened by name in the editor or for a session, a file
    // of the wrong size is not read as far as it goes: a total from half a
    // table would be compared as if it were a tariff.
    const qint64 size = QFileInfo(path).size();
    ProfileHeader header;
    QString error;
    if (!TProfileFiles::readProfileFile(path, header, p.table, &error))
        p.error = QStringLiteral("impossibile leggere il file (%1)").arg(error);
    else if (size != TProfileFiles::FileSize)
        p.error = QStringLiteral("il file è di %1 byte invece di %2: non è una tabella tariffaria "
                                 "o è danneggiato")
                      .arg(size)
                      .arg(TProfileFiles::FileSize);
    if (!p.usable())
        p.table = TariffTable{};
    return p;
}

bool TTariffComparison::begin(std::unique_ptr<IConnectionSource> source)
{
    cancel();
    m_sums.assign(size_t(m_profiles.size()), Sums{});
    m_done = m_total = m_connections = 0;
    m_storedTotal = 0;
    m_complete = false;
    m_error.clear();
    m_damaged.clear();
    if (!source || !source->open()) {
        m_error = source ? source->errorText() : QString();
        return false;
    }
    m_total = source->total();
    m_source = std::move(source);
    return true;
}

TTariffComparison::Step TTariffComparison::step(int maxPositions)
{
    if (!m_source)
        return m_complete ? Step::Done : Step::Failed;
    m_block.clear();
    const IConnectionSource::Read read = m_source->read(maxPositions, m_block);
    m_damaged.append(m_source->takeDamaged());
    m_done = m_source->done();
    if (read == IConnectionSource::Read::Failed) {
        m_error = m_source->errorText();
        cancel();
        return Step::Failed;
    }

    for (const StoredConnection& c : m_block)
        m_storedTotal += c.costo;
    m_connections += int64_t(m_block.size());
    // Profile by profile over the block: the cost engine keeps what it
    // worked out about one profile's band starts from one connection to
    // the next.
    for (qsizetype p = 0; p < m_profiles.size(); ++p) {
        const ComparedProfile& profile = m_profiles[p];
        if (!profile.usable())
            continue;
        Sums& s = m_sums[size_t(p)];
        for (const StoredConnection& c : m_block) {
            const ConnectionPrice price = priceOf(profile.table, m_iva, c, m_holidays);
            if (!price.cost) {
                ++s.unpriced;
                continue;
            }
            ++s.priced;
            s.cost += *price.cost;
            s.costWithVat += *price.costWithVat;
            s.stored += c.costo;
        }
    }

    if (read == IConnectionSource::Read::More)
        return Step::More;
    cancel();
    m_complete = true;
    return Step::Done;
}

TTariffComparison::Step TTariffComparison::run(std::unique_ptr<IConnectionSource> source)
{
    if (!begin(std::move(source)))
        return Step::Failed;
    Step s = Step::More;
    while (s == Step::More)
        s = step();
    return s;
}

void TTariffComparison::cancel()
{
    m_source.reset();
    m_block = {};
}

QList<int> TTariffComparison::takeDamaged()
{
    return std::exchange(m_damaged, {});
}

QList<ComparisonRow> TTariffComparison::rows() const
{
    QList<ComparisonRow> rows;
    for (qsizetype p = 0; p < m_profiles.size(); ++p) {
        const Sums& s = m_sums[size_t(p)];
        rows.append({m_profiles[p].name, m_profiles[p].error, s.priced, s.unpriced, s.cost,
                     s.costWithVat, s.stored, false});
    }
    const auto group = [](const ComparisonRow& r) { return !r.usable() ? 2 : r.unpriced > 0; };
    std::stable_sort(rows.begin(), rows.end(), [&](const ComparisonRow& a, const ComparisonRow& b) {
        const int ga = group(a), gb = group(b);
        if (ga != gb)
            return ga < gb;
        if (ga == 1 && a.unpriced != b.unpriced)
            return a.unpriced < b.unpriced;
        return ga < 2 && a.costWithVat < b.costWithVat;
    });
    if (m_complete && m_connections > 0 && !rows.isEmpty() && rows.first().complete())
        for (ComparisonRow& r : rows)
            r.cheapest = r.complete() && r.costWithVat == rows.first().costWithVat;
    return rows;
}

ConnectionPrice TTariffComparison::priceOf(const TariffTable& profile, int32_t iva,
                                           const StoredConnection& connection, TflFestivi& holidays)
{
    ConnectionPrice price{connection, std::nullopt, std::nullopt};
    price.cost = CostOfConnection(profile, connection.inizio, connection.fine, holidays);
    if (price.cost)
        price.costWithVat = WithVat(*price.cost, iva);
    return price;
}

bool TTariffComparison::pricesOf(const TariffTable& profile, int32_t iva, IConnectionSource& source,
                                 const std::function<bool(const ConnectionPrice&)>& each)
{
    if (!source.open())
        return false;
    TflFestivi holidays{0};
    std::vector<StoredConnection> block;
    for (;;) {
        block.clear();
        const IConnectionSource::Read read = source.read(SlicePositions, block);
        if (read == IConnectionSource::Read::Failed)
            return false;
        for (const StoredConnection& c : block)
            if (!each(priceOf(profile, iva, c, holidays)))
                return true;
        if (read == IConnectionSource::Read::End)
            return true;
    }
}
