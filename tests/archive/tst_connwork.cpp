// The archive window's long work offscreen: a long archive read a slice at a
// time with the strip and its stop, the selection read once while the window
// opens, long deletions and re-pricings on a worker thread and long
// printouts a page at a time, each stopped or cut short by closing the
// window.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "archive/ArchiveChange.h"
#include "archive/ConnQueryPanel.h"
#include "archive/ReportPrinter.h"
#include "archive/uConn.h"
#include "common/Format.h"
#include "platform/file/FileLock.h"
#include "tariff/ProfileFiles.h"
#include "tariff/uCtar.h"
#include "tests/archive/SelectionFixture.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WidgetSupport.h"
#include "tests/tariff/TariffFixtures.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using namespace selectiontest;
using testsupport::child;

namespace
{

const QString Marzo = QStringLiteral("Marzo 2001");
const QString Nuova = QStringLiteral("Nuova");
constexpr float Cost = 100.0f;

// An archive of n connections of March 2001, all listed by the query
// "Marzo 2001", which is the current one.
struct Fixture : ProgramFixture {
    QString archivePath;
    QPointer<QWidget> ctarSlot;

    explicit Fixture(int n) : ProgramFixture(Options().at(dt::encode(2001, 3, 5, 18, 30)))
    {
        archivePath = program.archive.path();
        QByteArray bytes;
        bytes.reserve(qsizetype(n) * ConnRecord::Size);
        for (int i = 0; i < n; ++i)
            bytes += conn(1 + i % 28, 10, i % 60, 60 + i % 600, Cost, QStringLiteral("0101"),
                          QStringLiteral("Alfa"), QStringLiteral("Vecchia"))
                         .toBytes();
        archivetest::writeFileBytes(archivePath, bytes);
        SavedQuery q;
        q.descriz = Marzo;
        q.dal = dt::encodeDate(2001, 3, 1);
        q.al = dt::encodeDate(2001, 3, 31);
        q.provTutti = true;
        q.tarTutti = true;
        TSavedQueries(program.programFolder).save(Marzo, q);
        TSettingsStore(registry).setFDescrizioneAttuale(Marzo);
        program.settings.iva = 20;
        TariffProfiles p;
        fixtures::setBandOn(p.working, fixtures::AllRows, 1, 0, 0, 60);
        TProfileFiles(p, program.programFolder, prompt).SaveProfile(Nuova);
    }
    ConnContext context() { return connContext(program, &ctarSlot); }
    QByteArray file() const { return archivetest::readFileBytes(archivePath); }
};

// The archive is read this many records a slice, a slice per turn of the
// event loop, while the object lives.
class Pace
{
public:
    explicit Pace(int records, int intervalMs = 0)
    {
        qputenv("TARVELO_TEST_LOAD_PACE",
                QByteArray::number(records) + '/' + QByteArray::number(intervalMs));
    }
    ~Pace() { qunsetenv("TARVELO_TEST_LOAD_PACE"); }
};

QWidget* strip(const TfConn& w)
{
    return child<QWidget>(w, "Avanzamento");
}

bool commandsEnabled(const TfConn& w)
{
    bool on = child<QPushButton>(w, "SpeedButton1")->isEnabled();
    for (QAction* a : w.gridMenu()->actions())
        on = on && a->isEnabled();
    return on;
}

void waitLoaded(const TfConn& w)
{
    QTRY_COMPARE_WITH_TIMEOUT(w.work(), TfConn::Work::None, 20000);
}

// Runs work once the next modal window of type T is up.
template <class T> void whenModal(std::function<void(T*)> work)
{
    QTimer::singleShot(0, [work] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY(w);
        work(w);
    });
}

} // namespace

