#include "archive/ConnectionSource.h"

#include "archive/ArchiveFile.h"
#include "archive/Selection.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace
{

StoredConnection connectionOf(const RecordView& v, int32_t indice)
{
    return {indice, v.inizio(), v.fine(), v.costo()};
}

} // namespace

TSelectionConnections::TSelectionConnections(const TSelection& selection, int first, int last)
    : m_selection(selection), m_first(std::max(first, 0)), m_last(last), m_next(m_first)
{
}

TSelectionConnections::TSelectionConnections(const TSelection& selection)
    : TSelectionConnections(selection, 0, selection.count() - 1)
{
}

bool TSelectionConnections::open()
{
    m_next = m_first;
    return true;
}

int64_t TSelectionConnections::total() const
{
    return std::max(0, m_last - m_first + 1);
}

IConnectionSource::Read TSelectionConnections::read(int maxPositions,
                                                    std::vector<StoredConnection>& out)
{
    const int end =
        int(std::min<int64_t>(int64_t(m_last) + 1, int64_t(m_next) + std::max(0, maxPositions)));
    for (; m_next < end; ++m_next) {
        if (m_next >= m_selection.count())
            continue;
        out.push_back(connectionOf(m_selection.view(m_next), m_selection.ref(m_next).indice));
    }
    return m_next > m_last ? Read::End : Read::More;
}

TArchivePeriodConnections::TArchivePeriodConnections(const QString& archivePath, TDateTime fromDay,
                                                     TDateTime toDay)
    : m_path(archivePath), m_fromDay(fromDay), m_toDay(toDay)
{
}

TArchivePeriodConnections::~TArchivePeriodConnections() = default;

bool TArchivePeriodConnections::open()
{
    m_file.reset();
    m_next = 0;
    m_total = 0;
    m_damaged.clear();
    m_error.clear();
    const QFileInfo info(m_path);
    if (!info.exists())
        return true; // no connection recorded yet
    m_file = std::make_unique<TArchiveFile>(info.path(), info.fileName());
    if (!m_file->open(TArchiveFile::Access::ReadOnly)) {
        m_error = m_file->errorText();
        m_file.reset();
        return false;
    }
    m_total = m_file->count();
    return true;
}

IConnectionSource::Read TArchivePeriodConnections::read(int maxPositions,
                                                        std::vector<StoredConnection>& out)
{
    constexpr int BlockRecords = 4096;
    if (!m_file && m_next < m_total) // read on after a failure
        return Read::Failed;
    const int end = int(std::min<int64_t>(m_total, int64_t(m_next) + std::max(0, maxPositions)));
    if (m_next < end)
        m_block.resize(qsizetype(std::min(BlockRecords, end - m_next)) * ConnRecord::Size);
    while (m_next < end) {
        const int n = std::min(BlockRecords, end - m_next);
        const int got = m_file->readBlock(m_next, n, m_block.data());
        if (got < n) {
            m_error = got < 0 ? m_file->errorText()
                              : QStringLiteral("Cannot read file %1: record %2 is beyond the end")
                                    .arg(m_path)
                                    .arg(m_next + std::max(got, 0));
            m_file.reset();
            return Read::Failed;
        }
        for (int k = 0; k < n; ++k) {
            const char* p = m_block.constData() + qsizetype(k) * ConnRecord::Size;
            const RecordView v(p);
            // The start's day first: it settles most records of a long
            // archive. A start that is not a number passes no day.
            const double day = dt::datePart(v.inizio());
            const ConnRecord::Kind kind = ConnRecord::classify(p);
            if (kind == ConnRecord::Kind::Damaged)
                m_damaged.append(m_next + k);
            else if (kind == ConnRecord::Kind::Stored && day >= m_fromDay && day <= m_toDay)
                out.push_back(connectionOf(v, m_next + k));
        }
        m_next += n;
    }
    if (m_next < m_total)
        return Read::More;
    m_file.reset();
    m_block = QByteArray();
    return Read::End;
}

QList<int> TArchivePeriodConnections::takeDamaged()
{
    return std::exchange(m_damaged, {});
}
