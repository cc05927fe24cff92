#include "archive/ReportPrinter.h"

#include "archive/ArchiveFile.h"
#include "common/Prompt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

const QString TReportPrinter::FontFamily = QStringLiteral("Verdana");
const QString TReportPrinter::DocumentName =
    QStringLiteral("Tarvelo! - Riepilogo delle Connessioni");
const QString TReportPrinter::NoPrinterText =
    QStringLiteral("Nessuna stampante predefinita:\rimpossibile stampare il riepilogo.\r"
                   "Installare o scegliere una stampante e riprovare.");

namespace
{

QFont reportFont(const ReportFont& f)
{
    QFont font(TReportPrinter::FontFamily);
    font.setPointSizeF(f.points);
    font.setBold(f.bold);
    return font;
}

class PrinterMetrics : public IReportMetrics
{
public:
    explicit PrinterMetrics(QPaintDevice* device) : m_device(device) {}

    double textWidth(const QString& text, const ReportFont& font) const override
    {
        return QFontMetricsF(reportFont(font), m_device).horizontalAdvance(text);
    }
    double textHeight(const QString&, const ReportFont& font) const override
    {
        return QFontMetricsF(reportFont(font), m_device).height();
    }

private:
    QPaintDevice* m_device;
};

ReportSurface surfaceOf(const QPrinter& printer)
{
    // The device's size is its printable area, in device pixels, which is
    // where the painter's origin lies.
    return {double(printer.width()), double(printer.height()), double(printer.resolution())};
}

void drawItem(QPainter& p, const ReportItem& item, QPaintDevice* device)
{
    if (item.kind == ReportItem::Kind::Rule) {
        p.setPen(QPen(Qt::black, item.lineWidth));
        p.drawLine(QPointF(item.x, item.y), QPointF(item.x2, item.y));
        return;
    }
    const QFont font = reportFont(item.font);
    const QFontMetricsF fm(font, device);
    p.setFont(font);
    p.setPen(Qt::black);
    const double left = item.alignRight ? item.x - fm.horizontalAdvance(item.text) : item.x;
    p.drawText(QPointF(left, item.y + fm.ascent()), item.text);
}

} // namespace

QString TReportPrinter::defaultPrinterName()
{
    return QPrinterInfo::defaultPrinter().printerName();
}

QList<ReportPage> TReportPrinter::pages(const TReport& report, QPrinter& printer)
{
    return report.layout(PrinterMetrics(&printer), surfaceOf(printer));
}

bool TReportPrinter::print(const TReport& report, QPrinter& printer, QString* error,
                           const Progress& progress)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    printer.setDocName(DocumentName);
    QPainter p;
    if (!p.begin(&printer))
        return fail(QStringLiteral("Impossibile avviare la stampa su ") +
                    (printer.outputFileName().isEmpty() ? printer.printerName()
                                                        : printer.outputFileName()) +
                    QLatin1Char('.'));
    // Each page is drawn as soon as it is laid out: a long report never
    // holds more than one page.
    const int blocks = report.input().records.size();
    int page = 0;
    QString failed;
    bool stopped = false;
    report.layout(PrinterMetrics(&printer), surfaceOf(printer),
                  [&](const ReportPage& laidOut, int blocksDone) {
                      if (page > 0 && !printer.newPage()) {
                          failed = QStringLiteral("Stampa interrotta alla pagina ") +
                                   QString::number(page + 1) + QLatin1Char('.');
                          return false;
                      }
                      for (const ReportItem& item : laidOut.items)
                          drawItem(p, item, &printer);
                      ++page;
                      if (progress && !progress(blocksDone, blocks)) {
                          stopped = true;
                          return false;
                      }
                      return true;
                  });
    if (failed.isEmpty() && !stopped && !report.input().records.intact())
        failed = QStringLiteral("La selezione è cambiata durante la stampa.");
    if (!failed.isEmpty() || stopped) {
        printer.abort();
        return failed.isEmpty() ? false : fail(failed);
    }
    if (!p.end())
        return fail(QStringLiteral("Stampa non completata."));
    return true;
}

bool TReportPrinter::printToPdf(const TReport& report, const QString& path, QString* error,
                                const Progress& progress)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setOutputFileName(path);
    return print(report, printer, error, progress);
}

bool TReportPrinter::printOnDefaultPrinter(const TReport& report, IPrompt& prompt,
                                           const QString& printerName, const Progress& progress)
{
    if (printerName.isEmpty()) {
        showArchiveError(prompt, NoPrinterText);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(printerName);
    QString error;
    // An unknown name leaves the printer unnamed rather than invalid.
    if (!printer.isValid() || printer.printerName() != printerName)
        error =
            QStringLiteral("La stampante ") + printerName + QStringLiteral(" non è disponibile.");
    else if (print(report, printer, &error, progress))
        return true;
    if (error.isEmpty())
        return false; // stopped through progress
    showArchiveError(prompt, error);
    return false;
}
