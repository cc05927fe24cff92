// tarvelo-cli provider: shows and writes provider records through the same
// code the program uses.
#include "tools/Cli.h"

#include "common/Ansi.h"
#include "common/SafeName.h"
#include "common/ScriptedPrompt.h"
#include "dialup/ProviderRecord.h"

namespace
{

int usageError(CliContext& ctx, const QString& text)
{
    ctx.err << text << "\n"
            << "uso: provider show VOCE | set VOCE [--user U] [--password P] [--phone N]"
               " [--profile T] [--home URL] [--userpage URL]\n";
    return 2;
}

struct Field {
    const char* option;
    QString TProviderRecord::*member;
    int max;
};

const Field Fields[] = {
    {"--user", &TProviderRecord::userName, TProviderRecord::UserNameMax},
    {"--password", &TProviderRecord::password, TProviderRecord::PasswordMax},
    {"--phone", &TProviderRecord::phoneNumber, TProviderRecord::PhoneMax},
    {"--profile", &TProviderRecord::profile, TProviderRecord::ProfileMax},
    {"--home", &TProviderRecord::homePage, TProviderRecord::PageMax},
    {"--userpage", &TProviderRecord::userPage, TProviderRecord::PageMax},
};

// Loads the entry's record; false (with a message) when the file is there
// but cannot be read or the name cannot be a file name.
bool load(CliContext& ctx, TProviderRecord& r, const QString& entry,
          TProviderRecord::LoadResult& result)
{
    TScriptedPrompt prompt;
    QString error;
    result = r.load(ctx.folder, entry, prompt, &error);
    if (result == TProviderRecord::LoadResult::Failed) {
        if (error == InvalidNameText)
            ctx.err << InvalidNameText << ": " << entry << "\n";
        else
            ctx.err << "impossibile leggere il record: "
                    << TProviderRecord::filePath(ctx.folder, entry) << ": " << error << "\n";
        return false;
    }
    return true;
}

int show(CliContext& ctx, const QString& entry)
{
    TProviderRecord r;
    TProviderRecord::LoadResult result;
    if (!load(ctx, r, entry, result))
        return 1;
    if (result == TProviderRecord::LoadResult::Missing) {
        ctx.err << "nessun record per la voce " << entry << "\n";
        return 1;
    }
    ctx.out << "Voce: " << r.entryName << "\n"
            << "Utente: " << r.userName << "\n"
            << "Password: " << r.password << "\n"
            << "Telefono: " << r.phoneNumber << "\n"
            << "Tariffa: " << r.profile << "\n"
            << "Home page: " << r.homePage << "\n"
            << "Pagina utente: " << r.userPage << "\n";
    return 0;
}

int set(CliContext& ctx, const QString& entry, QStringList args)
{
    if (entry.size() > TProviderRecord::EntryNameMax)
        return usageError(ctx, QStringLiteral("nome della voce troppo lungo (massimo %1 caratteri)")
                                   .arg(TProviderRecord::EntryNameMax));
    TProviderRecord r;
    TProviderRecord::LoadResult result;
    if (!load(ctx, r, entry, result))
        return 1;
    r.entryName = entry;
    while (!args.isEmpty()) {
        const QString opt = args.takeFirst();
        const Field* field = nullptr;
        for (const Field& f : Fields)
            if (opt == QLatin1String(f.option))
                field = &f;
        if (!field || args.isEmpty())
            return usageError(ctx, QStringLiteral("opzione non valida: ") + opt);
        const QString value = args.takeFirst();
        if (value.size() > field->max)
            return usageError(ctx, QStringLiteral("%1: testo troppo lungo (massimo %2 caratteri)")
                                       .arg(opt)
                                       .arg(field->max));
        // The record keeps single-byte text: anything else would be stored as "?".
        if (ansi::toUnicode(ansi::fromUnicode(value)) != value)
            return usageError(ctx, QStringLiteral("%1: caratteri non ammessi nel record").arg(opt));
        r.*(field->member) = value;
    }
    TScriptedPrompt prompt;
    QString error;
    if (r.save(ctx.folder, prompt, &error) != TProviderRecord::SaveResult::Saved) {
        ctx.err << "impossibile scrivere il record: "
                << TProviderRecord::filePath(ctx.folder, entry) << ": " << error << "\n";
        return 1;
    }
    ctx.out << "record salvato: " << TProviderRecord::filePath(ctx.folder, entry) << "\n";
    return 0;
}

} // namespace

int cliProvider(CliContext& ctx)
{
    QStringList args = ctx.args;
    if (args.size() < 2)
        return usageError(ctx, QStringLiteral("argomenti mancanti"));
    const QString sub = args.takeFirst();
    const QString entry = args.takeFirst();
    if (sub == QLatin1String("show") && args.isEmpty())
        return show(ctx, entry);
    if (sub == QLatin1String("set"))
        return set(ctx, entry, args);
    return usageError(ctx, QStringLiteral("argomenti non validi per provider ") + sub);
}
