#pragma once
// The in-memory tariff profiles of the program: one record, held by the
// program object and passed to whoever loads, edits or prices with them.
//
// - working: filled by TProfileFiles::LoadProfile and by the editor's cell
//   edits; what SaveProfile writes; copied into session when a session starts
//   or the running connection changes tariff.
// - session: what the running connection is priced with.
// - repricing: filled by LoadProfileForRepricing for re-pricing stored
//   connections.
// The empty profile is simply TariffTable{} (all zero: no band anywhere).

#include "tariff/ProfileHeader.h"
#include "tariff/TariffTable.h"

struct TariffProfiles {
    ProfileHeader header; // shared by every read and write, see ProfileHeader
    TariffTable working;
    TariffTable session;
    TariffTable repricing;
};
