#pragma once
// The dial-up service as the program needs it. A backend implements these
// operations over whatever the system offers (the simulated service in
// platform/ras, pppd in platform/ppp, NetworkManager in platform/nm).
// Callers only ever see this interface, through TDialUp.

#include "platform/ras/RasTypes.h"

#include <QStringList>
#include <vector>

class IRasService
{
public:
    virtual ~IRasService() = default;

    // Phone-book entry names in the service's own order. Errors give an empty
    // or partial list.
    virtual QStringList entries() = 0;

    // Why the last entries() found no entries or only some, as a sentence for
    // the user (for instance a phone book the user may not read); empty when
    // the list is complete.
    virtual QString entriesProblem() { return {}; }

    // All active connections, including those being set up and those left in
    // an error state until hung up. A failed query gives an empty list.
    virtual std::vector<RasConnection> connections() = 0;

    // State and error of one connection: returns ras::Success, or
    // ras::InvalidHandle once the connection is gone (any other code is a
    // failed query).
    virtual uint32_t connectionStatus(RasHandle handle, RasConnStatus& status) = 0;

    // Whether a dial uses the user name and password it is given. A service
    // that keeps its own credentials (pppd's secrets files, say) ignores
    // them, and the dialler does not ask for them.
    virtual bool usesCredentials() const { return true; }

    // Starts an asynchronous dial and returns its connection handle at once.
    // Progress and failures arrive only through the notifier, on a thread of
    // the service, until the dial ends or the connection is hung up.
    virtual RasHandle dial(const RasDialParams& params, RasNotifier notifier) = 0;

    // Asks the service to close the connection; the result is confirmed only
    // by connectionStatus reporting ras::InvalidHandle. Handle 0, or a
    // connection already gone, does nothing. Returns ras::Success, or the
    // error (ras::AccessDenied) when the service refuses, so that nobody waits
    // for a connection that will not go.
    virtual uint32_t hangUp(RasHandle handle) = 0;

    // The user-facing text of an error code.
    virtual QString errorText(uint32_t code) = 0;
};
