#include "platform/nm/NmBackend.h"
#include "tools/Cli.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments();
    args.removeFirst();
    const int rc =
        runCli(args, ProgramLayout::forExecutable(QCoreApplication::applicationDirPath()), out, err,
               nmBackendHooks());
    out.flush();
    err.flush();
    return rc;
}
