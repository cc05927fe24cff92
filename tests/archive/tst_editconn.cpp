// The archive window's grid menu offscreen: editing one connection, deleting
// a range, handing a range to "Cambio Tariffa", the right button, and the
// records that are no longer what the grid listed.
//
// The fixture archive holds connections at positions 0, 1, 2, 5 and 6 (3 is
// deleted, 4 damaged); with the query "Marzo 2001" the grid lists them in
// rows 1..5, and row 6 is the totals row.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "archive/uConn.h"
#include "archive/uModConn.h"
#include "tariff/ProfileFiles.h"
#include "tariff/uCtar.h"
#include "tests/archive/ConnWindowSupport.h"
#include "tests/archive/SelectionFixture.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WidgetSupport.h"
#include "tests/tariff/TariffFixtures.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using namespace selectiontest;
using connwindowtest::selectRows;
using testsupport::child;

namespace
{

const QString Marzo = QStringLiteral("Marzo 2001");
const QString Missing = QStringLiteral("Connessione Inesistente.");
const QString Nuova = QStringLiteral("Nuova");

struct Fixture : ProgramFixture {
    QString archivePath;
    // The change-tariff window, while "&Cambia Tariffa" has it open.
    QPointer<QWidget> ctarSlot;

    Fixture() : ProgramFixture(Options().at(dt::encode(2001, 3, 5, 18, 30)).withFakeRas())
    {
        writeFixture(dir.path());
        archivePath = program.archive.path();
        QDir(dir.path()).mkpath(QStringLiteral("Trf"));
        program.settings.iva = 20;
    }
    ConnContext context() { return connContext(program, &ctarSlot); }
    // A saved query over days fromDay..toDay of March 2001, made current.
    void useQuery(const QString& name, int fromDay = 1, int toDay = 31)
    {
        SavedQuery q;
        q.descriz = name;
        q.dal = dt::encodeDate(2001, 3, fromDay);
        q.al = dt::encodeDate(2001, 3, toDay);
        q.provTutti = true;
        q.tarTutti = true;
        QVERIFY(TSavedQueries(program.programFolder).save(name, q));
        QVERIFY(TSettingsStore(registry).setFDescrizioneAttuale(name));
    }
    // Every day from 00:00 at rate Lire a minute.
    void saveProfile(const QString& name, float rate)
    {
        TariffProfiles p;
        fixtures::setBandOn(p.working, fixtures::AllRows, 1, 0, 0, rate);
        QVERIFY(TProfileFiles(p, program.programFolder, prompt).SaveProfile(name));
    }
    QByteArray file() const { return archivetest::readFileBytes(archivePath); }
    ConnRecord stored(int i) const
    {
        return ConnRecord::fromBytes(archivetest::recordAt(file(), i));
    }
    // Writes rec at position i behind the window's back.
    void overwrite(int i, const ConnRecord& rec)
    {
        TArchiveFile other(dir.path());
        QVERIFY(other.open());
        QVERIFY(other.write(i, rec));
    }
};

QList<int> listed(const TfConn& w)
{
    QList<int> out;
    for (const ConnRecord& r : w.selection().records())
        out << r.indice;
    return out;
}

void showWindow(TfConn& w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

void trigger(TfConn& w, const char* item,
             std::source_location where = std::source_location::current())
{
    testsupport::action(w.gridMenu(), QLatin1String(item), where)->trigger();
}

// Runs work inside the next modal window, once it is shown; the window must
// be of type T. Closes it (Escape) if work leaves it open.
template <class T> void whileModal(const std::function<void(T*)>& work, bool* ran)
{
    QTimer::singleShot(0, [work, ran] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY(w);
        *ran = true;
        work(w);
        if (w->isVisible())
            w->reject();
    });
}

} // namespace

