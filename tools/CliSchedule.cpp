// Placeholder: the command lands with its subsystem.
#include "tools/Cli.h"

int cliSchedule(CliContext& ctx)
{
    ctx.err << "comando non ancora disponibile\n";
    return 2;
}
