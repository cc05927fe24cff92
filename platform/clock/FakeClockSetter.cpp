#include "platform/clock/FakeClockSetter.h"

#include "common/Clock.h"

bool TFakeClockSetter::setLocalTime(TDateTime localTime, QString* error)
{
    m_requests.append(localTime);
    if (!m_refusal.isEmpty()) {
        if (error)
            *error = m_refusal;
        return false;
    }
    if (m_clock)
        m_clock->set(localTime);
    return true;
}
