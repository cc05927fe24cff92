#pragma once
// Italian texts of dial-up states and errors, shared by every backend.

#include <QString>
#include <cstdint>

namespace ras
{

// Text shown while dialling for a connection state; "Attesa" for any state
// outside the table.
QString stateText(uint32_t state);

// Text of a dial-up error code, at most 255 characters; empty for 0.
QString errorText(uint32_t code);

} // namespace ras
