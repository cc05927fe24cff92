#pragma once
// Injectable "now". The program asks an IClock for the local date-time; tests
// use TManualClock and move it by hand instead of sleeping.

#include "common/DateTime.h"

class IClock
{
public:
    virtual ~IClock() = default;
    virtual TDateTime now() const = 0;
    // Milliseconds from an arbitrary monotonic origin, for waits and time-outs.
    virtual qint64 monotonicMs() const = 0;
    // Milliseconds since 1970-01-01 UTC: for times written where other
    // processes read them.
    virtual qint64 epochMs() const = 0;
};

class TSystemClock : public IClock
{
public:
    TDateTime now() const override;
    qint64 monotonicMs() const override;
    qint64 epochMs() const override;
};

class TManualClock : public IClock
{
public:
    explicit TManualClock(TDateTime start = dt::encode(2000, 1, 3, 12, 0, 0)) : m_now(start) {}
    TDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_ms; }
    qint64 epochMs() const override;

    void set(TDateTime t) { m_now = t; }
    void advanceSeconds(double s)
    {
        m_now += s * dt::OneSecond;
        m_ms += qint64(s * 1000);
    }
    void advanceMs(qint64 ms)
    {
        m_now += ms * dt::OneMillisecond;
        m_ms += ms;
    }

private:
    TDateTime m_now;
    qint64 m_ms = 0;
};
