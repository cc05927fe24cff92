#pragma once
// The dial-up service as the program needs it. A backend implements these
// operations over whatever the system offers (the simulated service in
// platform/ras today; a pppd backend would list /etc/ppp/peers as entries and
// ppp links as connections). Callers only ever see this interface, through
// TDialUp.

#include "dialup/RasTypes.h"

#include <QStringList>
#include <vector>

class IRasService
{
public:
    virtual ~IRasService() = default;

    // Phone-book entry names in the service's own order. Errors give an empty
    // or partial list.
    virtual QStringList entries() = 0;

    // All active connections, including those being set up and those left in
    // an error state until hung up. A failed query gives an empty list.
    virtual std::vector<RasConnection> connections() = 0;

    // State and error of one connection: returns ras::Success, or
    // ras::InvalidHandle once the connection is gone (any other code is a
    // failed query).
    virtual uint32_t connectionStatus(RasHandle handle, RasConnStatus& status) = 0;

    // Starts an asynchronous dial and returns its connection handle at once.
    // Progress and failures arrive only through the notifier, on a thread of
    // the service, until the dial ends or the connection is hung up.
    virtual RasHandle dial(const RasDialParams& params, RasNotifier notifier) = 0;

    // Asks the service to close the connection; the result is confirmed only
    // by connectionStatus reporting ras::InvalidHandle. Handle 0 does nothing.
    virtual void hangUp(RasHandle handle) = 0;

    // The user-facing text of an error code.
    virtual QString errorText(uint32_t code) = 0;
};