class TstEditConn : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void editConnection();
    void editCancelled();
    void deleteRange();
    void deleteWithoutSavedQueries();
    void deleteRefused();
    void totalsRowDoesNothing_data();
    void totalsRowDoesNothing();
    void emptyRow();
    void changedSinceLoading();
    void archiveCannotBeOpened();
    void rangeCannotBeWritten_data();
    void rangeCannotBeWritten();
    void editKeepsLaterSave();
    void changeTariff_data();
    void changeTariff();
    void rightButton();
    void topRowKept();
};

// The dialog's fields are cut and written at the connection's own position;
// the grid is reloaded by "&Aggiorna" even though a period was shown.
void TstEditConn::editConnection()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    child<QRadioButton>(&w, "ultMese")->click();
    QVERIFY(!w.namedQuery());
    const QByteArray before = f.file();
    selectRows(w, 4, 4); // position 5

    bool ran = false;
    whileModal<TfModConn>(
        [](TfModConn* d) {
            QCOMPARE(child<QLineEdit>(d, "provider")->text(), QStringLiteral("Beta"));
            // The boxes hold more than the record does.
            child<QLineEdit>(d, "provider")->setMaxLength(100);
            child<QLineEdit>(d, "telefono")->setMaxLength(100);
            child<QLineEdit>(d, "provider")->setText(QString(60, QLatin1Char('p')));
            child<QLineEdit>(d, "telefono")->setText(QString(40, QLatin1Char('7')));
            child<QPlainTextEdit>(d, "motivo")->setPlainText(QString(200, QLatin1Char('m')));
            child<QPushButton>(d, "SpeedButton1")->click();
        },
        &ran);
    trigger(w, "Modifica1");
    QVERIFY(ran);
    QVERIFY(f.prompt.requests().isEmpty());

    const QByteArray after = f.file();
    QCOMPARE(after.size(), before.size());
    for (int i : {0, 1, 2, 3, 4, 6})
        QCOMPARE(archivetest::recordAt(after, i), archivetest::recordAt(before, i));
    const ConnRecord r = f.stored(5);
    const ConnRecord old = fixtureRecords()[5];
    QCOMPARE(r.provider, QString(50, QLatin1Char('p')));
    QCOMPARE(r.telefono, QString(30, QLatin1Char('7')));
    QCOMPARE(r.motivo, QString(150, QLatin1Char('m')));
    QCOMPARE(r.inizio, old.inizio);
    QCOMPARE(r.fine, old.fine);
    QCOMPARE(r.costo, old.costo);
    QCOMPARE(r.indice, 5);

    // Reloaded by choosing the saved query, not by the period.
    QVERIFY(w.namedQuery());
    QVERIFY(!child<QRadioButton>(&w, "ultMese")->isChecked());
    QCOMPARE(w.selection().at(3).provider, QString(50, QLatin1Char('p')));
}

void TstEditConn::editCancelled()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    const QByteArray before = f.file();
    selectRows(w, 2, 2);
    bool ran = false;
    whileModal<TfModConn>(
        [](TfModConn* d) {
            child<QLineEdit>(d, "provider")->setText(QStringLiteral("Altro"));
            child<QPushButton>(d, "SpeedButton2")->click();
        },
        &ran);
    trigger(w, "Modifica1");
    QVERIFY(ran);
    QCOMPARE(f.file(), before);
    QVERIFY(!w.namedQuery());
}

