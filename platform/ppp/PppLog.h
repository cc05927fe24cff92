#pragma once
// What pppd's log tells about a dial, line by line, and what its exit status
// means, in the dial-up codes the program speaks.
//
// pppd writes its log to the descriptor given with "logfd"; the connect
// script (chat) writes its messages to the same descriptor when the peer
// runs it with -s or -V. A dial goes: "Serial connection established.",
// "Using interface pppN", "Connect: pppN <--> /dev/...", "PAP (or CHAP)
// authentication succeeded", "local  IP address ...". pppd turns every
// failure of chat into exit status 8: why the call failed ("Failed (BUSY)",
// "Failed (NO CARRIER)", ...) is only in chat's own message.

#include <QString>
#include <cstdint>

namespace ppp
{

constexpr uint32_t NoState = 0xFFFFFFFF;

struct LogLine {
    uint32_t state = NoState; // the dial-up state this line shows reached
    uint32_t failure = 0;     // the error this line names, 0 for none
    QString detail;           // with ras::DeviceError: what happened, for the user
    QString interfaceName;    // from "Using interface pppN"
};

LogLine readLogLine(const QString& line);

// Exit status of a pppd killed by a signal it could not handle.
constexpr int KilledBySignal = -1;

// The error of a dial whose pppd ended before the link was up, from its exit
// status and the last failure its log named (0 for none). Never the busy
// line's code unless chat said BUSY, so that the dialler retries only a
// line that really was busy.
uint32_t dialError(int exitStatus, uint32_t failure);

// A sentence on an exit status for the user, for ras::DeviceError.
QString exitText(int exitStatus);

} // namespace ppp
