// " Confronto Tariffe" offscreen, opened as the user opens it: from the
// archive window's grid menu over the small comparison archive. Its table
// (totals, unpriced counts, order, the cheapest mark, the bars), which rows
// of the archive window it compares, the detail of a row on a double click,
// stopping and closing while it prices, and an archive left as it was.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "archive/uConn.h"
#include "tariff/uConfronto.h"
#include "tariff/uConfrontoDett.h"
#include "tests/archive/ConnWindowSupport.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ModalSupport.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WidgetSupport.h"
#include "tests/tariff/ComparisonFixture.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <functional>

using namespace comparisontest;
using connwindowtest::selectRows;
using testsupport::child;

namespace
{

const QString Autunno = QStringLiteral("Autunno 2001");
// A profile that prices every connection, for more than "Serale, festivi".
const QString Tutto = QStringLiteral("Tutto il giorno");

struct Fixture : ProgramFixture {
    Fixture() : ProgramFixture(Options().at(dt::encode(2001, 11, 5, 12, 0, 0)))
    {
        program.settings.iva = 20;
        program.settings.cambioEcu = 1936.27f;
        TariffTable flat;
        fixtures::setBandOn(flat, fixtures::AllRows, 1, 0, 0, 10);
        written = write(dir.path()) && writeProfile(dir.path(), Tutto, flat) &&
                  writeDamagedProfile(dir.path());
        // The archive window lists October and November 2001.
        SavedQuery q;
        q.descriz = Autunno;
        q.dal = dt::encodeDate(2001, 10, 1);
        q.al = dt::encodeDate(2001, 11, 30);
        q.provTutti = true;
        q.tarTutti = true;
        written = written && TSavedQueries(program.programFolder).save(Autunno, q) &&
                  TSettingsStore(registry).setFDescrizioneAttuale(Autunno);
    }

    bool written = false;
};

// "Confronta Tariffe..." in the archive window's grid menu; work runs in the
// comparison window once it has priced everything, and the window is closed
// afterwards whatever work found.
bool compareFrom(TfConn& w, const std::function<void(TfConfronto*)>& work)
{
    bool ran = false;
    testsupport::whenShown<TfConfronto>([&](TfConfronto* c) {
        ran = true;
        const auto close = qScopeGuard([c] { c->ChiudiClick(); });
        QCOMPARE(c->parentWidget(), &w);
        QTRY_VERIFY(!c->running());
        work(c);
    });
    testsupport::action(w.gridMenu(), QStringLiteral("ConfrontaTariffe1"))->trigger();
    return ran;
}

QString label(const QWidget* w, const char* name)
{
    return child<QLabel>(w, QLatin1String(name))->text();
}

// The fixture's connections, many times over: enough for several slices.
TComparedConnections manyConnections(int copies)
{
    TComparedConnections out;
    int row = 0;
    for (int i = 0; i < copies; ++i)
        for (const ConnRecord& r : records())
            if (!r.isDeleted())
                out.append({r.indice, r.inizio, r.fine, r.costo}, ++row, r.telefono);
    return out;
}

} // namespace

class TestConfronto : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void table();
    void whatIsCompared_data();
    void whatIsCompared();
    void nothingToCompare_data();
    void nothingToCompare();
    void detail();
    void detailOfALongName();
    void stopAndClose_data();
    void stopAndClose();
    void rowsFollowTheirProfiles();
};

