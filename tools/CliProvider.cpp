// Placeholder: the command lands with its subsystem.
#include "tools/Cli.h"

int cliProvider(CliContext& ctx)
{
    ctx.err << "comando non ancora disponibile\n";
    return 2;
}
