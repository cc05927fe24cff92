#pragma once
// The files of the simulated dial-up service, in the folder "ras-sim/" of the
// program folder: the phone book "rasphone.pbk" and the active connections
// "connections.json", shared by every process that uses the service (the
// program, tarvelo-cli, tests). Readers need no lock, since every write
// replaces a whole file atomically; every read-modify-write holds an
// exclusive flock on "ras-sim/.lock".

#include "platform/ras/RasPhoneBook.h"
#include "platform/ras/RasTypes.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

struct SimConnection {
    RasHandle handle = 0;
    QString entryName;
    QString phoneNumber;
    uint32_t state = 0;
    uint32_t error = 0;
    // Hung up but not gone yet: gone from this time on (ms since the epoch);
    // -1 never; 0 not hung up.
    qint64 closingAt = 0;
};

struct SimConnections {
    RasHandle nextHandle = 1;
    std::vector<SimConnection> list;

    SimConnection* find(RasHandle handle);
    // A fresh non-zero handle, unique among the live connections.
    RasHandle allocateHandle();
};

class IClock;

class TRasSimStore
{
public:
    // clock: when a hung-up connection goes; processes that share the folder
    // must agree on it (TSystemClock in the program and the tool).
    TRasSimStore(const QString& programFolder, const IClock& clock);

    QString folder() const { return m_folder; }
    QString phoneBookPath() const { return m_folder + QStringLiteral("rasphone.pbk"); }
    QString connectionsPath() const { return m_folder + QStringLiteral("connections.json"); }

    TRasPhoneBook phoneBook() const;
    // Adds an entry or sets its number. Returns false with a reason on failure.
    bool setEntry(const QString& name, const std::optional<QString>& phone, QString& error);

    // The live connections (those hung up and past their closing time left out).
    SimConnections connections() const;
    // Reads, lets change() edit, writes back, all under the lock. Returns
    // false with a reason when the folder, the lock or the write fails.
    bool update(const std::function<void(SimConnections&)>& change, QString& error);

    // Now, in the time of SimConnection::closingAt.
    qint64 nowMs() const;

private:
    bool locked(const std::function<bool(QString&)>& work, QString& error);

    QString m_folder;
    const IClock& m_clock;
};