// Every profile of Trf/ in one row, cheapest first: those that priced all
// five connections, then "Diurna" with two left out (its smaller total
// covers fewer calls), then the file that is no profile.
void TestConfronto::table()
{
    Fixture f;
    QVERIFY(f.written);
    const auto before = snapshot(f.dir.path());
    TfConn w(connContext(f.program));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    struct Row {
        QString profile, lire, euro, difference, unpriced, note;
        TComparisonModel::RowKind kind;
        double bar; // share of the dearest total
    };
    using Kind = TComparisonModel::RowKind;
    // Stored: 2250 Lire in all, 1700 for the three "Diurna" prices. With VAT
    // 20: "Serale, festivi" 1452, "Tutto il giorno" 145 minutes at 10 = 1740,
    // "Diurna" 913.20 (shown as the archive shows 913.20: 914).
    const QList<Row> expected = {
        {Serale, "1.452", "0,75", "-798", "0", "la più conveniente", Kind::Cheapest, 1452.0 / 1740},
        {Tutto, "1.740", "0,90", "-510", "0", "", Kind::Complete, 1.0},
        {Diurna, "914", "0,47", "-786", "2", "totale parziale", Kind::Partial, 913.2 / 1740},
        {Rotta, "-", "-", "-", "-",
         "non utilizzabile: il file è di 100 byte invece di 3852: non è una tabella tariffaria o "
         "è danneggiato",
         Kind::Unusable, -1},
    };
    QVERIFY(compareFrom(w, [&](TfConfronto* c) {
        QCOMPARE(c->windowTitle(), QStringLiteral(" Confronto Tariffe"));
        QCOMPARE(testsupport::layoutProblems(c), QString());
        QCOMPARE(child<QPushButton>(c, "Dettaglio")->text(), QStringLiteral("&Dettaglio"));
        QCOMPARE(child<QPushButton>(c, "Chiudi")->text(), QStringLiteral("&Chiudi"));
        QVERIFY(!child<QPushButton>(c, "Interrompi")->isEnabled());
        QCOMPARE(child<QProgressBar>(c, "Avanzamento")->value(), 1000);
        QCOMPARE(label(c, "Connessioni"),
                 QStringLiteral("5 connessioni dal 24/10/2001 al 01/11/2001, IVA 20%"));
        QCOMPARE(label(c, "Stato"),
                 QStringLiteral("Confronto completato: costo in archivio 2.250 Lire (1,16 E)."));

        QTableView* table = child<QTableView>(c, "sg1");
        QAbstractItemModel* model = table->model();
        QCOMPARE(model->rowCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const Row& e = expected[i];
            const auto cell = [&](int column, int role = Qt::DisplayRole) {
                return model->index(i, column).data(role);
            };
            const QStringList shown = {
                cell(TComparisonModel::Profile).toString(),
                cell(TComparisonModel::Lire).toString(),
                cell(TComparisonModel::Euro).toString(),
                cell(TComparisonModel::Difference).toString(),
                cell(TComparisonModel::Unpriced).toString(),
                cell(TComparisonModel::Note).toString(),
            };
            QCOMPARE(shown,
                     (QStringList{e.profile, e.lire, e.euro, e.difference, e.unpriced, e.note}));
            QCOMPARE(cell(TComparisonModel::Bar, TComparisonModel::KindRole).toInt(), int(e.kind));
            QVERIFY2(qAbs(cell(TComparisonModel::Bar, TComparisonModel::BarRole).toDouble() -
                          e.bar) < 1e-6,
                     qPrintable(e.profile));
        }
        for (int col = 0; col < TComparisonModel::ColumnCount; ++col)
            QVERIFY(!model->headerData(col, Qt::Horizontal).toString().isEmpty());

        // F1: the window's help page.
        c->activateWindow();
        QTest::keyClick(table, Qt::Key_F1);
        QCOMPARE(f.shell.opened, QStringList{f.program.dataFolder + "hlp/confronto.htm"});
    }));
    QVERIFY(f.prompt.requests().isEmpty());
    QCOMPARE(snapshot(f.dir.path()), before);
}

void TestConfronto::whatIsCompared_data()
{
    QTest::addColumn<int>("first"); // 0: no row clicked (the totals row is current)
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<int>("diurnaUnpriced");
    const QString all = QStringLiteral("5 connessioni dal 24/10/2001 al 01/11/2001, IVA 20%");
    QTest::newRow("nothing marked") << 0 << 0 << all << 2;
    QTest::newRow("one row: every listed connection") << 2 << 2 << all << 2;
    QTest::newRow("rows 2 to 3") << 2 << 3
                                 << QStringLiteral(
                                        "2 connessioni dal 28/10/2001 al 29/10/2001, IVA 20%")
                                 << 1;
    // The totals row is no connection.
    QTest::newRow("row 5 to the totals row")
        << 5 << 6 << QStringLiteral("1 connessione del 01/11/2001, IVA 20%") << 1;
}

void TestConfronto::whatIsCompared()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, summary);
    QFETCH(int, diurnaUnpriced);
    Fixture f;
    QVERIFY(f.written);
    TfConn w(connContext(f.program));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (first > 0)
        selectRows(w, first, last);

    QVERIFY(compareFrom(w, [&](TfConfronto* c) {
        QCOMPARE(label(c, "Connessioni"), summary);
        const QList<ComparisonRow>& rows = c->model().rows();
        const int d = c->model().rowOf(Diurna);
        QVERIFY(d >= 0);
        QCOMPARE(rows[d].unpriced, int64_t(diurnaUnpriced));
        QCOMPARE(rows[d].priced + rows[d].unpriced, c->comparison().connections());
    }));
}