class TstConnWork : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    // The first slice is read at once, the rest between turns of the event
    // loop; the printout and the grid's menu wait for the whole list, the
    // filter does not.
    void slicedLoad()
    {
        Fixture f(3000);
        const Pace pace(500);
        TfConn w(f.context());
        QCOMPARE(w.work(), TfConn::Work::Loading);
        QCOMPARE(w.selection().count(), 500);
        QCOMPARE(w.rowCount(), 502);
        QCOMPARE(w.currentRow(), 501); // the totals row
        QVERIFY(!strip(w)->isHidden());
        QVERIFY(!commandsEnabled(w));
        QVERIFY(child<QPushButton>(w, "aggiorna")->isEnabled());

        int turns = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { turns += w.work() == TfConn::Work::Loading; });
        ticker.start(0);
        waitLoaded(w);
        QVERIFY(turns > 0);
        QCOMPARE(w.selection().count(), 3000);
        QCOMPARE(w.rowCount(), 3002);
        QCOMPARE(w.currentRow(), 3001);
        QCOMPARE(w.selection().totals().totalCost, 3000 * Cost);
        QVERIFY(strip(w)->isHidden());
        QVERIFY(commandsEnabled(w));
        QCOMPARE(w.loadsBegun(), 1);
        QVERIFY(f.prompt.requests().isEmpty());
    }

    void stopInTheMiddle_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Interrompi") << false;
        QTest::newRow("Escape") << true;
    }

    // A stopped load lists what was read, with its totals, and says so; the
    // window stays open. Asked again, the selection is read whole.
    void stopInTheMiddle()
    {
        QFETCH(bool, escape);
        Fixture f(3000);
        const Pace pace(10, 1);
        TfConn w(f.context());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.work(), TfConn::Work::Loading);
        if (escape)
            QTest::keyClick(&w, Qt::Key_Escape);
        else
            child<QPushButton>(w, "Interrompi")->click();
        QCOMPARE(w.work(), TfConn::Work::None);
        QVERIFY(w.isVisible());
        const int read = w.selection().count();
        QVERIFY(read >= 10 && read < 3000);
        QCOMPARE(w.selection().scanned(), read); // every record of the archive matches
        QCOMPARE(w.rowCount(), read + 2);
        QCOMPARE(w.selection().totals().totalCost, read * Cost);
        QCOMPARE(w.currentRow(), read + 1); // the totals row
        QVERIFY(!strip(w)->isHidden());
        QCOMPARE(child<QLabel>(w, "AvanzamentoTesto")->text(),
                 QStringLiteral("Lettura interrotta: %1 record letti su 3.000.")
                     .arg(fmt::formatFloat(QStringLiteral("#,#0"), read)));
        QCOMPARE(child<QProgressBar>(w, "Progresso")->value(), read * 1000 / 3000);
        QVERIFY(child<QPushButton>(w, "Interrompi")->isHidden());
        QVERIFY(commandsEnabled(w));
        // Nothing more is read once stopped.
        QTest::qWait(20);
        QCOMPARE(w.selection().count(), read);

        // Read again, in one slice, and the note goes.
        qunsetenv("TARVELO_TEST_LOAD_PACE");
        w.setLoadPace(0, 0);
        child<QPushButton>(w, "Riselezione")->click();
        QCOMPARE(w.work(), TfConn::Work::None);
        QCOMPARE(w.selection().count(), 3000);
        QVERIFY(strip(w)->isHidden());
        // Escape with nothing running closes the window, as ever.
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // Closed while it reads, the window stops reading and goes away.
    void closeDuringLoad()
    {
        Fixture f(3000);
        const Pace pace(100);
        QPointer<QWidget> slot;
        TfConn::Work seen = TfConn::Work::None;
        whenModal<TfConn>([&seen](TfConn* w) {
            seen = w->work();
            w->close();
        });
        QCOMPARE(TfConn::open(f.context(), &slot), int(QDialog::Rejected));
        QCOMPARE(seen, TfConn::Work::Loading);
        QVERIFY(!slot);
    }

    void readOnceAtOpening_data()
    {
        QTest::addColumn<QString>("between");
        QTest::addColumn<int>("loads");
        QTest::newRow("nothing changed") << QString() << 1;
        QTest::newRow("a connection stored meanwhile") << QStringLiteral("store") << 2;
        QTest::newRow("the last 7 days kept") << QStringLiteral("period") << 2;
    }

    // Creation, the first load and the showing all ask for the selection; it
    // is read once unless the filter or the archive changed in between.
    void readOnceAtOpening()
    {
        QFETCH(QString, between);
        QFETCH(int, loads);
        Fixture f(50);
        if (between == QLatin1String("period"))
            QVERIFY(TSettingsStore(f.registry).setPeriod(TSettingsStore::Period::UltSett, true));
        TfConn w(f.context());
        w.loadSelection(); // as opening does
        if (between == QLatin1String("store")) {
            TArchiveFile other(f.dir.path());
            QVERIFY(other.open());
            QVERIFY(other.write(other.count(),
                                conn(3, 9, 0, 60, Cost, QString(), QStringLiteral("Alfa"), Nuova)));
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50);
        QCOMPARE(w.loadsBegun(), loads);
        if (between == QLatin1String("store"))
            QCOMPARE(w.selection().count(), 51);
    }

    void longChange_data()
    {
        QTest::addColumn<bool>("reprice");
        QTest::addColumn<QString>("stop");
        for (const bool reprice : {false, true}) {
            const char* what = reprice ? "re-pricing" : "deletion";
            QTest::addRow("%s to the end", what) << reprice << QString();
            QTest::addRow("%s, Interrompi", what) << reprice << QStringLiteral("button");
            QTest::addRow("%s, Escape", what) << reprice << QStringLiteral("escape");
            QTest::addRow("%s, window closed", what) << reprice << QStringLiteral("close");
        }
    }

    // A deletion or a re-pricing of more rows than run at once goes on a
    // worker thread; meanwhile the window runs, shows the strip and refuses
    // what would conflict. Stopped, or cut short by closing the window, it
    // changes nothing; the window, closed, goes away once it has stopped.
    void longChange()
    {
        QFETCH(bool, reprice);
        QFETCH(QString, stop);
        const int n = TfConn::InlineChangeRows + 500;
        Fixture f(n);
        const QByteArray before = f.file();
        // The change waits for the archive while the test holds it, so the
        // stop comes before it has read a block.
        auto held = std::make_unique<TFileLock>(f.archivePath, TFileLock::Open::Existing, 0);
        QVERIFY(held->held());

        QPointer<QWidget> slot;
        bool during = false;
        int listedAfter = -1;
        whenModal<TfConn>([&](TfConn* w) {
            QCOMPARE(w->selection().count(), n);
            auto* sel = w->grid()->selectionModel();
            const QAbstractItemModel* m = w->grid()->model();
            sel->setCurrentIndex(m->index(n - 1, 0), QItemSelectionModel::NoUpdate);
            sel->select(QItemSelection(m->index(0, 0), m->index(n - 1, m->columnCount() - 1)),
                        QItemSelectionModel::ClearAndSelect);
            QCOMPARE(w->selectedRows(), std::make_pair(1, n));

            QTimer::singleShot(30, w, [&, w] {
                during = w->work() == TfConn::Work::Changing && !strip(*w)->isHidden() &&
                         !commandsEnabled(*w) && !child<QPushButton>(w, "aggiorna")->isEnabled();
                if (stop == QLatin1String("button"))
                    child<QPushButton>(w, "Interrompi")->click();
                else if (stop == QLatin1String("escape"))
                    QTest::keyClick(w, Qt::Key_Escape);
                else if (stop == QLatin1String("close"))
                    w->close();
            });
            QTimer::singleShot(150, [&] { held.reset(); });
            if (reprice) {
                whenModal<TfCtar>([](TfCtar* d) {
                    auto* cb1 = child<QComboBox>(d, "cb1");
                    cb1->setCurrentIndex(cb1->findText(Nuova));
                    child<QPushButton>(d, "applica")->click();
                });
                testsupport::action(w->gridMenu(), QStringLiteral("CambiaTariffa1"))->trigger();
            } else {
                f.prompt.answerNext(PbYes);
                testsupport::action(w->gridMenu(), QStringLiteral("Elimina1"))->trigger();
            }
            QCOMPARE(w->work(), TfConn::Work::None);
            listedAfter = w->selection().count();
            if (stop != QLatin1String("close")) {
                QVERIFY(w->isVisible());
                w->close();
            }
        });
        TfConn::open(f.context(), &slot);
        QVERIFY(!slot);
        QVERIFY(!f.ctarSlot);
        QVERIFY(during);
        if (!stop.isEmpty()) {
            QCOMPARE(f.file(), before);
            QVERIFY(!QFile::exists(archivechange::journalPath(f.archivePath)));
            return;
        }
        const QByteArray after = f.file();
        QCOMPARE(after.size(), before.size());
        const ConnRecord last = ConnRecord::fromBytes(archivetest::recordAt(after, n - 1));
        if (reprice) {
            QCOMPARE(listedAfter, n);
            QCOMPARE(last.nomeTar, Nuova);
            QVERIFY(last.costo != Cost);
        } else {
            QCOMPARE(listedAfter, 0);
            QVERIFY(last.isDeleted());
        }
    }

    void longPrintout_data()
    {
        QTest::addColumn<QString>("stop");
        QTest::newRow("to the end") << QString();
        QTest::newRow("Interrompi") << QStringLiteral("button");
        QTest::newRow("window closed") << QStringLiteral("close");
    }

    // A long report is printed a page at a time with the strip; stopped, or
    // cut short by closing the window, the job is cancelled.
    void longPrintout()
    {
        QFETCH(QString, stop);
        Fixture f(3000);
        const QString pdf = f.dir.filePath(QStringLiteral("riepilogo.pdf"));
        QPointer<QWidget> slot;
        bool printed = false;
        bool during = false;
        QString error;
        whenModal<TfConn>([&](TfConn* w) {
            w->setReportSink([&](const TReport& report, const TReportPrinter::Progress& progress) {
                QVERIFY(progress);
                printed = TReportPrinter::printToPdf(report, pdf, &error, progress);
            });
            QTimer::singleShot(0, w, [&, w] {
                during = w->work() == TfConn::Work::Printing && !strip(*w)->isHidden() &&
                         !commandsEnabled(*w);
                if (stop == QLatin1String("button"))
                    child<QPushButton>(w, "Interrompi")->click();
                else if (stop == QLatin1String("close"))
                    w->close();
            });
            child<QPushButton>(w, "SpeedButton1")->click();
            QCOMPARE(w->work(), TfConn::Work::None);
            QVERIFY(commandsEnabled(*w));
            if (stop != QLatin1String("close"))
                w->close();
        });
        TfConn::open(f.context(), &slot);
        QVERIFY(!slot);
        QVERIFY(during);
        QCOMPARE(printed, stop.isEmpty());
        QCOMPARE(error, QString());
        QVERIFY(f.prompt.requests().isEmpty());
    }

    // While a long printout reads the listed records in place, nothing
    // loads the selection again: not a reload asked by the query panel, nor
    // one asked directly, nor a connection added to the archive meanwhile.
    void printoutKeepsItsSelection()
    {
        Fixture f(3000);
        const QString pdf = f.dir.filePath(QStringLiteral("riepilogo.pdf"));
        bool printed = false;
        bool intact = false;
        int blocksPrinted = 0;
        int blocks = 0;
        quint64 before = 0;
        quint64 after = 0;
        QString error;
        whenModal<TfConn>([&](TfConn* w) {
            before = w->selection().generation();
            w->setReportSink([&](const TReport& report, const TReportPrinter::Progress& progress) {
                blocks = report.input().records.size();
                printed = TReportPrinter::printToPdf(report, pdf, &error, [&](int done, int total) {
                    blocksPrinted = done;
                    return progress(done, total);
                });
                intact = report.input().records.intact();
                after = w->selection().generation();
            });
            QTimer::singleShot(0, w, [&, w] {
                QVERIFY(w->work() == TfConn::Work::Printing);
                QByteArray bytes = f.file();
                bytes += conn(20, 9, 0, 60, Cost, QStringLiteral("0101"), QStringLiteral("Alfa"),
                              QStringLiteral("Vecchia"))
                             .toBytes();
                archivetest::writeFileBytes(f.archivePath, bytes);
                w->queryPanel().RiselezioneClick();
                w->queryPanel().aggiornaClick();
                w->loadSelection();
            });
            child<QPushButton>(w, "SpeedButton1")->click();
            w->close();
        });
        QPointer<QWidget> slot;
        TfConn::open(f.context(), &slot);
        QVERIFY2(printed, qPrintable(error));
        QCOMPARE(blocks, 3000);
        QCOMPARE(blocksPrinted, 3000);
        QVERIFY(intact);
        QCOMPARE(after, before);
        QVERIFY(f.prompt.requests().isEmpty());
    }
};

QTEST_MAIN(TstConnWork)
#include "tst_connwork.moc"
