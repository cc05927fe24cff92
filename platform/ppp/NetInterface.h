#pragma once
// The state of a network interface of this process's network namespace.

#include <QString>

// True when the interface exists, is up and has an IPv4 address: a pppd
// link has finished its negotiation.
bool interfaceHasAddress(const QString& name);
