#pragma once
// The NetworkManager backend as the backend choice takes it (see
// platform/ras/RasBackend.h), from the library that links QtDBus.

#include "platform/ras/RasBackend.h"

NmBackendHooks nmBackendHooks();
