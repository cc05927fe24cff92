#pragma once
// Prints a TReport: on the system's default printer, without a print dialog,
// or into a PDF file. Pages are laid out with the printer's own font
// measures at its resolution.

#include "archive/Report.h"

#include <QString>
#include <functional>

class IPrompt;
class QPrinter;

class TReportPrinter
{
public:
    static const QString FontFamily;    // "Verdana"
    static const QString DocumentName;  // the print job's name
    static const QString NoPrinterText; // shown when the system has no printer

    // Told after each page with the connection blocks printed so far and in
    // all; returning false stops the printing: the job is cancelled and
    // the call returns false with no error.
    using Progress = std::function<bool(int blocksDone, int blocks)>;

    // Name of the system's default printer; empty when there is none.
    static QString defaultPrinterName();

    // One print job on the named printer (the default one unless a test
    // names another). Without a printer, or when the job fails, the reason
    // goes to prompt through the program's general error box and false is
    // returned.
    static bool printOnDefaultPrinter(const TReport& report, IPrompt& prompt,
                                      const QString& printerName = defaultPrinterName(),
                                      const Progress& progress = {});

    // Writes the report as a PDF file at path (A4).
    static bool printToPdf(const TReport& report, const QString& path, QString* error = nullptr,
                           const Progress& progress = {});

    // The pages the report takes on printer, as print() lays them out.
    static QList<ReportPage> pages(const TReport& report, QPrinter& printer);

    // Draws every page on printer, which must be set up but not yet begun.
    static bool print(const TReport& report, QPrinter& printer, QString* error = nullptr,
                      const Progress& progress = {});
};