// Rows 2..4 are positions 1, 2 and 5: the empty record goes there, nothing
// moves and the totals shrink to what rows 1 and 5 held.
void TstEditConn::deleteRange()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    const QByteArray before = f.file();
    selectRows(w, 2, 4);
    f.prompt.answerNext(PbYes);
    trigger(w, "Elimina1");

    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest q = f.prompt.requests().first();
    QCOMPARE(q.text, QStringLiteral("Elimino i dati selezionati ?"));
    QCOMPARE(q.title, QStringLiteral("Conferma..."));
    QCOMPARE(q.icon, PromptIcon::Question);
    QCOMPARE(q.buttons, PbYes | PbNo);
    QCOMPARE(q.defaultButton, int(PbNo));

    const QByteArray after = f.file();
    QCOMPARE(after.size(), before.size());
    for (int i : {1, 2, 5})
        QCOMPARE(archivetest::recordAt(after, i), QByteArray(ConnRecord::Size, '\0'));
    for (int i : {0, 3, 4, 6})
        QCOMPARE(archivetest::recordAt(after, i), archivetest::recordAt(before, i));

    QCOMPARE(listed(w), (QList<int>{0, 6}));
    QCOMPARE(w.rowCount(), 4);
    QCOMPARE(w.selection().totals().totalCost, 1234.2f + 80.0f);
    const ConnRecord longest = fixtureRecords()[0];
    QCOMPARE(w.selection().totals().maxTime, longest.fine - longest.inizio);
}

// Without saved queries there is no query to choose: the list is reloaded
// with the period it showed.
void TstEditConn::deleteWithoutSavedQueries()
{
    Fixture f;
    TfConn w(f.context());
    showWindow(w);
    child<QRadioButton>(&w, "ultMese")->click();
    QCOMPARE(listed(w), QList<int>{5}); // the only one without a tariff
    selectRows(w, 1, 1);
    f.prompt.answerNext(PbYes);
    trigger(w, "Elimina1");
    QCOMPARE(archivetest::recordAt(f.file(), 5), QByteArray(ConnRecord::Size, '\0'));
    QCOMPARE(listed(w), QList<int>{});
    QCOMPARE(w.rowCount(), 3);
    QVERIFY(child<QRadioButton>(&w, "ultMese")->isChecked());
}

// No, the preselected answer, deletes nothing.
void TstEditConn::deleteRefused()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    const QByteArray before = f.file();
    selectRows(w, 1, 5);
    trigger(w, "Elimina1");
    QCOMPARE(f.prompt.texts(), QStringList{"Elimino i dati selezionati ?"});
    QCOMPARE(f.file(), before);
    QCOMPARE(listed(w).size(), 5);
}

void TstEditConn::totalsRowDoesNothing_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("delete") << "Elimina1";
    QTest::newRow("change tariff") << "CambiaTariffa1";
}

// A selection that starts at the totals row: no question, no window, no
// write, no reload.
void TstEditConn::totalsRowDoesNothing()
{
    QFETCH(QString, item);
    Fixture f;
    f.useQuery(Marzo);
    f.saveProfile(Nuova, 100);
    TfConn w(f.context());
    showWindow(w);
    const QByteArray before = f.file();
    selectRows(w, 6, 6);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            opened = true;
            m->close();
        }
    });
    trigger(w, item.toLatin1().constData());
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QVERIFY(f.prompt.requests().isEmpty());
    QCOMPARE(f.file(), before);
    QVERIFY(!w.namedQuery());
}

// The empty data row of an empty list: every item says the connection does
// not exist and nothing is written.
void TstEditConn::emptyRow()
{
    Fixture f;
    f.useQuery(QStringLiteral("Fine mese"), 25, 31);
    TfConn w(f.context());
    showWindow(w);
    QCOMPARE(w.rowCount(), 3);
    const QByteArray before = f.file();
    selectRows(w, 1, 1);

    trigger(w, "Modifica1");
    QCOMPARE(f.prompt.texts(), QStringList{Missing});
    QCOMPARE(f.prompt.requests().first().title, QStringLiteral("Tarvelo!..."));
    QCOMPARE(f.prompt.requests().first().icon, PromptIcon::Warning);

    f.prompt.clear();
    f.prompt.answerNext(PbYes);
    trigger(w, "Elimina1");
    QCOMPARE(f.prompt.texts(), (QStringList{"Elimino i dati selezionati ?", Missing}));
    QCOMPARE(f.file(), before);
    QVERIFY(!w.namedQuery()); // not reloaded
}

