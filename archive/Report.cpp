#include "archive/Report.h"

#include "common/Format.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{

const ReportFont F6{6, false};
const ReportFont F7{7, false};
const ReportFont F8Bold{8, true};
const ReportFont F9{9, false};
const ReportFont F9Bold{9, true};

const QString NotAvailable = QStringLiteral("- nd -");

QString dateTimeText(const char* pattern, TDateTime d)
{
    return fmt::formatDateTime(QString::fromLatin1(pattern), d);
}

QStringList stampParts(TDateTime d)
{
    return {dateTimeText("ddd", d), dateTimeText("dd", d), dateTimeText("mmm", d),
            dateTimeText("yy", d), dateTimeText("hh:nn:ss", d)};
}

// The longest head of text that fits in width, with "..." when cut.
QString fitted(const IReportMetrics& m, const QString& text, const ReportFont& font, double width)
{
    if (m.textWidth(text, font) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    qsizetype n = text.size();
    while (n > 0 && m.textWidth(text.left(n) + dots, font) > width)
        --n;
    return text.left(n) + dots;
}

// Collects the items of a page, and hands each page on once it is full.
class PageWriter
{
public:
    PageWriter(const IReportMetrics& m, const TReport::PageSink& sink) : m_metrics(m), m_sink(sink)
    {
    }

    // The page is full: it goes to the sink, which may stop the layout.
    void newPage(int blocksDone)
    {
        if (!m_stopped && !m_sink(std::exchange(m_page, ReportPage{}), blocksDone))
            m_stopped = true;
    }
    bool stopped() const { return m_stopped; }

    // Returns the x where the text ends.
    double text(double x, double y, const QString& t, const ReportFont& f, bool alignRight = false)
    {
        ReportItem item;
        item.text = t;
        item.font = f;
        item.x = x;
        item.y = y;
        item.alignRight = alignRight;
        m_page.items.append(item);
        return alignRight ? x : x + m_metrics.textWidth(t, f);
    }

    void rule(double x, double x2, double y, double width)
    {
        ReportItem item;
        item.kind = ReportItem::Kind::Rule;
        item.x = x;
        item.x2 = x2;
        item.y = y;
        item.lineWidth = width;
        m_page.items.append(item);
    }

private:
    const IReportMetrics& m_metrics;
    const TReport::PageSink& m_sink;
    ReportPage m_page;
    bool m_stopped = false;
};

} // namespace

TReport::TReport(Input input) : m_input(std::move(input))
{
    m_stats = ReportStatistics::compute(m_input.records);
}

QList<QList<TReport::Piece>> TReport::header() const
{
    const SavedQuery& q = m_input.query;
    // A damaged query file may hold dates that are no number or lie beyond
    // any calendar: such a period counts no days.
    const double span = dt::datePart(q.al) - dt::datePart(q.dal);
    const int days = std::fabs(span) < 1e9 ? int(span) + 1 : 0;
    return {
        {{QStringLiteral("RIEPILOGO DELLE CONNESSIONI :   "), true}, {m_input.descriz, false}},
        {{QStringLiteral("DA   "), true},
         {dateTimeText("dddd, d mmmm yyyy", q.dal) + QStringLiteral("   "), false},
         {QStringLiteral("A   "), true},
         {dateTimeText("dddd, d mmmm yyyy", q.al) + QStringLiteral("   "), false},
         {QStringLiteral("(giorni ") + QString::number(days) + QStringLiteral(")   "), false}},
        {{QStringLiteral("PROFILO TARIFFARIO :   "), true},
         {m_input.tarTutti ? QStringLiteral("Tutti") : m_input.nomeTar, false}},
    };
}

TReport::Block TReport::block(int k) const
{
    const ConnRecord r = m_input.records.at(k);
    Block b;
    b.number = QString::number(k + 1);
    b.start = stampParts(r.inizio);
    b.end = stampParts(r.fine);
    b.duration = ReportStatistics::durationText(r.durationSeconds());
    b.lire = ReportStatistics::lireText(r.costo);
    b.euro = ReportStatistics::euroText(r.costo, m_input.cambioEcu);
    b.fields = {r.telefono, r.provider, r.nomeTar, r.motivo};
    return b;
}

