#include "archive/ReportRecords.h"

#include "archive/Selection.h"

#include <algorithm>
#include <utility>

TReportRecords::TReportRecords(QList<ConnRecord> records)
    : m_list(std::move(records)), m_count(int(m_list.size()))
{
}

TReportRecords::TReportRecords(const TSelection& selection, int first, int count)
    : m_selection(&selection), m_generation(selection.generation())
{
    m_first = std::clamp(first, 0, selection.count());
    m_count = std::clamp(count, 0, selection.count() - m_first);
}

TReportRecords::TReportRecords(const TSelection& selection)
    : TReportRecords(selection, 0, selection.count())
{
}

bool TReportRecords::intact() const
{
    return !m_selection ||
           (m_selection->generation() == m_generation && m_first + m_count <= m_selection->count());
}

ConnRecord TReportRecords::at(int k) const
{
    if (k < 0 || k >= m_count)
        return {};
    if (!m_selection)
        return m_list.at(k);
    return intact() ? m_selection->at(m_first + k) : ConnRecord{};
}

TReportRecords::Figures TReportRecords::figures(int k) const
{
    if (k < 0 || k >= m_count)
        return {};
    if (!m_selection) {
        const ConnRecord& r = m_list.at(k);
        return {r.inizio, r.fine, r.costo};
    }
    if (!intact())
        return {};
    const RecordView v = m_selection->view(m_first + k);
    return {v.inizio(), v.fine(), v.costo()};
}
