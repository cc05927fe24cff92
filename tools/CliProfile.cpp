// profile list: the names of the profiles in Trf/ of the program folder.
// profile show NAME: the table of a profile (by name or as a path to a .trf
// file), one band a line per day row, in the text form the profile generator
// reads back (tariff/ProfileText.h).
#include "common/ScriptedPrompt.h"
#include "tariff/ProfileText.h"
#include "tools/CliTariff.h"

int cliProfile(CliContext& ctx)
{
    using namespace clitariff;
    const QString sub = ctx.args.value(0);
    if (sub == QLatin1String("list") && ctx.args.size() == 1) {
        TariffProfiles profiles;
        TScriptedPrompt silent; // listing never asks anything
        QStringList names;
        TProfileFiles(profiles, ctx.folder, silent).ListProfiles(names);
        for (const QString& name : std::as_const(names))
            ctx.out << name << "\n";
        return 0;
    }
    if (sub == QLatin1String("show") && ctx.args.size() == 2) {
        TariffTable table;
        if (!loadProfile(ctx, ctx.args[1], table))
            return ExitFailed;
        ctx.out << "# Tabella: " << ctx.args[1] << "\n"
                << "# * tutti i valori sono IVA esclusa\n"
                << profileToText(table);
        return 0;
    }
    ctx.err << "uso: profile list | show NOME\n";
    return ExitUsage;
}
