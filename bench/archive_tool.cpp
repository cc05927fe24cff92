// What the archive benchmark script needs besides tarvelo-cli:
//   make N FILE      writes an archive of N varied, valid connections, in the
//                    order of their starts, over ten years from 1999;
//   erase FILE       deletes every stored connection in one change (the
//                    archive window's "Elimina Connessioni" over all rows);
//   select FILE      loads the whole archive into a selection, as the archive
//                    window does, and prints how many records it holds;
//   report FILE [copy]
//                    loads the whole archive into a selection and lays out
//                    its printed report a page at a time, as printing does
//                    (with fixed text measures of an A4 page at 600 dpi),
//                    and prints the memory it took beside the selection's;
//                    with copy the report reads a decoded copy of every
//                    record, as it once did, rather than the selection.
#include "archive/ArchiveChange.h"
#include "archive/ArchiveFile.h"
#include "archive/Report.h"
#include "archive/Selection.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

namespace
{

// The next connection after start; step: the mean time between starts, in
// seconds, so that any number of connections spans the same ten years.
ConnRecord varied(QRandomGenerator& rng, TDateTime& start, int step)
{
    static const QStringList providers = {
        QStringLiteral("Prova"),       QStringLiteral("Casa"),
        QStringLiteral("Rete Veloce"), QStringLiteral("Ufficio 2"),
        QStringLiteral("Notte"),       QStringLiteral("Città, centro"),
        QStringLiteral("Libero-56k"),  QStringLiteral("Backup \"B\"")};
    static const QStringList profiles = {QStringLiteral("Telecom Urbana 50%"),
                                         QStringLiteral("Interurbana"), QStringLiteral("Notturna"),
                                         QString()};
    static const QStringList words = {
        QStringLiteral("posta"),     QStringLiteral("news"),    QStringLiteral("aggiornamenti"),
        QStringLiteral("perché"),    QStringLiteral("lavoro,"), QStringLiteral("\"chat\""),
        QStringLiteral("scaricato"), QStringLiteral("€ 2"),     QStringLiteral("\r\n")};
    const int gap = step / 2 + int(rng.bounded(step));
    ConnRecord r;
    r.inizio = start + gap * dt::OneSecond;
    const int seconds = 10 + int(rng.bounded(std::clamp(gap - 20, 1, 3 * 3600)));
    r.fine = r.inizio + seconds * dt::OneSecond;
    r.costo = float(127 + seconds * 0.65 + rng.bounded(100) / 100.0);
    r.telefono = QStringLiteral("070%1").arg(1000000 + rng.bounded(20));
    r.provider = providers[rng.bounded(providers.size())];
    r.nomeTar = profiles[rng.bounded(profiles.size())];
    const int n = rng.bounded(12);
    for (int i = 0; i < n; ++i)
        r.motivo += (i ? QStringLiteral(" ") : QString()) + words[rng.bounded(words.size())];
    r.cutTexts();
    start = r.inizio;
    return r;
}

int make(qint64 n, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    QRandomGenerator rng(1999);
    TDateTime start = dt::encode(1999, 1, 4, 8, 0, 0);
    const int step = int(std::max<qint64>(60, 10LL * 365 * 86400 / std::max<qint64>(n, 1)));
    QByteArray chunk;
    for (qint64 i = 0; i < n; ++i) {
        chunk += varied(rng, start, step).toBytes();
        if (chunk.size() >= (1 << 20) || i + 1 == n) {
            if (f.write(chunk) != chunk.size())
                return 1;
            chunk.clear();
        }
    }
    return f.flush() ? 0 : 1;
}

int erase(const QString& path)
{
    const archivechange::Result r =
        archivechange::erase(path, archivechange::Targets::days(-1e9, 1e9));
    std::printf("eliminate=%lld\n", (long long)r.changed);
    if (r.status != archivechange::Status::Done)
        std::fprintf(stderr, "%s\n", qPrintable(r.error));
    return r.status == archivechange::Status::Done ? 0 : 1;
}

bool selectAll(const QString& path, TSelection& selection)
{
    const QFileInfo file(path);
    TArchiveFile archive(file.path(), file.fileName());
    return selection.load(archive, SelectionFilter::everything()) == TSelection::LoadResult::Loaded;
}

int select(const QString& path)
{
    TSelection selection;
    if (!selectAll(path, selection))
        return 1;
    std::printf("selezionate=%d\n", selection.count());
    return 0;
}

// A value of /proc/self/status in kB (VmRSS, VmHWM).
long statusKb(const char* name)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Text measures of a proportional font, roughly: the layout's arithmetic
// and the texts it makes are what is measured, not a font engine.
class FixedMetrics : public IReportMetrics
{
public:
    double textWidth(const QString& text, const ReportFont& font) const override
    {
        return double(text.size()) * font.points * 0.55 * 600 / 72;
    }
    double textHeight(const QString&, const ReportFont& font) const override
    {
        return font.points * 1.2 * 600 / 72;
    }
};

int report(const QString& path, bool copy)
{
    TSelection selection;
    if (!selectAll(path, selection))
        return 1;
    const long selectedKb = statusKb("VmRSS");
    TReport::Input in;
    in.records = copy ? TReportRecords(selection.records()) : TReportRecords(selection);
    in.query.dal = -1e9;
    in.query.al = 1e9;
    in.descriz = QStringLiteral("<predefinita>");
    in.tarTutti = true;
    in.printedAt = dt::encode(2009, 1, 1, 12, 0, 0);
    const TReport report(std::move(in));
    int pages = 0;
    int blocks = 0;
    report.layout(FixedMetrics(), ReportSurface{4760, 6779, 600},
                  [&pages, &blocks](const ReportPage&, int done) {
                      ++pages;
                      blocks = done;
                      return true;
                  });
    const long peakKb = statusKb("VmHWM");
    std::printf("selezionate=%d blocchi=%d pagine=%d selezione_kb=%ld picco_kb=%ld "
                "stampa_kb=%ld\n",
                selection.count(), blocks, pages, selectedKb, peakKb, peakKb - selectedKb);
    return blocks == selection.count() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() == 4 && a[1] == QLatin1String("make"))
        return make(a[2].toLongLong(), a[3]);
    if (a.size() == 3 && a[1] == QLatin1String("erase"))
        return erase(a[2]);
    if (a.size() == 3 && a[1] == QLatin1String("select"))
        return select(a[2]);
    if ((a.size() == 3 || (a.size() == 4 && a[3] == QLatin1String("copy"))) &&
        a[1] == QLatin1String("report"))
        return report(a[2], a.size() == 4);
    std::fprintf(
        stderr,
        "uso: tarvelo-archive-bench make N FILE | erase FILE | select FILE | report FILE [copy]\n");
    return 2;
}
