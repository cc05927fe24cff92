#include "tools/Cli.h"

#include "common/Clock.h"

#include <QDir>
#include <functional>
#include <map>

namespace
{

void usage(QTextStream& err)
{
    err << "uso: tarvelo-cli [--folder CARTELLA] COMANDO ...\n"
           "comandi:\n"
           "  ras backend | entries | status\n"
           "  ras add VOCE [--phone NUMERO] | connect VOCE | connecting VOCE [--busy] | drop "
           "[VOCE]\n"
           "  provider show VOCE | set VOCE [--user U] [--password P] [--phone N] [--profile T]\n"
           "      [--home URL] [--userpage URL]\n"
           "  price PROFILO INIZIO (--seconds N | --end FINE) [--iva PERCENTUALE]\n"
           "  schedule PROFILO INIZIO\n"
           "  holiday AAAA-MM-GG\n"
           "  profile list | show NOME\n"
           "  archive list [--csv] [--from DATA] [--to DATA]\n"
           "  archive reprice PROFILO [--from DATA] [--to DATA] [--iva PERCENTUALE]\n"
           "  archive compare [--from DATA] [--to DATA] [--csv] [--iva PERCENTUALE]\n"
           "Date e ore nella forma \"AAAA-MM-GG hh:mm:ss\".\n";
}

} // namespace

int runCli(const QStringList& arguments, const QString& defaultFolder, QTextStream& out,
           QTextStream& err, const NmBackendHooks& nm)
{
    return runCli(arguments, ProgramLayout::portable(defaultFolder), out, err, nm);
}

int runCli(const QStringList& arguments, const ProgramLayout& layout, QTextStream& out,
           QTextStream& err, const NmBackendHooks& nm)
{
    QStringList args = arguments;
    QString folder;
    bool chosen = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--folder") && !args.isEmpty()) {
            folder = args.takeFirst();
            chosen = true;
        } else if (opt == QLatin1String("--help")) {
            usage(out);
            return 0;
        } else {
            err << "opzione sconosciuta: " << opt << "\n";
            usage(err);
            return 2;
        }
    }
    if (args.isEmpty()) {
        usage(err);
        return 2;
    }
    static const std::map<QString, std::function<int(CliContext&)>> commands = {
        {QStringLiteral("ras"), cliRas},         {QStringLiteral("provider"), cliProvider},
        {QStringLiteral("price"), cliPrice},     {QStringLiteral("schedule"), cliSchedule},
        {QStringLiteral("holiday"), cliHoliday}, {QStringLiteral("profile"), cliProfile},
        {QStringLiteral("archive"), cliArchive},
    };
    const QString name = args.takeFirst();
    const auto it = commands.find(name);
    if (it == commands.end()) {
        err << "comando sconosciuto: " << name << "\n";
        usage(err);
        return 2;
    }
    if (!chosen) {
        // The command itself says what it cannot do without the folder.
        QString why;
        if (!prepareProgramFolder(layout, &why))
            err << "tarvelo-cli: " << why << "\n";
        folder = layout.programFolder;
    }
    folder = QDir(folder).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const TSystemClock clock;
    CliContext ctx{folder, args, out, err, clock, nm};
    return it->second(ctx);
}
