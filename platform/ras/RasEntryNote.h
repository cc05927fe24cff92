#pragma once
// The entry list of a real dial-up backend as the program shows it, and why
// the last list was empty or partial (for IRasService::entriesProblem). The
// list is read on the user-interface thread, the reason may be asked from
// any.

#include <QString>
#include <QStringList>
#include <mutex>

class TRasEntryNote
{
public:
    // Keeps problem and gives names in the order the pick-lists show them
    // (without regard to case; names differing only in case stay apart).
    QStringList take(QStringList names, const QString& problem);
    QString problem() const;

private:
    mutable std::mutex m_mutex;
    QString m_problem;
};
