#pragma once
// The pid files pppd leaves in its run folder (normally /run) while a link
// is up: "pppN.pid" with the pid once the interface pppN exists, and
// "ppp-NAME.pid" with the pid and the interface when the peer sets a
// link name. Other pid files of the folder are not read.

#include <QString>
#include <map>
#include <sys/types.h>

struct PppLinkInfo {
    QString interfaceName; // empty while no interface exists
    QString linkName;      // empty without a link name
};

// What the pid files say about each pppd, by pid.
std::map<pid_t, PppLinkInfo> readPppRunFiles(const QString& runFolder);
