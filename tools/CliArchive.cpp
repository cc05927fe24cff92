// archive list [--csv]: the stored connections of the program folder's archive.
#include "archive/ArchiveFile.h"
#include "common/DateTime.h"
#include "tools/Cli.h"

#include <QFileInfo>

namespace
{

const QStringList Columns = {
    QStringLiteral("posizione"), QStringLiteral("inizio"),  QStringLiteral("fine"),
    QStringLiteral("secondi"),   QStringLiteral("costo"),   QStringLiteral("telefono"),
    QStringLiteral("provider"),  QStringLiteral("profilo"), QStringLiteral("descrizione"),
};

QStringList fields(const ConnRecord& r)
{
    return {QString::number(r.indice),
            dt::toIsoText(r.inizio),
            dt::toIsoText(r.fine),
            QString::number(r.durationSeconds()),
            QString::number(double(r.costo), 'f', 2),
            r.telefono,
            r.provider,
            r.nomeTar,
            r.motivo};
}

// RFC 4180: quote a field holding a comma, a quote or a line break.
QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// One line per record, columns split by tabs: control characters in the
// texts (line breaks of a description) become spaces.
QString plainField(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return text;
}

void writeRow(QTextStream& out, const QStringList& row, bool csv)
{
    QStringList cells;
    for (const QString& f : row)
        cells << (csv ? csvField(f) : plainField(f));
    out << cells.join(csv ? QLatin1Char(',') : QLatin1Char('\t')) << (csv ? "\r\n" : "\n");
}

int listArchive(CliContext& ctx, bool csv)
{
    ArchiveFile archive(ctx.folder);
    writeRow(ctx.out, Columns, csv);
    if (!QFileInfo::exists(archive.path()))
        return 0; // no connection recorded yet
    if (!archive.open(ArchiveFile::Access::ReadOnly)) {
        ctx.err << archive.errorText() << "\n";
        return 1;
    }
    QList<int> damaged;
    const QList<ConnRecord> records = archive.readStored(&damaged);
    for (const ConnRecord& r : records)
        writeRow(ctx.out, fields(r), csv);
    for (int i : damaged)
        ctx.err << "record " << i << " danneggiato o illeggibile: ignorato\n";
    return 0;
}

} // namespace

int cliArchive(CliContext& ctx)
{
    const QStringList& a = ctx.args;
    if (a.size() >= 1 && a.size() <= 2 && a[0] == QLatin1String("list")) {
        if (a.size() == 1)
            return listArchive(ctx, false);
        if (a[1] == QLatin1String("--csv"))
            return listArchive(ctx, true);
    }
    ctx.err << "uso: tarvelo-cli [--folder CARTELLA] archive list [--csv]\n";
    return 2;
}
