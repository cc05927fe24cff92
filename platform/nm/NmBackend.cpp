#include "platform/nm/NmBackend.h"

#include "platform/nm/RasNmService.h"

NmBackendHooks nmBackendHooks()
{
    NmBackendHooks hooks;
    hooks.dialUpConnections = [] { return TRasNmService::dialUpConnectionCount(); };
    hooks.create = [] { return std::make_unique<TRasNmService>(); };
    return hooks;
}
