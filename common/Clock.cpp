#include "common/Clock.h"

#include <QElapsedTimer>
#include <chrono>

TDateTime SystemClock::now() const
{
    return dt::fromQDateTime(QDateTime::currentDateTime());
}

qint64 SystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 SystemClock::epochMs() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

qint64 ManualClock::epochMs() const
{
    return dt::toQDateTime(m_now).toMSecsSinceEpoch();
}
