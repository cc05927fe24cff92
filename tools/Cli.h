#pragma once
// The command-line tool's commands. Each command works on the program folder
// (the user's folder of the program's layout, or --folder DIR) and writes to
// the given streams, so tests run commands in-process and read the output.

#include "platform/system/ProgramLayout.h"

#include "platform/ras/RasBackend.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

class IClock;

struct CliContext {
    QString folder;   // program folder, with a trailing '/'
    QStringList args; // the words after the command name
    QTextStream& out;
    QTextStream& err;
    // Now, for the simulated dial-up service's connections.
    const IClock& clock;
    // The NetworkManager dial-up backend, where the tool is built with it.
    NmBackendHooks nm = {};
};

// Parses the global options and runs one command; returns the exit status.
// Without --folder the command works on the layout's program folder, made
// ready first (see prepareProgramFolder); --folder DIR takes DIR as it is.
int runCli(const QStringList& arguments, const ProgramLayout& layout, QTextStream& out,
           QTextStream& err, const NmBackendHooks& nm = {});
// The same with everything in defaultFolder.
int runCli(const QStringList& arguments, const QString& defaultFolder, QTextStream& out,
           QTextStream& err, const NmBackendHooks& nm = {});

// One function per command word; each lives in its own Cli*.cpp file.
int cliRas(CliContext& ctx);      // ras backend|entries|add|connect|connecting|drop|status
int cliProvider(CliContext& ctx); // provider show|set
int cliPrice(CliContext& ctx);    // price PROFILE START (--seconds N | --end END) [--iva P]
int cliSchedule(CliContext& ctx); // schedule PROFILE START
int cliHoliday(CliContext& ctx);  // holiday YYYY-MM-DD
int cliProfile(CliContext& ctx);  // profile list|show NAME
int cliArchive(CliContext& ctx);  // archive list [--csv] [--from D] [--to D] | reprice | compare