void TestConfronto::nothingToCompare_data()
{
    QTest::addColumn<bool>("emptyList");
    QTest::addColumn<QString>("text");
    QTest::newRow("no connection listed")
        << true << QStringLiteral("Nessuna connessione da confrontare.");
    QTest::newRow("no profile")
        << false << QStringLiteral("Nessuna Tabella Tariffe da confrontare nella cartella Trf.");
}

// Said in a box; no window opens.
void TestConfronto::nothingToCompare()
{
    QFETCH(bool, emptyList);
    QFETCH(QString, text);
    Fixture f;
    QVERIFY(f.written);
    if (emptyList)
        QVERIFY(QFile::remove(archivePath(f.dir.path())));
    else
        QVERIFY(QDir(f.path(QStringLiteral("Trf"))).removeRecursively());
    TfConn w(connContext(f.program));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    bool opened = false;
    QTimer::singleShot(0, &w, [&opened] {
        if (auto* c = qobject_cast<TfConfronto*>(QApplication::activeModalWidget())) {
            opened = true;
            c->ChiudiClick();
        }
    });
    testsupport::action(w.gridMenu(), QStringLiteral("ConfrontaTariffe1"))->trigger();
    QVERIFY(!opened);
    QCOMPARE(f.prompt.texts(), QStringList{text});
    QCOMPARE(f.prompt.requests().first().title, QStringLiteral("Informazione..."));
}

