#include "common/Clock.h"

#include <QElapsedTimer>
#include <chrono>

TDateTime TSystemClock::now() const
{
    return dt::fromQDateTime(QDateTime::currentDateTime());
}

qint64 TSystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 TSystemClock::epochMs() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

qint64 TManualClock::epochMs() const
{
    return dt::toQDateTime(m_now).toMSecsSinceEpoch();
}
