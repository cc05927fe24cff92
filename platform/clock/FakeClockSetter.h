#pragma once
// An IClockSetter for tests and the command-line tool: it records every time
// it is asked to set, moves a TManualClock to it when given one, and can be
// told to refuse.

#include "platform/clock/ClockSetter.h"

#include <QList>

class TManualClock;

class TFakeClockSetter : public IClockSetter
{
public:
    explicit TFakeClockSetter(TManualClock* clock = nullptr) : m_clock(clock) {}

    bool setLocalTime(TDateTime localTime, QString* error) override;

    // The next calls fail with this reason; an empty text makes them succeed.
    void refuseWith(const QString& reason) { m_refusal = reason; }
    // Every time asked for, refused ones included.
    const QList<TDateTime>& requests() const { return m_requests; }

private:
    TManualClock* m_clock;
    QString m_refusal;
    QList<TDateTime> m_requests;
};
