#pragma once
// The printed summary of the archive window's selection: a header with the
// query and its period, one block of four lines per connection, and the
// statistics. This class holds the texts and lays them out on pages of a
// given size; drawing the pages on a printer is the window side's job.
//
// Coordinates are device pixels of the printing surface, the origin at the
// top left of its printable area. The few fixed offsets (margins, the small
// drops between the lines of a block, rule widths) are given in dots of a
// 600 dpi printer and scaled to the surface's resolution, so the page looks
// the same on any printer.

#include "archive/ConnRecord.h"
#include "archive/ReportMetrics.h"
#include "archive/ReportRecords.h"
#include "archive/ReportStatistics.h"
#include "archive/SavedQuery.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct ReportItem {
    enum class Kind { Text, Rule };
    Kind kind = Kind::Text;
    QString text;
    ReportFont font;
    // Text: top edge and left edge, or right edge when alignRight.
    // Rule: a horizontal line from x to x2 at y, lineWidth thick.
    double x = 0;
    double y = 0;
    bool alignRight = false;
    double x2 = 0;
    double lineWidth = 0;
};

struct ReportPage {
    QList<ReportItem> items;
};

struct ReportSurface {
    double width = 0; // printable area, device pixels
    double height = 0;
    double dpi = 600;
};

class TReport
{
public:
    static constexpr double ReferenceDpi = 600;

    struct Input {
        TReportRecords records; // the selection, in its order
        SavedQuery query;       // the period (dal, al)
        QString descriz;        // text of the description box
        QString nomeTar;        // text of the profile box
        bool tarTutti = false;
        float cambioEcu = 1936.27f;
        TDateTime printedAt = 0;
    };

    // One header line as label / value pieces, labels bold.
    struct Piece {
        QString text;
        bool bold = false;
    };

    // The texts of one connection's block.
    struct Block {
        QString number;     // from 1
        QStringList start;  // "ddd", "dd", "mmm", "yy", "hh:nn:ss"
        QStringList end;    // the same for fine
        QString duration;   // durationText
        QString lire;       // "#,#0"
        QString euro;       // "#,#0.00"
        QStringList fields; // telefono, provider, nomeTar, motivo
    };

    struct StatLine {
        QString label;
        QString value;
    };

    explicit TReport(Input input);

    const Input& input() const { return m_input; }
    const ReportStatistics& statistics() const { return m_stats; }

    // The three header lines.
    QList<QList<Piece>> header() const;
    // Block of record k (from 0).
    Block block(int k) const;
    // Statistics lines from "TOTALE CONNESSIONI : " to "COSTO Min, Max, Medio :   ".
    QList<StatLine> statisticsLines() const;
    // "Stampato " and the date-time of printing.
    QString printedText() const;

    // Horizontal stops x0..x12 of the connection blocks; the first gap holds
    // "n." and block numbers up to blocks, right-aligned on x1.
    static QList<double> stops(const IReportMetrics& metrics, double dpi, int blocks = 0);
    QList<ReportPage> layout(const IReportMetrics& metrics, const ReportSurface& surface) const;
    // The same a page at a time: each page goes to sink as soon as it is
    // laid out, with the number of connection blocks laid out so far; sink
    // returning false stops the layout, which then returns false. So does a
    // selection the records are read from being loaded again meanwhile.
    using PageSink = std::function<bool(ReportPage page, int blocksDone)>;
    bool layout(const IReportMetrics& metrics, const ReportSurface& surface,
                const PageSink& sink) const;

    // n dots of the reference printer in pixels at dpi.
    static double dots(double n, double dpi) { return n * dpi / ReferenceDpi; }

private:
    Input m_input;
    ReportStatistics m_stats;
};