// A double click on a row lists each connection with its stored cost and
// that profile's, VAT included, rounded as the archive window rounds.
void TestConfronto::detail()
{
    Fixture f;
    QVERIFY(f.written);
    TfConn w(connContext(f.program));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Grid row, start, duration, telephone, stored, with "Diurna", difference.
    const QList<QStringList> expected = {
        {"1", "mer 24/10/2001 18.20.00", "00 20 00", "0702001", "500", "297", "-203"},
        {"2", "dom 28/10/2001 21.30.00", "01 00 00", "0702001", "800", "369", "-431"},
        {"3", "lun 29/10/2001 07.30.00", "00 15 00", "0702001", "250", "senza fascia", "-"},
        {"4", "mer 31/10/2001 23.50.00", "00 20 00", "0702001", "400", "249", "-151"},
        {"5", "gio 01/11/2001 10.00.00", "00 30 00", "0702001", "300", "senza fascia", "-"},
    };
    bool shown = false;
    QVERIFY(compareFrom(w, [&](TfConfronto* c) {
        testsupport::whenShown<TfConfrontoDett>([&](TfConfrontoDett* d) {
            shown = true;
            const auto close = qScopeGuard([d] { d->ChiudiClick(); });
            QCOMPARE(c->detail(), d);
            QCOMPARE(d->windowTitle(), QStringLiteral(" Dettaglio Confronto [Diurna]"));
            QCOMPARE(testsupport::layoutProblems(d), QString());
            const TComparisonDetailModel& m = d->model();
            QCOMPARE(m.rowCount(), expected.size());
            for (int r = 0; r < expected.size(); ++r) {
                QStringList row;
                for (int col = 0; col < TComparisonDetailModel::ColumnCount; ++col)
                    row << m.text(r, col);
                QCOMPARE(row, expected[r]);
            }
            QCOMPARE(m.caption(TComparisonDetailModel::Priced),
                     QStringLiteral("Costo con\nDiurna"));
            QCOMPARE(d->totalsText(),
                     QStringLiteral("3 connessioni su 5: in archivio 1.700 Lire (0,88 E), con "
                                    "Diurna 914 Lire (0,47 E).\n2 senza fascia oraria in vigore "
                                    "all'inizio, non calcolate."));
        });
        QTableView* table = c->table();
        const QRect cell = table->visualRect(table->model()->index(c->model().rowOf(Diurna), 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(shown);
        QVERIFY(!c->detail());

        // "&Dettaglio" on the file that is no profile says why instead.
        table->setCurrentIndex(table->model()->index(c->model().rowOf(Rotta), 0));
        child<QPushButton>(c, "Dettaglio")->click();
        QCOMPARE(f.prompt.texts().size(), 1);
        QVERIFY(f.prompt.texts().first().startsWith(
            QStringLiteral("La tabella <Rotta> non si può usare: il file è di 100 byte")));
    }));
}

// A long profile name widens its column's caption; the window grows with
// it, so the difference stays in sight without scrolling sideways.
void TestConfronto::detailOfALongName()
{
    ProgramFixture f;
    TComparedConnections connections;
    connections.append({0, dt::encode(2001, 10, 24, 18, 20), dt::encode(2001, 10, 24, 18, 40), 500},
                       1, QStringLiteral("0702001"));
    TariffTable flat;
    fixtures::setBandOn(flat, fixtures::AllRows, 1, 0, 0, 10);
    const float cambioEcu = 1936.27f;
    const TfConfrontoDett::Context ctx{f.program.dataFolder, cambioEcu, f.prompt, f.shell};
    for (const QString& name : {QStringLiteral("Diurna"), QStringLiteral("Telecom Urbana 50%")}) {
        TfConfrontoDett d(ctx, connections, ComparedProfile{name, flat, {}}, 20);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY2(d.table()->horizontalScrollBar()->maximum() == 0, qPrintable(name));
        QCOMPARE(testsupport::layoutProblems(&d), QString());
    }
}

void TestConfronto::stopAndClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Interrompi, then Chiudi") << "Interrompi";
    QTest::newRow("Chiudi while pricing") << "Chiudi";
    QTest::newRow("the close box while pricing") << "close box";
    QTest::newRow("Escape while pricing") << "Escape";
}

// The pricing stops where it stands; a window closed meanwhile goes away at
// once and nothing of it runs afterwards.
void TestConfronto::stopAndClose()
{
    QFETCH(QString, how);
    Fixture f;
    QVERIFY(f.written);
    const auto before = snapshot(f.dir.path());
    // Five connections 2000 times over: three slices.
    const TComparedConnections connections = manyConnections(2000);

    QPointer<QWidget> slot;
    bool ran = false;
    testsupport::whenShown<TfConfronto>([&](TfConfronto* c) {
        ran = true;
        const auto close = qScopeGuard([c] {
            if (c->isVisible())
                c->ChiudiClick();
        });
        QCOMPARE(slot.data(), c);
        QVERIFY(c->running());
        QVERIFY(child<QPushButton>(c, "Interrompi")->isEnabled());
        if (how == "Interrompi") {
            // One slice by hand and the stop right after it, with no turn of
            // the event loop between: the stop lands in the middle whatever
            // the machine's speed.
            c->slice();
            QVERIFY(c->comparison().done() > 0);
            child<QPushButton>(c, "Interrompi")->click();
            QVERIFY(!c->running());
            const int64_t done = c->comparison().done();
            QVERIFY(done < connections.size());
            QVERIFY(!child<QPushButton>(c, "Interrompi")->isEnabled());
            QVERIFY(label(c, "Stato")
                        .startsWith(QStringLiteral(
                            "Confronto interrotto: i totali riguardano solo le prime ")));
            // Partial totals, and no profile marked cheapest.
            for (const ComparisonRow& r : c->model().rows()) {
                QVERIFY(!r.cheapest);
                if (r.usable())
                    QCOMPARE(r.priced + r.unpriced, done);
            }
            QTest::qWait(50);
            QCOMPARE(c->comparison().done(), done);
            child<QPushButton>(c, "Chiudi")->click();
        } else if (how == "Chiudi") {
            child<QPushButton>(c, "Chiudi")->click();
        } else if (how == "close box") {
            c->close();
        } else {
            QTest::keyClick(c, Qt::Key_Escape);
        }
        QVERIFY(!c->isVisible());
    });
    TfConfronto::open(confrontoContext(f.program), connections, nullptr, &slot);
    QVERIFY(ran);
    QVERIFY(!slot); // destroyed
    // Whatever was pending for the window finds it gone.
    QTest::qWait(50);
    QCOMPARE(snapshot(f.dir.path()), before);
}

// Totals change order while the pricing goes on: the row the user stands on
// moves with its profile.
void TestConfronto::rowsFollowTheirProfiles()
{
    const float cambioEcu = 1936.27f;
    TComparisonModel model(cambioEcu);
    QAbstractItemModelTester tester(&model);
    const auto row = [](const char* name, double total) {
        ComparisonRow r;
        r.profile = QLatin1String(name);
        r.priced = 1;
        r.costWithVat = total;
        return r;
    };
    model.setRows({row("A", 10), row("B", 20), row("C", 30)});
    const QPersistentModelIndex b = model.index(1, TComparisonModel::Lire);
    model.setRows({row("B", 5), row("A", 10), row("C", 30)});
    QCOMPARE(b.row(), 0);
    QCOMPARE(b.column(), int(TComparisonModel::Lire));
    QCOMPARE(b.data().toString(), QStringLiteral("5"));
    // The dearest total makes the full bar.
    QCOMPARE(model.barShare(2), 1.0);
    model.setRows({row("A", 1), row("D", 2), row("C", 3)});
    QVERIFY(!b.isValid());
}

QTEST_MAIN(TestConfronto)
#include "tst_confronto.moc"
