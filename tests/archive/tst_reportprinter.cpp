// Printing the summary: into a PDF file (the page count the layout gives is
// the page count of the file), a file that cannot be written, and a system
// without a printer.

#include "archive/ReportPrinter.h"
#include "archive/Selection.h"
#include "common/ScriptedPrompt.h"
#include "tests/archive/SelectionFixture.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace selectiontest;

namespace
{

TReport report(int connections)
{
    TReport::Input in;
    QList<ConnRecord> records;
    for (int i = 0; i < connections; ++i)
        records.append(conn(1 + i % 28, 10, i % 60, 60 + i * 7, 100.0f + float(i) * 13.5f,
                            QStringLiteral("0101"), QStringLiteral("Alfa"),
                            QStringLiteral("Urbana"), QStringLiteral("posta")));
    in.records = records;
    in.query.dal = dt::encodeDate(2001, 3, 1);
    in.query.al = dt::encodeDate(2001, 3, 31);
    in.descriz = QStringLiteral("Marzo");
    in.tarTutti = true;
    in.printedAt = dt::encode(2001, 4, 1, 9, 0, 0);
    return TReport(in);
}

// Page objects of a PDF: "/Type /Page" but not "/Type /Pages". The page
// dictionaries are written as plain text, only their contents are packed.
int pdfPageCount(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s])"));
    int n = 0;
    auto it = page.globalMatch(QString::fromLatin1(pdf));
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

} // namespace

class TstReportPrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void pdf_data()
    {
        QTest::addColumn<int>("connections");
        QTest::addColumn<bool>("severalPages");
        QTest::newRow("empty selection") << 0 << false;
        QTest::newRow("a few") << 3 << false;
        QTest::newRow("more than a page") << 60 << true;
    }
    void pdf()
    {
        QFETCH(int, connections);
        QFETCH(bool, severalPages);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("riepilogo.pdf"));
        const TReport r = report(connections);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(path);
        const int expected = int(TReportPrinter::pages(r, printer).size());
        QCOMPARE(expected > 1, severalPages);
        QString error;
        QVERIFY2(TReportPrinter::print(r, printer, &error), qPrintable(error));

        const QByteArray pdf = testsupport::readFileBytes(path);
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(pdfPageCount(pdf), expected);
    }

    void pdfConvenience()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.pdf"));
        QString error;
        QVERIFY2(TReportPrinter::printToPdf(report(2), path, &error), qPrintable(error));
        const QByteArray pdf = testsupport::readFileBytes(path);
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(pdfPageCount(pdf), 1);
    }

    void pdfCannotBeWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/r.pdf"));
        QString error;
        QVERIFY(!TReportPrinter::printToPdf(report(2), path, &error));
        QVERIFY(error.startsWith(QStringLiteral("Impossibile avviare la stampa")));
        QVERIFY(!QFile::exists(path));
    }

    // The selection a report reads being loaded again part-way through:
    // the job is cancelled and says why, rather than end with the records
    // of another selection.
    void selectionLoadedAgain()
    {
        QTemporaryDir dir;
        QByteArray bytes;
        for (int i = 0; i < 200; ++i)
            bytes += conn(1 + i % 28, 10, i % 60, 60, 100.0f, QStringLiteral("0101"),
                          QStringLiteral("Alfa"), QStringLiteral("Urbana"))
                         .toBytes();
        QVERIFY(archivetest::writeFileBytes(dir.filePath(QStringLiteral("Archivio.sto")), bytes));
        TArchiveFile archive(dir.path());
        TSelection selection;
        QCOMPARE(selection.load(archive, wholeMarch()), TSelection::LoadResult::Loaded);
        TReport::Input in;
        in.records = TReportRecords(selection);
        const TReport r(in);

        int pages = 0;
        QString error;
        QVERIFY(!TReportPrinter::printToPdf(r, dir.filePath(QStringLiteral("r.pdf")), &error,
                                            [&](int, int) {
                                                if (++pages == 1)
                                                    selection.load(archive, wholeMarch());
                                                return true;
                                            }));
        QCOMPARE(pages, 1);
        QCOMPARE(error, QStringLiteral("La selezione è cambiata durante la stampa."));
    }

    void noPrinter()
    {
        TScriptedPrompt prompt;
        QVERIFY(!TReportPrinter::printOnDefaultPrinter(report(2), prompt, QString()));
        QCOMPARE(prompt.requests().size(), 1);
        QCOMPARE(prompt.requests()[0].text, TReportPrinter::NoPrinterText);
        QCOMPARE(prompt.requests()[0].icon, PromptIcon::Error);
    }

    void unknownPrinter()
    {
        TScriptedPrompt prompt;
        QVERIFY(!TReportPrinter::printOnDefaultPrinter(report(2), prompt,
                                                       QStringLiteral("Nessuna-Stampante-Qui")));
        QCOMPARE(prompt.requests().size(), 1);
        QCOMPARE(prompt.requests()[0].icon, PromptIcon::Error);
        QVERIFY(prompt.requests()[0].text.contains(QStringLiteral("Nessuna-Stampante-Qui")));
    }

    // This machine's own answer: whatever the system reports, the default
    // printer path either prints or says why; it never fails silently.
    void systemDefault()
    {
        if (!TReportPrinter::defaultPrinterName().isEmpty())
            QSKIP("a printer is installed; printing on it is left to a manual check");
        TScriptedPrompt prompt;
        QVERIFY(!TReportPrinter::printOnDefaultPrinter(report(1), prompt));
        QCOMPARE(prompt.texts(), QStringList{TReportPrinter::NoPrinterText});
    }
};

QTEST_MAIN(TstReportPrinter)
#include "tst_reportprinter.moc"
