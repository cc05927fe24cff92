#pragma once
// Waiting in tests for what other processes and threads do.

#include <QCoreApplication>
#include <QThread>

namespace testsupport
{

// Waits up to ms for cond, letting queued events through.
template <class Cond> bool waitFor(Cond cond, int ms = 10000)
{
    for (int waited = 0; waited < ms; waited += 20) {
        if (cond())
            return true;
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return cond();
}

} // namespace testsupport
