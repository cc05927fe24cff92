#include "platform/clock/LinuxClockSetter.h"

#include "common/SysError.h"

#include <QDateTime>

#include <cerrno>
#include <ctime>

bool TLinuxClockSetter::setLocalTime(TDateTime localTime, QString* error)
{
    // The local time is turned into an instant by the time zone rules in
    // force on that date, daylight saving included.
    const QDateTime local = dt::toQDateTime(localTime);
    if (!local.isValid()) {
        if (error)
            *error = QStringLiteral("Data o ora non valida.");
        return false;
    }
    const qint64 ms = local.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    if (ts.tv_nsec < 0) {
        ts.tv_sec -= 1;
        ts.tv_nsec += 1000000000L;
    }
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    if (error)
        *error = reasonFor(errno);
    return false;
}

QString TLinuxClockSetter::reasonFor(int errorNumber)
{
    if (errorNumber == EPERM || errorNumber == EACCES)
        return QStringLiteral("Il programma non ha il permesso di cambiare l'ora del sistema "
                              "(serve l'utente root o la capacità CAP_SYS_TIME).");
    if (errorNumber == EINVAL)
        return QStringLiteral("Il sistema non accetta l'ora richiesta.");
    return QStringLiteral("Il sistema ha rifiutato la modifica dell'ora (%1).")
        .arg(systemErrorText(errorNumber));
}