// Records deleted or replaced since the list was loaded are never written
// over; rows deleted before the stop leave the list.
void TstEditConn::changedSinceLoading()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);

    // Row 2 (position 1) deleted meanwhile: the edit writes nothing.
    f.overwrite(1, ConnRecord{});
    selectRows(w, 2, 2);
    bool ran = false;
    whileModal<TfModConn>(
        [](TfModConn* d) {
            child<QLineEdit>(d, "provider")->setText(QStringLiteral("Altro"));
            child<QPushButton>(d, "SpeedButton1")->click();
        },
        &ran);
    trigger(w, "Modifica1");
    QVERIFY(ran);
    QCOMPARE(f.prompt.texts(), QStringList{Missing});
    QCOMPARE(archivetest::recordAt(f.file(), 1), QByteArray(ConnRecord::Size, '\0'));

    // Row 3 (position 2) now holds another connection: it is kept, and
    // nothing is deleted or reloaded.
    ConnRecord other = conn(20, 12, 0, 60, 10.0f, QString(), QStringLiteral("Altro"), Nuova);
    f.overwrite(2, other);
    f.prompt.clear();
    f.prompt.answerNext(PbYes);
    selectRows(w, 3, 4);
    trigger(w, "Elimina1");
    QCOMPARE(f.prompt.texts(), (QStringList{"Elimino i dati selezionati ?", Missing}));
    other.indice = 2;
    ConnRecord kept = f.stored(2);
    kept.indice = 2;
    QCOMPARE(kept, other);
    QCOMPARE(f.stored(5).inizio, fixtureRecords()[5].inizio);
    QCOMPARE(listed(w), (QList<int>{0, 1, 2, 5, 6}));

    // Rows 1..2: row 1 is deleted, row 2 (deleted meanwhile) stops the run,
    // and the list is reloaded without row 1.
    f.prompt.clear();
    f.prompt.answerNext(PbYes);
    selectRows(w, 1, 2);
    trigger(w, "Elimina1");
    QCOMPARE(f.prompt.texts(), (QStringList{"Elimino i dati selezionati ?", Missing}));
    QCOMPARE(archivetest::recordAt(f.file(), 0), QByteArray(ConnRecord::Size, '\0'));
    QCOMPARE(listed(w), (QList<int>{2, 5, 6}));
}

// An archive that cannot be opened any more: the error is shown, nothing
// is written and the list stays as it was.
void TstEditConn::archiveCannotBeOpened()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    f.program.archive.close();
    QVERIFY(QFile::remove(f.archivePath));
    QVERIFY(QDir().mkpath(f.archivePath));
    selectRows(w, 1, 2);
    f.prompt.answerNext(PbYes);
    trigger(w, "Elimina1");
    QCOMPARE(f.prompt.texts(), (QStringList{"Elimino i dati selezionati ?",
                                            QStringLiteral("Cannot open file ") + f.archivePath}));
    QCOMPARE(listed(w).size(), 5);
    QVERIFY(!w.namedQuery());
}

void TstEditConn::rangeCannotBeWritten_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("delete") << "Elimina1";
    QTest::newRow("change tariff") << "CambiaTariffa1";
}

// A range of rows is changed all at once or not at all: when the change
// cannot be made (here the folder refuses the change's journal), no row is
// deleted or re-priced, and the error is shown once.
void TstEditConn::rangeCannotBeWritten()
{
    QFETCH(QString, item);
    Fixture f;
    f.useQuery(Marzo);
    f.saveProfile(Nuova, 100);
    TfConn w(f.context());
    showWindow(w);
    const QByteArray before = f.file();
    // Root ignores permission bits; an immutable folder refuses new files.
    if (QProcess::execute("chattr", {"+i", f.dir.path()}) != 0)
        QSKIP("chattr +i is not available here");
    selectRows(w, 1, 4);
    bool ran = true;
    if (item == QLatin1String("Elimina1")) {
        f.prompt.answerNext(PbYes);
    } else {
        ran = false;
        whileModal<TfCtar>(
            [](TfCtar* d) {
                auto* cb1 = child<QComboBox>(d, "cb1");
                cb1->setCurrentIndex(cb1->findText(Nuova));
                child<QPushButton>(d, "applica")->click();
            },
            &ran);
    }
    trigger(w, item.toLatin1().constData());
    QProcess::execute("chattr", {"-i", f.dir.path()});
    QVERIFY(ran);
    const QString error = QStringLiteral("Cannot write file ") + f.archivePath +
                          QStringLiteral(".journal.new: operazione non permessa");
    QCOMPARE(f.prompt.texts().filter(QStringLiteral("Cannot")), QStringList{error});
    QCOMPARE(f.file(), before);
    QCOMPARE(listed(w), (QList<int>{0, 1, 2, 5, 6}));
}

