// The archive window offscreen: its controls, the saved query applied at
// creation and on showing, the grid's rows and cell texts, the predefined
// periods and their moves, the filter read from the controls, the settings
// it keeps, and the actions that belong to other windows.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "archive/Report.h"
#include "archive/uConn.h"
#include "common/Format.h"
#include "tests/archive/SelectionFixture.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WidgetSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using testsupport::child;

using namespace selectiontest;

namespace
{

const QString Marzo = QStringLiteral("Marzo 2001");

QStringList rasEntries()
{
    QStringList names = {QStringLiteral("Gamma"), QString(), QStringLiteral("Alfa")};
    for (int i = 0; i < 16; ++i)
        names << QStringLiteral("Voce %1").arg(i, 2, 10, QLatin1Char('0'));
    return names;
}

struct Fixture : ProgramFixture {
    TSavedQueries queries{program.programFolder};

    Fixture()
        : ProgramFixture(Options().at(dt::encode(2001, 3, 5, 18, 30)).withFakeRas(rasEntries()))
    {
        writeFixture(dir.path());
        for (const char* name : {"Telecom Urbana 50%", "Interurbana"})
            addProfileFile(QLatin1String(name));
    }
    void saveQuery(const QString& name, int fromDay, int toDay, int month = 3)
    {
        SavedQuery q;
        q.descriz = name;
        q.dal = dt::encodeDate(2001, month, fromDay);
        q.al = dt::encodeDate(2001, month, toDay);
        q.provTutti = true;
        q.tarTutti = true;
        QVERIFY(queries.save(name, q));
    }
    ConnContext context() { return connContext(program); }
    void setCurrent(const QString& name)
    {
        QVERIFY(TSettingsStore(registry).setFDescrizioneAttuale(name));
    }
};

QStringList items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QList<int> listed(const TfConn& w)
{
    QList<int> out;
    for (const ConnRecord& r : w.selection().records())
        out << r.indice;
    return out;
}

} // namespace

class TstConnWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void controls()
    {
        Fixture f;
        TfConn w(f.context());
        QCOMPARE(w.windowTitle(), QStringLiteral(" Riepilogo delle Connessioni [Archivio.sto]"));
        const QList<QPair<const char*, QString>> radios = {
            {"oggi", "&Oggi;"},        {"UltSett", "&7,"},  {"Ult15gg", "&15,"},
            {"Ult30gg", "&30 giorni"}, {"ultMese", "Mese"}, {"ultBimestre", "Bimestre"}};
        for (const auto& [name, text] : radios)
            QCOMPARE(child<QRadioButton>(w, name)->text(), text);
        const QList<QPair<const char*, QString>> buttons = {
            {"Riselezione", "&Riselezione"}, {"aggiorna", "&Aggiorna"}, {"SpeedButton1", "&Stampa"},
            {"Chiudi", "&Chiudi"},           {"modifica", "&Modifica"}, {"elimina", "&Elimina"}};
        for (const auto& [name, text] : buttons)
            QCOMPARE(child<QPushButton>(w, name)->text(), text);
        QVERIFY(child<QToolButton>(w, "Piu"));
        QVERIFY(child<QToolButton>(w, "Meno"));
        QCOMPARE(child<QCheckBox>(w, "TarTutti")->text(), QStringLiteral("Tutti"));
        QCOMPARE(child<QCheckBox>(w, "ProvTutti")->text(), QStringLiteral("Tutto"));
        const QList<QPair<const char*, int>> limits = {
            {"Descriz", 60}, {"NomeTar", 50}, {"tel", 30}, {"provider", 50}};
        for (const auto& [name, max] : limits)
            QCOMPARE(child<QComboBox>(w, name)->lineEdit()->maxLength(), max);

        // Profiles from "Trf/", sorted; the first 14 dial-up entries, sorted.
        QCOMPARE(items(child<QComboBox>(w, "NomeTar")),
                 (QStringList{"Interurbana", "Telecom Urbana 50%"}));
        QStringList providers{"Alfa", "Gamma"};
        for (int i = 0; i < 12; ++i)
            providers << QStringLiteral("Voce %1").arg(i, 2, 10, QLatin1Char('0'));
        QCOMPARE(items(child<QComboBox>(w, "provider")), providers);

        QCOMPARE(w.size(), QSize(769, 487));
        QCOMPARE(testsupport::layoutProblems(&w), QString());
        // A row holds what a cell draws: three lines of text down to 43
        // pixels, or the marks and the bars down to 38.
        QVERIFY(child<QTableView>(w, "sg1")->verticalHeader()->defaultSectionSize() >= 43);
    }

    void noSavedQueries()
    {
        Fixture f;
        TfConn w(f.context());
        w.loadSelection();
        QCOMPARE(items(child<QComboBox>(w, "Descriz")), QStringList{});
        QVERIFY(w.nothingLoaded());
        QCOMPARE(w.rowCount(), 3);
        QVERIFY(w.cellTexts(2, 3).isEmpty()); // no totals while nothing is loaded
        QVERIFY(f.prompt.requests().isEmpty());

        child<QRadioButton>(w, "UltSett")->click();
        QVERIFY(!w.nothingLoaded());
        QCOMPARE(child<QComboBox>(w, "Descriz")->currentText(), QStringLiteral("<predefinita>"));
        QCOMPARE(child<QComboBox>(w, "dal")->currentText(), QStringLiteral("27/02/2001"));
        QCOMPARE(child<QComboBox>(w, "al")->currentText(), QStringLiteral("05/03/2001"));
        // The query's other filters are all zero: an empty tariff with
        // "Tutti" off matches only the connection without a tariff.
        QCOMPARE(listed(w), QList<int>{5});
        QCOMPARE(w.rowCount(), 3);
    }

    void savedQueryAtCreation()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.saveQuery(QStringLiteral("Febbraio"), 1, 28, 2);
        f.saveQuery(QStringLiteral("Inizio marzo"), 1, 3);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        QCOMPARE(items(descriz), (QStringList{"Febbraio", "Inizio marzo", Marzo}));
        QCOMPARE(descriz->currentText(), Marzo);
        QCOMPARE(w.currentDescription(), Marzo);
        // Each date once, in date order.
        QCOMPARE(items(child<QComboBox>(w, "dal")), (QStringList{"01/02/2001", "01/03/2001"}));
        QCOMPARE(items(child<QComboBox>(w, "al")),
                 (QStringList{"28/02/2001", "03/03/2001", "31/03/2001"}));
        QCOMPARE(child<QComboBox>(w, "dal")->currentText(), QStringLiteral("01/03/2001"));
        QVERIFY(child<QCheckBox>(w, "ProvTutti")->isChecked());

        QCOMPARE(listed(w), (QList<int>{0, 1, 2, 5, 6}));
        QCOMPARE(w.rowCount(), 7);
        QCOMPARE(w.currentRow(), 6); // the totals row
        QCOMPARE(items(child<QComboBox>(w, "tel")), (QStringList{"0101", "0202"}));

        // 10:00 to 11:00 on one day: only the time in column 2.
        QCOMPARE(w.cellTexts(1, 1), (QStringList{"giovedì", "1 mar 2001", "10 00 00"}));
        QCOMPARE(w.cellTexts(1, 2), QStringList{"11 00 00"});
        QCOMPARE(w.cellTexts(1, 3), QStringList{"01 00 00"});
        QCOMPARE(w.cellTexts(1, 4), (QStringList{"1.235", "( 0,64 E)"}));
        QCOMPARE(w.cellTexts(1, 5), (QStringList{"0101", "Alfa", "Telecom Urbana 50%"}));
        QCOMPARE(w.cellTexts(1, 6), QStringList{"posta"});
        QCOMPARE(w.cellTexts(1, 7), QStringList{"spesa max, tempo max"});
        // 23:50 to 00:10: day name and date in both columns.
        QCOMPARE(w.cellTexts(2, 2), (QStringList{"sabato", "3 mar 2001", "00 10 00"}));
        QCOMPARE(w.cellTexts(4, 5), (QStringList{"- nd -", "Beta", "- nd -"}));
        QCOMPARE(w.cellTexts(4, 7), QStringList{"spesa max"});
        // Totals.
        QCOMPARE(w.cellTexts(6, 1), QStringList{});
        QCOMPARE(w.cellTexts(6, 2), QStringList{" TOTALI "});
        QCOMPARE(w.cellTexts(6, 3), QStringList{"0, 01:33:00"});
        QCOMPARE(w.cellTexts(6, 4).first(), QStringLiteral("2.899"));

        // Painting every cell must not trip over anything.
        w.show();
        QVERIFY(!w.grab().isNull());
    }

    void pickingAQuery()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.saveQuery(QStringLiteral("Inizio marzo"), 1, 3);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        child<QRadioButton>(w, "ultMese")->click();
        QCOMPARE(descriz->currentText(), QStringLiteral("<predefinita>"));
        descriz->setCurrentIndex(descriz->findText(QStringLiteral("Inizio marzo")));
        emit descriz->activated(descriz->currentIndex());
        QCOMPARE(w.currentDescription(), QStringLiteral("Inizio marzo"));
        QVERIFY(!child<QRadioButton>(w, "ultMese")->isChecked());
        QCOMPARE(listed(w), (QList<int>{0, 1, 2}));
        child<QPushButton>(w, "aggiorna")->click();
        QVERIFY(w.namedQuery());
        child<QPushButton>(w, "Riselezione")->click();
        QVERIFY(!w.namedQuery());
    }

    // The dates a predefined period writes into "dal" and "al" parse back in
    // every locale, month names and long formats included: opening on a
    // saved "Oggi" and reselecting raise no message.
    void periodDatesInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char* name : {"C", "it_IT", "en_US", "de_DE", "hu_HU", "ko_KR", "fi_FI"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void periodDatesInEveryLocale()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        struct Restore {
            ~Restore() { testsupport::pinItalianLocale(); }
        } restore;
        Fixture f;
        f.clock.set(dt::encode(2001, 12, 10, 18, 30)); // two-digit day: "10 Dec 2001" in C
        QVERIFY(TSettingsStore(f.registry).setPeriod(TSettingsStore::Period::Oggi, true));
        TfConn w(f.context());
        w.show();
        QTRY_VERIFY(child<QRadioButton>(w, "oggi")->isChecked());
        const QString today = fmt::formatShortDate(dt::encodeDate(2001, 12, 10));
        for (const char* name : {"dal", "al"}) {
            const QString text = child<QComboBox>(w, name)->currentText();
            QCOMPARE(text, today);
            const std::optional<TDateTime> back = fmt::parseShortDate(text, 2001);
            QVERIFY2(back && dt::toQDate(*back) == QDate(2001, 12, 10), qPrintable(text));
        }
        child<QPushButton>(w, "Riselezione")->click();
        QCOMPARE(f.prompt.texts(), QStringList());
    }

    // Texts the design column widths cannot hold in the system font (row
    // numbers of six digits, a total of ten, its Euro line) widen their
    // columns; the description gives the room.
    void textsFitTheirColumns()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        const int design[] = {71, 71, 71, 71, 118, 161, 121};

        const int count = 100000;
        const QByteArray one =
            selectiontest::conn(1, 10, 0, 3600, 99999.0f, QStringLiteral("0101"),
                                QStringLiteral("Alfa"), QStringLiteral("Interurbana"))
                .toBytes();
        QVERIFY(archivetest::writeFileBytes(f.dir.path() + QStringLiteral("/Archivio.sto"),
                                            one.repeated(count)));
        TfConn w(f.context());
        // An archive this long is read a slice at a time.
        QTRY_COMPARE_WITH_TIMEOUT(w.work(), TfConn::Work::None, 20000);
        QCOMPARE(w.selection().count(), count);
        const int totals = w.rowCount() - 1;
        const QStringList cost = w.cellTexts(totals, 4);
        QCOMPARE(cost.size(), 2);
        QVERIFY(cost[0].size() >= 13); // "9.999.900.672" or near: float sums
        auto fits = [&](const QString& text, int points, bool bold, int width) {
            QFont font = w.font();
            font.setPointSize(points);
            font.setBold(bold);
            return QFontMetrics(font).horizontalAdvance(text) + 4 <= width;
        };
        QVERIFY2(fits(cost[0], 12, true, w.grid()->columnWidth(3)), qPrintable(cost[0]));
        QVERIFY2(fits(cost[1], 9, false, w.grid()->columnWidth(3)), qPrintable(cost[1]));
        QVERIFY(fits(QStringLiteral("n. %1").arg(count), 8, false,
                     w.grid()->verticalHeader()->width()));
        // What the other columns grew by, the description gave.
        int grown = w.grid()->verticalHeader()->width() - TfConn::FixedColumnWidth;
        for (int c = 1; c < TfConn::ColumnCount; ++c) {
            if (c != 6) {
                QVERIFY(w.grid()->columnWidth(c - 1) >= design[c - 1]);
                grown += w.grid()->columnWidth(c - 1) - design[c - 1];
            }
        }
        QVERIFY(grown > 0);
        QCOMPARE(w.grid()->columnWidth(5), std::max(60, 161 - grown));
        QCOMPARE(w.grid()->columnWidth(4), 118); // its texts are cut, as designed
    }

    void savedPeriodOnShowing()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        QVERIFY(TSettingsStore(f.registry).setPeriod(TSettingsStore::Period::Ult15gg, true));
        QVERIFY(TSettingsStore(f.registry).setPeriod(TSettingsStore::Period::UltMese, true));
        TfConn w(f.context());
        QCOMPARE(listed(w), (QList<int>{0, 1, 2, 5, 6})); // the saved query first
        w.show();
        QTRY_VERIFY(child<QRadioButton>(w, "Ult15gg")->isChecked());
        QCOMPARE(child<QComboBox>(w, "dal")->currentText(), QStringLiteral("19/02/2001"));
        QCOMPARE(listed(w), (QList<int>{0, 1, 2, 5}));
        QVERIFY(!w.namedQuery());
    }

    void settingsKeptAtClose()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        {
            TfConn w(f.context());
            child<QRadioButton>(w, "UltSett")->click();
        }
        const TSettingsStore store(f.registry);
        QCOMPARE(store.fDescrizioneAttuale(), Marzo);
        QVERIFY(store.period(TSettingsStore::Period::UltSett));
        QVERIFY(!store.period(TSettingsStore::Period::Oggi, true));
        QVERIFY(!store.period(TSettingsStore::Period::UltMese));
    }

    void periodMoves_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("dal");
        QTest::addColumn<QString>("al");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("newDal");
        QTest::addColumn<QString>("newAl");
        QTest::newRow("days forward") << ""
                                      << "01/03/2001"
                                      << "03/03/2001" << true << "04/03/2001"
                                      << "06/03/2001";
        QTest::newRow("days back") << ""
                                   << "01/03/2001"
                                   << "03/03/2001" << false << "26/02/2001"
                                   << "28/02/2001";
        QTest::newRow("month") << "ultMese"
                               << "01/02/2001"
                               << "28/02/2001" << true << "01/03/2001"
                               << "31/03/2001";
        QTest::newRow("bimester back") << "ultBimestre"
                                       << "01/03/2001"
                                       << "30/04/2001" << false << "01/01/2001"
                                       << "28/02/2001";
    }
    void periodMoves()
    {
        QFETCH(QString, radio);
        QFETCH(QString, dal);
        QFETCH(QString, al);
        QFETCH(bool, forward);
        QFETCH(QString, newDal);
        QFETCH(QString, newAl);
        Fixture f;
        TfConn w(f.context());
        if (!radio.isEmpty())
            child<QRadioButton>(w, radio.toLatin1().constData())->setChecked(true);
        child<QComboBox>(w, "dal")->setEditText(dal);
        child<QComboBox>(w, "al")->setEditText(al);
        child<QCheckBox>(w, "TarTutti")->setChecked(true);
        child<QComboBox>(w, "Descriz")->setEditText(QStringLiteral("<predefinita>"));
        QVERIFY(w.readFilter());
        child<QToolButton>(w, forward ? "Piu" : "Meno")->click();
        QCOMPARE(child<QComboBox>(w, "dal")->currentText(), newDal);
        QCOMPARE(child<QComboBox>(w, "al")->currentText(), newAl);
        QCOMPARE(child<QComboBox>(w, "Descriz")->currentText(), QStringLiteral("<predefinita>"));
        if (!radio.isEmpty())
            QVERIFY(child<QRadioButton>(w, radio.toLatin1().constData())->isChecked());
        QCOMPARE(dt::toQDate(w.currentQuery().dal), QDate::fromString(newDal, "dd/MM/yyyy"));
    }

    void filterFromControls()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        child<QCheckBox>(w, "ProvTutti")->setChecked(false);
        child<QComboBox>(w, "provider")->setEditText(QStringLiteral("Alfa"));
        child<QPushButton>(w, "Riselezione")->click();
        QCOMPARE(listed(w), (QList<int>{0, 2, 6}));
        child<QComboBox>(w, "tel")->setEditText(QStringLiteral("0101"));
        child<QPushButton>(w, "Riselezione")->click();
        QCOMPARE(listed(w), (QList<int>{0, 2}));

        // A tariff that is no profile: said, and applied all the same.
        child<QCheckBox>(w, "TarTutti")->setChecked(false);
        child<QComboBox>(w, "NomeTar")->setEditText(QStringLiteral("Sparita"));
        child<QPushButton>(w, "Riselezione")->click();
        QCOMPARE(f.prompt.texts(),
                 QStringList{"La Tabella Tariffe indicata nella Interrogazione Selezionata "
                             "(Gestore Telefonico) Non esiste o è stata Eliminata."});
        QCOMPARE(f.prompt.requests().first().title, QStringLiteral("Informazione..."));
        QCOMPARE(listed(w), QList<int>{});
        QCOMPARE(w.rowCount(), 3);
        QCOMPARE(w.cellTexts(2, 3), QStringList{"0, 00:00:00"});
        QCOMPARE(w.cellTexts(1, 7), QStringList{});
    }

    void badDate()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        const SavedQuery before = w.currentQuery();
        child<QComboBox>(w, "al")->setEditText(QStringLiteral("31/02/2001"));
        child<QPushButton>(w, "Riselezione")->click();
        QCOMPARE(f.prompt.texts(), (QStringList{"Data Errata !", "Dati della Selezione Errati !"}));
        QCOMPARE(f.prompt.requests().at(1).title, QStringLiteral("Errore..."));
        QCOMPARE(f.prompt.requests().at(1).icon, PromptIcon::Error);
        QCOMPARE(w.currentQuery().dal, before.dal);
        QCOMPARE(listed(w), (QList<int>{0, 1, 2, 5, 6}));
    }

    void missingQueryFile_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(PbNo);
        QTest::newRow("Yes") << int(PbYes);
    }
    void missingQueryFile()
    {
        QFETCH(int, answer);
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.saveQuery(QStringLiteral("Vanita"), 1, 3);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        QVERIFY(f.queries.remove(QStringLiteral("Vanita")));
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        descriz->setCurrentIndex(descriz->findText(QStringLiteral("Vanita")));
        f.prompt.answerNext(answer);
        emit descriz->activated(descriz->currentIndex());
        QCOMPARE(f.prompt.texts(), QStringList{"Creo la nuova descrizione <Vanita> ?"});
        QCOMPARE(f.prompt.requests().first().defaultButton, int(PbNo));
        QCOMPARE(f.queries.exists(QStringLiteral("Vanita")), answer == PbYes);
        // Either way the controls show the current query (March's, kept).
        QCOMPARE(child<QComboBox>(w, "dal")->currentText(), QStringLiteral("01/03/2001"));
    }

    void currentDescriptionNotSaved()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(QStringLiteral("Nessuna"));
        TfConn w(f.context());
        QCOMPARE(w.currentDescription(), QString());
        QVERIFY(f.prompt.requests().isEmpty());
        // The current query is the last one read while listing (March).
        QCOMPARE(w.rowCount(), 7);
    }

    void newQuery()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        child<QComboBox>(w, "dal")->setEditText(QStringLiteral("02/03/2001"));
        child<QComboBox>(w, "al")->setEditText(QStringLiteral("04/03/2001"));
        child<QComboBox>(w, "tel")->setEditText(QStringLiteral("0303"));
        child<QComboBox>(w, "provider")->setEditText(QStringLiteral("Zeta"));
        child<QCheckBox>(w, "ProvTutti")->setChecked(false);
        descriz->setEditText(QStringLiteral("Settimana"));
        QTest::keyClick(descriz, Qt::Key_Return);
        QCOMPARE(f.prompt.texts(), QStringList{"La nuova descrizione è stata salvata."});
        QCOMPARE(items(descriz), (QStringList{Marzo, "Settimana"}));
        QCOMPARE(w.currentDescription(), QStringLiteral("Settimana"));
        QCOMPARE(items(child<QComboBox>(w, "dal")), (QStringList{"01/03/2001", "02/03/2001"}));
        QVERIFY(items(child<QComboBox>(w, "provider")).contains(QStringLiteral("Zeta")));
        SavedQuery q;
        QVERIFY(f.queries.load(QStringLiteral("Settimana"), q));
        QCOMPARE(q.descriz, QStringLiteral("Settimana"));
        QCOMPARE(dt::toQDate(q.dal), QDate(2001, 3, 2));
        QCOMPARE(dt::toQDate(q.al), QDate(2001, 3, 4));
        QCOMPARE(q.tel, QStringLiteral("0303"));
        QCOMPARE(q.provider, QStringLiteral("Zeta"));
        QVERIFY(!q.provTutti);
        QVERIFY(q.tarTutti);

        // Enter on an existing item creates nothing more.
        f.prompt.clear();
        QTest::keyClick(descriz, Qt::Key_Return);
        QVERIFY(f.prompt.texts().isEmpty());
    }

    void newQueryRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("reserved")
            << "<predefinita>"
            << "Non posso creare una interrogazione con il nome <predefinita>\r"
               "Questo è un nome riservato al programma!";
        QTest::newRow("not a file name") << "a/b"
                                         << "Cannot create file";
        QTest::newRow("bad date") << "Ok"
                                  << "Data Errata !";
    }
    void newQueryRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        if (name == QLatin1String("Ok"))
            child<QComboBox>(w, "dal")->setEditText(QStringLiteral("x"));
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        descriz->setEditText(name);
        QTest::keyClick(descriz, Qt::Key_Return);
        QCOMPARE(f.prompt.texts().size(), 1);
        QVERIFY2(f.prompt.texts().first().startsWith(message),
                 qPrintable(f.prompt.texts().first()));
        QCOMPARE(items(descriz), QStringList{Marzo});
        QCOMPARE(f.queries.list(), QStringList{Marzo});
        QCOMPARE(w.currentDescription(), Marzo);
    }

    void saveChanges()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        QPushButton* modifica = child<QPushButton>(w, "modifica");
        descriz->setEditText(QString());
        modifica->click();
        descriz->setEditText(QStringLiteral("Altro"));
        modifica->click();
        QCOMPARE(f.prompt.texts(),
                 (QStringList{"Manca la descrizione.\rNon posso effettuare la modifica.",
                              "Non posso effettuare la modifica perchè la descrizione non "
                              "corrisponde a nessuna interrogazione esistente.\r\rSe vuoi "
                              "creare una nuova interrogazione, seleziona nuovamente la "
                              "descrizione e premi <invio>."}));

        descriz->setEditText(Marzo);
        child<QComboBox>(w, "al")->setEditText(QStringLiteral("15/03/2001"));
        f.prompt.clear();
        modifica->click(); // No is the default answer
        QCOMPARE(f.prompt.texts(),
                 QStringList{"Salvo le modifiche alla Descrizione <Marzo 2001> ?"});
        SavedQuery q;
        QVERIFY(f.queries.load(Marzo, q));
        QCOMPARE(dt::toQDate(q.al), QDate(2001, 3, 31));

        f.prompt.answerNext(PbYes);
        modifica->click();
        QVERIFY(f.queries.load(Marzo, q));
        QCOMPARE(dt::toQDate(q.al), QDate(2001, 3, 15));
        QCOMPARE(items(child<QComboBox>(w, "al")), (QStringList{"15/03/2001", "31/03/2001"}));
    }

    void deleteQuery_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("selected");
        QTest::newRow("middle") << QStringList{"A", "B", "C"} << "B" << QStringList{"A", "C"}
                                << "C";
        QTest::newRow("last") << QStringList{"A", "B", "C"} << "C" << QStringList{"A", "B"} << "B";
        QTest::newRow("only") << QStringList{"A"} << "A" << QStringList{} << "";
    }
    void deleteQuery()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, deleted);
        QFETCH(QStringList, left);
        QFETCH(QString, selected);
        Fixture f;
        for (const QString& n : names)
            f.saveQuery(n, 1, 31);
        f.setCurrent(deleted);
        TfConn w(f.context());
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        QCOMPARE(descriz->currentText(), deleted);
        f.prompt.answerNext(PbYes);
        child<QPushButton>(w, "elimina")->click();
        QCOMPARE(f.prompt.texts(), (QStringList{"Elimino la Descrizione Selezionata ?",
                                                "La Descrizione Corrente è stata Cancellata !"}));
        QCOMPARE(f.prompt.requests().last().title, QStringLiteral("Info..."));
        QCOMPARE(items(descriz), left);
        QCOMPARE(f.queries.list(), left);
        QCOMPARE(descriz->currentText(), selected);
        QCOMPARE(w.currentDescription(), left.isEmpty() ? deleted : selected);
    }

    void deleteRefused()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        QComboBox* descriz = child<QComboBox>(w, "Descriz");
        QPushButton* elimina = child<QPushButton>(w, "elimina");
        descriz->setEditText(QStringLiteral("Altro"));
        elimina->click();
        descriz->setEditText(Marzo);
        elimina->click(); // answered No
        QCOMPARE(f.prompt.texts(), (QStringList{"Non posso eliminare questa descrizione.",
                                                "Elimino la Descrizione Selezionata ?"}));
        QVERIFY(f.queries.exists(Marzo));
        // A file already gone: nothing more happens.
        QVERIFY(f.queries.remove(Marzo));
        f.prompt.clear();
        f.prompt.answerNext(PbYes);
        elimina->click();
        QCOMPARE(f.prompt.texts(), QStringList{"Elimino la Descrizione Selezionata ?"});
        QCOMPARE(items(descriz), QStringList{Marzo});
    }

    void gridClicksAndMenu()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        TfConn w(f.context());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget* viewport = w.grid()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, w.cellRect(2, 3).center());
        QCOMPARE(w.currentRow(), 2);
        QVERIFY(w.cellRect(0, 3).isEmpty());

        w.gridRightClick(w.cellRect(6, 2).center()); // the totals row: no menu
        QCOMPARE(w.currentRow(), 6);
        QVERIFY(!w.gridMenu()->isVisible());
        w.gridRightClick(w.cellRect(3, 2).center());
        QCOMPARE(w.currentRow(), 3);
        QVERIFY(w.gridMenu()->isVisible());
        w.gridMenu()->hide();

        // "&Stampa" hands the listed connections to the printed report.
        int printed = -1;
        w.setReportSink([&](const TReport& report, const TReportPrinter::Progress&) {
            printed = report.input().records.size();
        });
        child<QPushButton>(w, "SpeedButton1")->click();
        QCOMPARE(printed, w.selection().records().size());
        QVERIFY(printed > 0);
        QVERIFY(f.prompt.requests().isEmpty());

        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(f.shell.opened,
                 QStringList{f.program.path(QStringLiteral("hlp/riepconness.htm"))});
    }

    void archiveCannotBeOpened()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        QFile::remove(f.program.archive.path());
        QVERIFY(QDir().mkpath(f.program.archive.path()));
        TfConn w(f.context());
        QVERIFY(w.nothingLoaded());
        QVERIFY(f.prompt.texts().first().startsWith(QStringLiteral("Cannot open file")));
        QVERIFY(w.cellTexts(w.rowCount() - 1, 3).isEmpty());
    }

    void openedFromTheBar()
    {
        Fixture f;
        f.saveQuery(Marzo, 1, 31);
        f.setCurrent(Marzo);
        QPointer<QWidget> slot;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfConn*>(slot.data());
            seen = w && w->isVisible() && w->isModal() && w->rowCount() == 7;
            if (w)
                child<QPushButton>(w, "Chiudi")->click();
        });
        QCOMPARE(TfConn::open(f.context(), &slot), int(QDialog::Accepted));
        QVERIFY(seen);
        QVERIFY(slot.isNull());
    }
};

QTEST_MAIN(TstConnWindow)
#include "tst_connwindow.moc"