QList<TReport::StatLine> TReport::statisticsLines() const
{
    const ReportStatistics& s = m_stats;
    const SelectionTotals& t = s.totals;
    const bool any = s.count > 0;
    const auto duration = [](double days) {
        return ReportStatistics::durationText(ReportStatistics::seconds(days));
    };
    const auto start = [any](TDateTime d) {
        return any ? dateTimeText("dddd, dd mmmm yyyy - hh:nn:ss", d) : NotAvailable;
    };
    const QString sep = QStringLiteral(" - ");
    return {
        {QStringLiteral("TOTALE CONNESSIONI : "), QString::number(s.count)},
        {QStringLiteral("PRIMA Connessione : "), start(s.firstStart)},
        {QStringLiteral("ULTIMA Connessione : "), start(s.lastStart)},
        {QStringLiteral("GIORNI REALI : "), QString::number(s.realDays)},
        {QStringLiteral("TEMPO TOTALE :   "), duration(t.totalTime)},
        {QStringLiteral("TEMPO Min, Max, Medio :   "),
         any ? duration(t.minTime) + sep + duration(t.maxTime) + sep + duration(s.meanTime)
             : NotAvailable},
        {QStringLiteral("COSTO TOTALE in Lire, Euro :   "),
         ReportStatistics::lireText(t.totalCost) + sep +
             ReportStatistics::euroText(t.totalCost, m_input.cambioEcu)},
        {QStringLiteral("COSTO Min, Max, Medio :   "),
         any ? ReportStatistics::lireText(t.minCost) + sep + ReportStatistics::lireText(t.maxCost) +
                   sep + ReportStatistics::lireText(s.meanCost)
             : NotAvailable},
    };
}

QString TReport::printedText() const
{
    return QStringLiteral("Stampato ") +
           dateTimeText("dddd, d/m/yyyy \"ore \" h:nn", m_input.printedAt);
}

QList<double> TReport::stops(const IReportMetrics& m, double dpi, int blocks)
{
    const auto w7 = [&m](const char* t) { return m.textWidth(QString::fromLatin1(t), F7); };
    const auto w8 = [&m](const char* t) {
        return m.textWidth(QString::fromLatin1(t), ReportFont{8, false});
    };
    QList<double> x;
    x.append(dots(30, dpi));
    // Room for three digits; more when the report has more
    // blocks, or a long number would run over "n.".
    x.append(x.last() +
             std::max(w7("n. 000"), w7("n. ") + m.textWidth(QString::number(blocks), F7)));
    x.append(x.last() + w7("ab"));
    x.append(x.last() + w7("Inizio  "));
    x.append(x.last() + w7("mnn 00"));
    x.append(x.last() + w7("  "));
    x.append(x.last() + w7("mnn 00"));
    x.append(x.last() + w7("  "));
    x.append(x.last() + w7("00.00.00  "));
    x.append(x.last() + w8(" > 00 h 00 ' 00 ''"));
    x.append(x.last() + w8("nnnn"));
    x.append(x.last() + w8("Tempo nnnnn"));
    x.append(x.last() + w7("Pro.  "));
    return x;
}

QList<ReportPage> TReport::layout(const IReportMetrics& m, const ReportSurface& surface) const
{
    QList<ReportPage> pages;
    layout(m, surface, [&pages](ReportPage page, int) {
        pages.append(std::move(page));
        return true;
    });
    return pages;
}