// A periodic save moved the end and cost of a listed connection (the
// running one) while it was being edited: the edit changes only its texts.
void TstEditConn::editKeepsLaterSave()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    ConnRecord later = fixtureRecords()[6];
    later.fine += 60 * dt::OneSecond;
    later.costo = 95;
    later.motivo = QStringLiteral("Connessione In Corso...");
    selectRows(w, 5, 5);
    bool ran = false;
    whileModal<TfModConn>(
        [&](TfModConn* d) {
            f.overwrite(6, later);
            child<QPlainTextEdit>(d, "motivo")->setPlainText(QStringLiteral("posta"));
            child<QPushButton>(d, "SpeedButton1")->click();
        },
        &ran);
    trigger(w, "Modifica1");
    QVERIFY(ran);
    const ConnRecord r = f.stored(6);
    QCOMPARE(r.motivo, QStringLiteral("posta"));
    QCOMPARE(r.fine, later.fine);
    QCOMPARE(r.costo, 95.0f);
}

void TstEditConn::changeTariff_data()
{
    QTest::addColumn<bool>("named");
    QTest::newRow("saved query shown") << true;
    QTest::newRow("period shown") << false;
}

// Rows 2..3 (positions 1 and 2) re-priced through the change-tariff window,
// then the grid reloaded the way it was filled.
void TstEditConn::changeTariff()
{
    QFETCH(bool, named);
    Fixture f;
    f.useQuery(Marzo);
    f.saveProfile(Nuova, 100);
    TfConn w(f.context());
    showWindow(w);
    if (named)
        child<QPushButton>(&w, "aggiorna")->click();
    else
        child<QRadioButton>(&w, "ultMese")->click();
    QCOMPARE(w.namedQuery(), named);
    selectRows(w, 2, 3);

    bool ran = false;
    whileModal<TfCtar>(
        [&](TfCtar* d) {
            QCOMPARE(f.ctarSlot.data(), d);
            QCOMPARE(d->mode(), int(TfCtar::StoredConnections));
            QCOMPARE(d->firstRow(), 2);
            QCOMPARE(d->lastRow(), 3);
            QCOMPARE(d->tabAtt(), QString());
            auto* cb1 = child<QComboBox>(d, "cb1");
            cb1->setCurrentIndex(cb1->findText(Nuova));
            child<QPushButton>(d, "applica")->click();
        },
        &ran);
    trigger(w, "CambiaTariffa1");
    QVERIFY(ran);
    QVERIFY(!f.ctarSlot);
    QVERIFY(f.prompt.requests().isEmpty());

    // 20 minutes and 1 minute at 100 Lire a minute, IVA 20.
    QCOMPARE(f.stored(1).costo, 2400.0f);
    QCOMPARE(f.stored(2).costo, 120.0f);
    QCOMPARE(f.stored(1).nomeTar, Nuova);
    QCOMPARE(f.stored(0).costo, 1234.2f);
    QCOMPARE(f.stored(5).costo, 1234.2f);

    QCOMPARE(w.namedQuery(), named);
    QCOMPARE(child<QRadioButton>(&w, "ultMese")->isChecked(), !named);
    QCOMPARE(w.selection().at(1).costo, 2400.0f);
    QCOMPARE(w.selection().at(2).nomeTar, Nuova);

    // A range that reaches the totals row stops at the row before it;
    // closing the window re-prices nothing but still reloads.
    selectRows(w, 4, 6);
    const QByteArray before = f.file();
    ran = false;
    whileModal<TfCtar>(
        [](TfCtar* d) {
            QCOMPARE(d->firstRow(), 4);
            QCOMPARE(d->lastRow(), 5);
            d->ChiudiClick();
        },
        &ran);
    trigger(w, "CambiaTariffa1");
    QVERIFY(ran);
    QCOMPARE(f.file(), before);
    QCOMPARE(w.currentRow(), w.rowCount() - 1);
}

