// The printed summary without a printer: the statistics recomputed from the
// printed records, the texts of the header, blocks and statistics, and the
// page layout on a surface with simple text measures.

#include "archive/Report.h"
#include "archive/Selection.h"
#include "tests/archive/SelectionFixture.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace selectiontest;

Q_DECLARE_METATYPE(ConnRecord)

namespace
{

// Text that is 0.6 em wide per character and 10/7 of its point size high:
// 7 points give lines 10 pixels apart.
class FakeMetrics : public IReportMetrics
{
public:
    double textWidth(const QString& text, const ReportFont& font) const override
    {
        return text.size() * font.points * 0.6 * (font.bold ? 1.1 : 1.0);
    }
    double textHeight(const QString&, const ReportFont& font) const override
    {
        return font.points * 10 / 7;
    }
};

ConnRecord simple(int day, int h, int m, int seconds, float costo = 100)
{
    return conn(day, h, m, seconds, costo, QStringLiteral("0101"), QStringLiteral("Alfa"),
                QStringLiteral("Urbana"));
}

TReport::Input input(const QList<ConnRecord>& records)
{
    TReport::Input in;
    in.records = records;
    in.query.dal = dt::encodeDate(2001, 3, 1);
    in.query.al = dt::encodeDate(2001, 3, 3) + 0.5;
    in.descriz = QStringLiteral("Ufficio");
    in.nomeTar = QStringLiteral("Urbana");
    in.cambioEcu = 1936.27f;
    in.printedAt = dt::encode(2001, 3, 5, 9, 7, 30);
    return in;
}

QString statValue(const TReport& report, const QString& label)
{
    for (const TReport::StatLine& line : report.statisticsLines())
        if (line.label == label)
            return line.value;
    return QStringLiteral("<no line ") + label + QLatin1Char('>');
}

QString joined(const QList<TReport::Piece>& pieces)
{
    QString out;
    for (const TReport::Piece& p : pieces)
        out += p.text;
    return out;
}

// Per page, the y of every block (its "n." text).
QList<QList<double>> blockTops(const QList<ReportPage>& pages)
{
    QList<QList<double>> out;
    for (const ReportPage& page : pages) {
        out.append(QList<double>{});
        for (const ReportItem& item : page.items)
            if (item.text == QLatin1String("n."))
                out.last().append(item.y);
    }
    return out;
}

const ReportItem* findText(const ReportPage& page, const QString& text)
{
    for (const ReportItem& item : page.items)
        if (item.kind == ReportItem::Kind::Text && item.text == text)
            return &item;
    return nullptr;
}

// Every item of every page, as text, to compare two layouts whole.
QStringList dump(const QList<ReportPage>& pages)
{
    QStringList out;
    for (int p = 0; p < pages.size(); ++p)
        for (const ReportItem& i : pages[p].items)
            out.append(QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                           .arg(p)
                           .arg(int(i.kind))
                           .arg(i.text)
                           .arg(i.font.points)
                           .arg(i.font.bold)
                           .arg(i.x)
                           .arg(i.y)
                           .arg(i.alignRight)
                           .arg(i.x2 + i.lineWidth * 1e6));
    return out;
}

// An archive of varied connections: starts out of order, two dearest of the
// same cost, spans past midnight and past a day, an end before its start,
// long and accented texts, and a deleted and a damaged record among them.
QByteArray variedArchive()
{
    QByteArray bytes;
    for (int i = 0; i < 150; ++i) {
        if (i == 40) {
            bytes += ConnRecord{}.toBytes(); // deleted
            continue;
        }
        if (i == 41) { // damaged: a start no calendar holds
            QByteArray b(ConnRecord::Size, '\0');
            b.replace(0, 16, QByteArray(16, '\xff'));
            bytes += b;
            continue;
        }
        const int day = i == 90 ? 2 : 1 + i % 28;
        int seconds = 1 + (i * 7919) % 9000;
        if (i == 17)
            seconds = 26 * 3600 + 61;
        ConnRecord r =
            conn(day, (i * 5) % 24, (i * 13) % 60, seconds,
                 i % 50 == 3 ? 99999.5f : float((i * 37) % 5000) + 0.25f * float(i % 4),
                 QStringLiteral("070%1").arg(i % 5), QStringLiteral("Città %1").arg(i % 3),
                 i % 4 ? QStringLiteral("Urbana") : QString(),
                 QString(i % 11, QChar(0x00e8)) + QStringLiteral(" posta"));
        if (i == 60)
            r.fine = r.inizio - 30 * dt::OneSecond;
        bytes += r.toBytes();
    }
    return bytes;
}

} // namespace

class TstReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void durationText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds only") << qint64(45) << "45''";
        QTest::newRow("nothing") << qint64(0) << "0''";
        QTest::newRow("minutes") << qint64(127) << "2' 7''";
        QTest::newRow("whole minute") << qint64(60) << "1' 0''";
        QTest::newRow("hours") << qint64(3930) << "1 h 5' 30''";
        QTest::newRow("hour, no minutes") << qint64(3605) << "1 h 0' 5''";
        QTest::newRow("past a day") << qint64(26 * 3600 + 3 * 60 + 4) << "26 h 3' 4''";
        QTest::newRow("end before start") << qint64(-65) << "-1' 5''";
    }
    void durationText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ReportStatistics::durationText(seconds), text);
    }

    void amounts_data()
    {
        QTest::addColumn<float>("lire");
        QTest::addColumn<float>("cambio");
        QTest::addColumn<QString>("lireText");
        QTest::addColumn<QString>("euroText");
        // No 0.49 is added, unlike the archive window's grid.
        QTest::newRow("rounds up") << 1234.6f << 1936.27f << "1.235"
                                   << "0,64";
        QTest::newRow("rounds down") << 1234.4f << 1936.27f << "1.234"
                                     << "0,64";
        QTest::newRow("zero") << 0.0f << 1936.27f << "0"
                              << "0,00";
        QTest::newRow("millions") << 1234567.0f << 1936.27f << "1.234.567"
                                  << "637,60";
        QTest::newRow("no exchange rate") << 1000.0f << 0.0f << "1.000"
                                          << "0,00";
    }
    void amounts()
    {
        QFETCH(float, lire);
        QFETCH(float, cambio);
        QFETCH(QString, lireText);
        QFETCH(QString, euroText);
        QCOMPARE(ReportStatistics::lireText(lire), lireText);
        QCOMPARE(ReportStatistics::euroText(lire, cambio), euroText);
    }

    void statistics_data()
    {
        QTest::addColumn<QList<ConnRecord>>("records");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");
        const QList<ConnRecord> one45 = {simple(2, 10, 0, 45)};
        QTest::newRow("one of 45 s: min, max, mean") << one45 << "TEMPO Min, Max, Medio :   "
                                                     << "45'' - 45'' - 45''";
        QTest::newRow("one of 45 s: total") << one45 << "TEMPO TOTALE :   "
                                            << "45''";
        QTest::newRow("one of 45 s: days") << one45 << "GIORNI REALI : "
                                           << "1";

        const QList<ConnRecord> spread = {simple(1, 23, 50, 600, 1234.6f),
                                          simple(2, 8, 0, 60, 100.0f),
                                          simple(3, 0, 5, 7200, 500.0f)};
        QTest::newRow("1st to 3rd: days") << spread << "GIORNI REALI : "
                                          << "3";
        QTest::newRow("count") << spread << "TOTALE CONNESSIONI : "
                               << "3";
        QTest::newRow("first") << spread << "PRIMA Connessione : "
                               << "giovedì, 01 marzo 2001 - 23:50:00";
        QTest::newRow("last") << spread << "ULTIMA Connessione : "
                              << "sabato, 03 marzo 2001 - 00:05:00";
        QTest::newRow("times") << spread << "TEMPO Min, Max, Medio :   "
                               << "1' 0'' - 2 h 0' 0'' - 43' 40''";
        QTest::newRow("cost total") << spread << "COSTO TOTALE in Lire, Euro :   "
                                    << "1.835 - 0,95";
        QTest::newRow("costs") << spread << "COSTO Min, Max, Medio :   "
                               << "100 - 1.235 - 612";

        // 20 h + 6 h 3' 4'' = 1 day 2 h 3' 4''.
        const QList<ConnRecord> long2 = {simple(1, 0, 0, 20 * 3600),
                                         simple(2, 0, 0, 6 * 3600 + 3 * 60 + 4)};
        QTest::newRow("total past a day") << long2 << "TEMPO TOTALE :   "
                                          << "26 h 3' 4''";
        // A single connection longer than a day keeps its hours.
        QTest::newRow("connection past a day")
            << QList<ConnRecord>{simple(1, 0, 0, 25 * 3600 + 1)} << "TEMPO Min, Max, Medio :   "
            << "25 h 0' 1'' - 25 h 0' 1'' - 25 h 0' 1''";

        // A start edited back in time: the days still run from the earliest
        // start to the latest.
        const QList<ConnRecord> unordered = {simple(5, 10, 0, 60), simple(2, 10, 0, 60),
                                             simple(4, 10, 0, 60)};
        QTest::newRow("out of order: days") << unordered << "GIORNI REALI : "
                                            << "4";
        QTest::newRow("out of order: first") << unordered << "PRIMA Connessione : "
                                             << "venerdì, 02 marzo 2001 - 10:00:00";

        const QList<ConnRecord> none;
        QTest::newRow("empty: count") << none << "TOTALE CONNESSIONI : "
                                      << "0";
        QTest::newRow("empty: first") << none << "PRIMA Connessione : "
                                      << "- nd -";
        QTest::newRow("empty: days") << none << "GIORNI REALI : "
                                     << "0";
        QTest::newRow("empty: total") << none << "TEMPO TOTALE :   "
                                      << "0''";
        QTest::newRow("empty: times") << none << "TEMPO Min, Max, Medio :   "
                                      << "- nd -";
        QTest::newRow("empty: cost") << none << "COSTO TOTALE in Lire, Euro :   "
                                     << "0 - 0,00";
        QTest::newRow("empty: costs") << none << "COSTO Min, Max, Medio :   "
                                      << "- nd -";
    }
    void statistics()
    {
        QFETCH(QList<ConnRecord>, records);
        QFETCH(QString, label);
        QFETCH(QString, value);
        QCOMPARE(statValue(TReport(input(records)), label), value);
    }

    void statisticsFigures()
    {
        const TReport report(input({simple(1, 10, 0, 60, 100.0f), simple(3, 9, 0, 180, 300.0f)}));
        const ReportStatistics& s = report.statistics();
        QCOMPARE(s.count, 2);
        QCOMPARE(s.firstStart, dt::encode(2001, 3, 1, 10, 0, 0));
        QCOMPARE(s.lastStart, dt::encode(2001, 3, 3, 9, 0, 0));
        QCOMPARE(s.realDays, 3);
        QCOMPARE(ReportStatistics::seconds(s.meanTime), 120);
        QCOMPARE(s.meanCost, 200.0f);
        QCOMPARE(s.totals.minCost, 100.0f);
        QCOMPARE(s.totals.maxCost, 300.0f);
        QCOMPARE(ReportStatistics::seconds(s.totals.totalTime), 240);
    }

    // A report that reads the window's selection in place says and lays out
    // exactly what one made from a decoded copy of the same records does.
    void fromSelection_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("every record") << 0 << 148 << 148;
        QTest::newRow("a range") << 30 << 50 << 50;
        QTest::newRow("a range past the end") << 140 << 50 << 8;
        QTest::newRow("nothing") << 10 << 0 << 0;
    }
    void fromSelection()
    {
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(int, expected);
        QTemporaryDir dir;
        QVERIFY(archivetest::writeFileBytes(dir.filePath(QStringLiteral("Archivio.sto")),
                                            variedArchive()));
        TArchiveFile archive(dir.path());
        TSelection selection;
        QCOMPARE(selection.load(archive, wholeMarch()), TSelection::LoadResult::Loaded);
        QCOMPARE(selection.count(), 148);

        TReport::Input copy = input(selection.records().mid(first, expected));
        TReport::Input inPlace = copy;
        inPlace.records = TReportRecords(selection, first, count);
        const TReport a(copy);
        const TReport b(inPlace);
        QCOMPARE(b.input().records.size(), expected);

        const ReportStatistics& sa = a.statistics();
        const ReportStatistics& sb = b.statistics();
        QCOMPARE(sb.count, sa.count);
        QCOMPARE(sb.firstStart, sa.firstStart);
        QCOMPARE(sb.lastStart, sa.lastStart);
        QCOMPARE(sb.realDays, sa.realDays);
        QCOMPARE(sb.meanTime, sa.meanTime);
        QCOMPARE(sb.meanCost, sa.meanCost);
        QCOMPARE(sb.totals.totalCost, sa.totals.totalCost);
        QCOMPARE(sb.totals.minCost, sa.totals.minCost);
        QCOMPARE(sb.totals.maxCost, sa.totals.maxCost);
        QCOMPARE(sb.totals.totalTime, sa.totals.totalTime);
        QCOMPARE(sb.totals.minTime, sa.totals.minTime);
        QCOMPARE(sb.totals.maxTime, sa.totals.maxTime);

        const ReportSurface surface{900, 700, 600};
        const QStringList pa = dump(a.layout(FakeMetrics(), surface));
        QCOMPARE(dump(b.layout(FakeMetrics(), surface)), pa);
        QVERIFY(expected == 0 || pa.size() > 25 * expected);
    }

    // The selection loaded again under a report that reads it: the report
    // stops rather than lay out blocks of records that are no longer its own.
    void selectionLoadedAgain()
    {
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        TArchiveFile archive(dir.path());
        SelectionFilter filter = wholeMarch();
        TSelection selection;
        QCOMPARE(selection.load(archive, filter), TSelection::LoadResult::Loaded);
        TReport::Input in = input({});
        in.records = TReportRecords(selection);
        const TReport report(in);
        QCOMPARE(report.statistics().count, 5);

        // A surface that takes two blocks a page: the reload comes after the first page.
        int pages = 0;
        const bool whole =
            report.layout(FakeMetrics(), ReportSurface{500, 130, 600}, [&](const ReportPage&, int) {
                if (++pages == 1) {
                    filter.query.al = dt::encodeDate(2001, 3, 2);
                    selection.load(archive, filter);
                }
                return true;
            });
        QVERIFY(!whole);
        QCOMPARE(pages, 1);
        QVERIFY(!report.input().records.intact());
        QCOMPARE(report.input().records.at(0), ConnRecord{});
        // A new report of the new selection reads it whole.
        in.records = TReportRecords(selection);
        QCOMPARE(TReport(in).statistics().count, 2);
        QVERIFY(TReport(in).input().records.intact());
    }

    void header()
    {
        TReport::Input in = input({});
        const QList<QList<TReport::Piece>> h = TReport(in).header();
        QCOMPARE(h.size(), 3);
        QCOMPARE(joined(h[0]), QStringLiteral("RIEPILOGO DELLE CONNESSIONI :   Ufficio"));
        QCOMPARE(joined(h[1]), QStringLiteral("DA   giovedì, 1 marzo 2001   A   sabato, 3 marzo "
                                              "2001   (giorni 3)   "));
        QCOMPARE(joined(h[2]), QStringLiteral("PROFILO TARIFFARIO :   Urbana"));
        QVERIFY(h[0][0].bold);
        QVERIFY(!h[0][1].bold);
        in.tarTutti = true;
        QCOMPARE(joined(TReport(in).header()[2]), QStringLiteral("PROFILO TARIFFARIO :   Tutti"));
        // A damaged query file: a period whose end is no number, or lies
        // beyond any calendar, counts no days.
        for (const double al : {std::nan(""), 1e300}) {
            in.query.al = al;
            QVERIFY2(joined(TReport(in).header()[1]).endsWith(QStringLiteral("(giorni 0)   ")),
                     qPrintable(joined(TReport(in).header()[1])));
        }
    }

    void blockTexts()
    {
        ConnRecord r =
            conn(2, 23, 50, 3930, 1234.4f, QStringLiteral("0101"), QStringLiteral("Alfa"),
                 QStringLiteral("Urbana"), QStringLiteral("posta"));
        const TReport report(input({simple(1, 10, 0, 60), r}));
        const TReport::Block b = report.block(1);
        QCOMPARE(b.number, QStringLiteral("2"));
        QCOMPARE(b.start, (QStringList{"ven", "02", "mar", "01", "23:50:00"}));
        QCOMPARE(b.end, (QStringList{"sab", "03", "mar", "01", "00:55:30"}));
        QCOMPARE(b.duration, QStringLiteral("1 h 5' 30''"));
        QCOMPARE(b.lire, QStringLiteral("1.234"));
        QCOMPARE(b.euro, QStringLiteral("0,64"));
        QCOMPARE(b.fields, (QStringList{"0101", "Alfa", "Urbana", "posta"}));
        // The pattern's literal "ore " is followed by a space of its own.
        QCOMPARE(report.printedText(), QStringLiteral("Stampato lunedì, 5/3/2001 ore  9:07"));
    }

    // With FakeMetrics h7 = 10 and bold h9 = 90/7. On a page 300 high the
    // first page takes blocks at lines 7, 12, 17 and 22 (the header fills
    // lines 1-6), later pages at lines 2, 7, 12, 17 and 22; the statistics
    // need ten bold 9-point lines below the last block.
    void pageBreaks_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("blocksPerPage");
        QTest::newRow("empty") << 0 << QList<int>{0};
        QTest::newRow("two, statistics fit") << 2 << QList<int>{2};
        QTest::newRow("three, statistics move") << 3 << QList<int>{3, 0};
        QTest::newRow("four fill the first page") << 4 << QList<int>{4, 0};
        QTest::newRow("five") << 5 << QList<int>{4, 1};
        QTest::newRow("nine fill the second") << 9 << QList<int>{4, 5, 0};
        QTest::newRow("eleven") << 11 << QList<int>{4, 5, 2};
    }
    void pageBreaks()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, blocksPerPage);
        QList<ConnRecord> recs;
        for (int i = 0; i < records; ++i)
            recs.append(simple(1 + i % 28, 10, 0, 60));
        const QList<ReportPage> pages =
            TReport(input(recs)).layout(FakeMetrics(), ReportSurface{500, 300, 600});
        const QList<QList<double>> tops = blockTops(pages);
        QList<int> counts;
        for (const QList<double>& page : tops)
            counts.append(int(page.size()));
        QCOMPARE(counts, blocksPerPage);
        if (tops.size() > 1 && !tops[1].isEmpty()) {
            QCOMPARE(tops[0].first(), 60.0); // line 7
            QCOMPARE(tops[1].first(), 10.0); // line 2: a new page starts from the top
            if (tops[1].size() > 1)
                QCOMPARE(tops[1][1], 60.0);
        }
        // The statistics close the report, on the last page only.
        QVERIFY(findText(pages.last(), QStringLiteral("STATISTICHE")));
        for (int i = 0; i + 1 < pages.size(); ++i)
            QVERIFY(!findText(pages[i], QStringLiteral("STATISTICHE")));
        QVERIFY(findText(pages.first(), QStringLiteral("RIEPILOGO DELLE CONNESSIONI :   ")));
    }

    void blockPlacement()
    {
        const FakeMetrics m;
        const ReportSurface surface{800, 3000, 300};
        ConnRecord r = simple(1, 10, 0, 45);
        r.motivo = QString(150, QLatin1Char('m'));
        const QList<ReportPage> pages = TReport(input({r})).layout(m, surface);
        QCOMPARE(pages.size(), 1);
        const QList<double> x = TReport::stops(m, surface.dpi);
        QCOMPARE(x.size(), 13);
        QCOMPARE(x[0], 15.0); // 30 dots of 600 dpi at 300 dpi
        for (int i = 1; i < x.size(); ++i)
            QVERIFY(x[i] > x[i - 1]);

        const ReportItem* duration = findText(pages[0], QStringLiteral("45''"));
        QVERIFY(duration);
        QVERIFY(duration->alignRight);
        QCOMPARE(duration->x, x[9]);
        QCOMPARE(duration->y, 60.0);
        QCOMPARE(duration->font.points, 8.0);
        QVERIFY(duration->font.bold);
        const ReportItem* lire = findText(pages[0], QStringLiteral("100"));
        QVERIFY(lire);
        QCOMPARE(lire->y, 70.0 + 2); // one line lower and 4 dots (2 pixels at 300 dpi)
        const ReportItem* fine = findText(pages[0], QStringLiteral("Fine    "));
        QVERIFY(fine);
        QCOMPARE(fine->x, x[2]);
        QCOMPARE(fine->y, 70.0);

        // A description too long for the page is cut to fit it.
        const ReportItem* des = nullptr;
        for (const ReportItem& item : pages[0].items)
            if (item.text.startsWith(QLatin1String("mmm")))
                des = &item;
        QVERIFY(des);
        QVERIFY(des->text.endsWith(QLatin1String("...")));
        QCOMPARE(des->x, x[11]);
        QVERIFY(des->x + m.textWidth(des->text, des->font) <= surface.width);

        const ReportItem* stamp = findText(pages[0], TReport(input({r})).printedText());
        QVERIFY(stamp);
        QVERIFY(stamp->alignRight);
        QCOMPARE(stamp->x, surface.width);
    }

    // Block numbers of four and more digits stay clear of "n." and of what
    // follows them.
    void longBlockNumbers()
    {
        const FakeMetrics m;
        const ReportSurface surface{2000, 300, 300};
        const QList<ConnRecord> records(12345, simple(1, 10, 0, 45));
        const QList<ReportPage> pages = TReport(input(records)).layout(m, surface);
        const QList<double> x = TReport::stops(m, surface.dpi, int(records.size()));
        // The last block's number (the statistics count the blocks too, flush left).
        const ReportItem* last = nullptr;
        for (const ReportItem& item : pages.last().items)
            if (item.text == QLatin1String("12345") && item.alignRight)
                last = &item;
        QVERIFY(last);
        QCOMPARE(last->x, x[1]);
        const double numberLeft = last->x - m.textWidth(last->text, last->font);
        QVERIFY(x[0] + m.textWidth(QStringLiteral("n. "), last->font) <= numberLeft);
        QVERIFY(last->x <= x[2]);
        // A short report keeps the room for three digits.
        QCOMPARE(TReport::stops(m, surface.dpi, 7)[1], TReport::stops(m, surface.dpi)[1]);
    }
};

QTEST_GUILESS_MAIN(TstReport)
#include "tst_report.moc"