bool TReport::layout(const IReportMetrics& m, const ReportSurface& surface,
                     const PageSink& sink) const
{
    const double dpi = surface.dpi;
    const auto px = [dpi](double n) { return dots(n, dpi); };
    const QString xp = QStringLiteral("Xp");
    const double h7 = m.textHeight(xp, F7);
    const double h9 = m.textHeight(xp, F9);
    const double h9b = m.textHeight(xp, F9Bold);
    const int blocks = m_input.records.size();
    const QList<double> x = stops(m, dpi, blocks);
    const double space = m.textWidth(QStringLiteral(" "), F7);
    PageWriter out(m, sink);

    // Header.
    const QList<QList<Piece>> head = header();
    for (int k = 1; k <= head.size(); ++k) {
        double hx = px(20);
        for (const Piece& piece : head[k - 1])
            hx = out.text(hx, k * h9 - h9 / 2, piece.text, piece.bold ? F9Bold : F9);
    }
    out.rule(px(20), surface.width, 4 * h9 - h9 / 2 + px(3), px(2));

    // One block per connection; a block that would reach into the last five
    // lines of the page moves the rest to the next page.
    int L = 6;
    for (int k = 0; k < blocks; ++k) {
        if (!m_input.records.intact())
            return false; // its records are no longer the ones counted above
        ++L;
        const Block b = block(k);
        const double y = (L - 1) * h7;
        const auto line = [y, h7](int i) { return y + i * h7; };
        out.text(x[0], y, QStringLiteral("n."), F7);
        out.text(x[1], y, b.number, F7, true);
        const QString labels[2] = {QStringLiteral("Inizio  "), QStringLiteral("Fine    ")};
        const QStringList* stamps[2] = {&b.start, &b.end};
        for (int i = 0; i < 2; ++i) {
            const QStringList& s = *stamps[i];
            out.text(x[2], line(i), labels[i], F7);
            out.text(x[3], line(i), s[0], F7);
            out.text(x[4], line(i), s[1], F7, true);
            out.text(x[5], line(i), s[2], F7);
            out.text(x[6], line(i), s[3], F7, true);
            out.text(x[7], line(i), s[4], F7);
        }
        out.text(x[8], y + h7 / 2, QStringLiteral(" >"), F7);
        out.text(x[9], line(0), b.duration, F8Bold, true);
        out.text(x[9], line(1) + px(4), b.lire, F8Bold, true);
        out.text(x[9], line(2) + px(8), b.euro, F7, true);

        const QString units[3] = {QStringLiteral("Tempo"), QStringLiteral("Lire"),
                                  QStringLiteral("Euro")};
        const double unitDrop[3] = {px(2), px(4), px(8)};
        for (int i = 0; i < 3; ++i)
            out.text(x[9] + space, line(i) + unitDrop[i], units[i], F7);
        const QString names[4] = {QStringLiteral("Tel."), QStringLiteral("Pro."),
                                  QStringLiteral("Tar."), QStringLiteral("Des.")};
        const double fieldWidth = surface.width - x[11];
        for (int i = 0; i < 4; ++i) {
            // Kept against their values: "Tempo" reaches past x10.
            out.text(x[11] - space, line(i) + px(2), names[i], F7, true);
            out.text(x[11], line(i) + px(2), fitted(m, b.fields[i], F7, fieldWidth), F7);
        }

        L += 4;
        if (surface.height - 5 * h7 < L * h7) {
            out.newPage(k + 1);
            if (out.stopped())
                return false;
            L = 1;
        }
    }

    // Statistics, on the next page when fewer than ten lines are left.
    double y0 = L * h7;
    if (surface.height < y0 + 10 * h9b) {
        out.newPage(blocks);
        if (out.stopped())
            return false;
        y0 = 0;
    }
    const double valueX = m.textWidth(QStringLiteral("COSTO TOTALE in Lire, Euro :xxxx"), F9Bold);
    out.text(px(20), y0, QStringLiteral("STATISTICHE"), F9Bold);
    out.text(surface.width, y0, printedText(), F6, true);
    out.rule(px(20), surface.width, y0 + h9b + h9b / 2, px(2));
    const QList<StatLine> stats = statisticsLines();
    for (int i = 0; i < stats.size(); ++i) {
        const double y = y0 + (i + 2) * h9b;
        out.text(px(20), y, stats[i].label, F9Bold);
        out.text(valueX, y, stats[i].value, F9);
    }
    out.newPage(blocks);
    return !out.stopped();
}