// The right button selects nothing by itself; released, it makes its row
// current (unless it already is) and opens the menu except on the totals row.
void TstEditConn::rightButton()
{
    Fixture f;
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    QWidget* viewport = w.grid()->viewport();
    const auto center = [&w](int row) { return w.cellRect(row, 2).center(); };

    selectRows(w, 2, 4);
    QTest::mousePress(viewport, Qt::RightButton, {}, center(1));
    QVERIFY(w.rightButton());
    QTest::mouseMove(viewport, center(5));
    QCOMPARE(w.selectedRows(), std::make_pair(2, 4));
    QVERIFY(!w.gridMenu()->isVisible());
    QTest::mouseRelease(viewport, Qt::RightButton, {}, center(1));
    QVERIFY(!w.rightButton());
    QCOMPARE(w.selectedRows(), std::make_pair(1, 1));
    QVERIFY(w.gridMenu()->isVisible());
    w.gridMenu()->hide();

    // On the current row of a range the range stays.
    selectRows(w, 2, 4);
    QCOMPARE(w.currentRow(), 4);
    QTest::mouseClick(viewport, Qt::RightButton, {}, center(4));
    QCOMPARE(w.selectedRows(), std::make_pair(2, 4));
    QVERIFY(w.gridMenu()->isVisible());
    w.gridMenu()->hide();

    // The totals row is selected, without a menu.
    QTest::mouseClick(viewport, Qt::RightButton, {}, center(6));
    QCOMPARE(w.selectedRows(), std::make_pair(6, 6));
    QVERIFY(!w.gridMenu()->isVisible());

    // The left button selects again.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, center(3));
    QVERIFY(!w.rightButton());
    QCOMPARE(w.selectedRows(), std::make_pair(3, 3));

    // The keyboard's menu key opens the menu of the current row.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), w.grid()->mapToGlobal(QPoint()));
    QApplication::sendEvent(w.grid(), &key);
    QVERIFY(w.gridMenu()->isVisible());
    w.gridMenu()->hide();
    selectRows(w, 6, 6);
    QApplication::sendEvent(w.grid(), &key);
    QVERIFY(!w.gridMenu()->isVisible());
}

// After a deletion the grid scrolls back to the row that was on top.
void TstEditConn::topRowKept()
{
    Fixture f;
    QByteArray bytes;
    for (int i = 0; i < 20; ++i) {
        ConnRecord r = conn(1 + i, 10, 0, 60, 10.0f, QString(), QStringLiteral("Alfa"), Nuova);
        bytes += r.toBytes();
    }
    QVERIFY(archivetest::writeFileBytes(f.archivePath, bytes));
    f.useQuery(Marzo);
    TfConn w(f.context());
    showWindow(w);
    QCOMPARE(w.rowCount(), 22);
    w.setTopRow(5);
    QCOMPARE(w.topRow(), 5);
    selectRows(w, 6, 6);
    f.prompt.answerNext(PbYes);
    trigger(w, "Elimina1");
    QCOMPARE(listed(w).size(), 19);
    QCOMPARE(w.topRow(), 5);
}

QTEST_MAIN(TstEditConn)
#include "tst_editconn.moc"
