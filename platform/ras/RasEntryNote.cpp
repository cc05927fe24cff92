#include "platform/ras/RasEntryNote.h"

#include <algorithm>

QStringList TRasEntryNote::take(QStringList names, const QString& problem)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    std::lock_guard lock(m_mutex);
    m_problem = problem;
    return names;
}

QString TRasEntryNote::problem() const
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}
