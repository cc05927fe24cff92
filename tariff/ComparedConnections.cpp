#include "tariff/ComparedConnections.h"

#include "archive/Selection.h"
#include "common/Ansi.h"

#include <algorithm>

namespace
{

// The connections of a shared list, a block at a time.
class ListedConnections : public IConnectionSource
{
public:
    explicit ListedConnections(std::shared_ptr<const std::vector<StoredConnection>> list)
        : m_list(std::move(list))
    {
    }

    bool open() override
    {
        m_next = 0;
        return true;
    }
    Read read(int maxPositions, std::vector<StoredConnection>& out) override
    {
        const size_t end = std::min(m_list->size(), m_next + size_t(std::max(0, maxPositions)));
        out.insert(out.end(), m_list->begin() + ptrdiff_t(m_next),
                   m_list->begin() + ptrdiff_t(end));
        m_next = end;
        return m_next < m_list->size() ? Read::More : Read::End;
    }
    int64_t total() const override { return int64_t(m_list->size()); }
    int64_t done() const override { return int64_t(m_next); }
    QString errorText() const override { return QString(); }

private:
    std::shared_ptr<const std::vector<StoredConnection>> m_list;
    size_t m_next = 0;
};

} // namespace

TComparedConnections::TComparedConnections() : m_data(std::make_shared<Data>()) {}

TComparedConnections TComparedConnections::fromSelection(const TSelection& selection, int first,
                                                         int last)
{
    TComparedConnections out;
    Data& d = out.data();
    first = std::max(first, 0);
    last = std::min(last, selection.count() - 1);
    const size_t n = size_t(std::max(0, last - first + 1));
    d.connections.reserve(n);
    d.rows.reserve(n);
    d.telephoneOf.reserve(n);
    // The numbers as stored, decoded once each.
    QHash<QByteArray, int> seen;
    for (int k = first; k <= last; ++k) {
        const RecordView v = selection.view(k);
        d.connections.push_back({selection.ref(k).indice, v.inizio(), v.fine(), v.costo()});
        d.rows.push_back(k + 1);
        const QByteArray raw =
            v.text(ConnRecord::OffTelefono, ConnRecord::TelefonoMax).toByteArray();
        auto it = seen.constFind(raw);
        if (it == seen.cend())
            it = seen.insert(raw, out.telephoneNumber(d, ansi::toUnicode(raw)));
        d.telephoneOf.push_back(*it);
    }
    for (const StoredConnection& c : d.connections) {
        d.firstStart = d.firstStart == 0 ? c.inizio : std::min(d.firstStart, c.inizio);
        d.lastStart = std::max(d.lastStart, c.inizio);
    }
    return out;
}

void TComparedConnections::append(const StoredConnection& connection, int row,
                                  const QString& telephone)
{
    Data& d = data();
    d.connections.push_back(connection);
    d.rows.push_back(row);
    d.telephoneOf.push_back(telephoneNumber(d, telephone));
    d.firstStart =
        d.firstStart == 0 ? connection.inizio : std::min(d.firstStart, connection.inizio);
    d.lastStart = std::max(d.lastStart, connection.inizio);
}

std::unique_ptr<IConnectionSource> TComparedConnections::source() const
{
    // The source shares the list with this object (and its copies); an
    // append afterwards gives this object a list of its own.
    return std::make_unique<ListedConnections>(
        std::shared_ptr<const std::vector<StoredConnection>>(m_data, &m_data->connections));
}

TComparedConnections::Data& TComparedConnections::data()
{
    if (m_data.use_count() > 1)
        m_data = std::make_shared<Data>(*m_data);
    return *m_data;
}

int TComparedConnections::telephoneNumber(Data& d, const QString& telephone)
{
    auto it = d.telephoneIndex.constFind(telephone);
    if (it == d.telephoneIndex.cend()) {
        it = d.telephoneIndex.insert(telephone, int(d.telephones.size()));
        d.telephones.append(telephone);
    }
    return *it;
}
