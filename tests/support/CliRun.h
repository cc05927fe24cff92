#pragma once
// Runs one tarvelo-cli command in-process on a program folder and keeps its
// exit status and output. Only for tests that link tarvelo_cli_lib.

#include "tools/Cli.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace testsupport
{

struct CliRun {
    int status = 0;
    QString out;
    QString err;
};

inline CliRun runCliIn(const QString& folder, const QStringList& args)
{
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runCli(QStringList{QStringLiteral("--folder"), folder} + args, folder, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace testsupport
