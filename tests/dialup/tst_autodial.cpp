// The dialler's windows offscreen: the dialler filled from the phone book and
// the stored choices, what closing it stores, the order list's buttons and
// colours, the dialling-status window's texts for each state, and the
// credentials prompt before a dial.

#include "app/Watch.h"
#include "app/WindowContexts.h"
#include "dialup/uAutoDial.h"
#include "dialup/uStato.h"
#include "dialup/uUsrPas.h"
#include "platform/ras/RasTexts.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ModalSupport.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"
#include "tests/watch/WatchFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace
{

// A program over a temporary folder with a fake dial-up service, its watch
// on a fake bar, and a dialler window.
struct World : ProgramFixture {
    watchtest::FakeView view;
    TWatch watch{program.watchContext(), view};

    // A fake dial-up service with these entries, or (simulated) the
    // simulated service of the folder.
    explicit World(const QStringList& entries = {"Zeta", "Alfa", "Beta"}, bool simulated = false)
        : ProgramFixture(simulated ? Options().at(watchtest::monday())
                                   : Options().at(watchtest::monday()).withFakeRas(entries))
    {
        program.settings.tabDefault = QStringLiteral("Prova");
    }

    // Created on the heap: closing destroys it.
    QPointer<TfAutoDial> open() { return new TfAutoDial(autoDialContext(program, watch, nullptr)); }
};

QStringList items(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

std::array<QString, 20> orderSlots(const QStringList& names)
{
    std::array<QString, 20> a;
    for (int i = 0; i < names.size(); ++i)
        a[size_t(i)] = names[i];
    return a;
}

} // namespace

class TestAutoDial : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void opening_data();
    void opening();
    void closingStores_data();
    void closingStores();
    void chiudiBackToAutomatic();
    void unreadablePhoneBookSaid();
    void moveButtons();
    void ordineColours_data();
    void ordineColours();
    void stateTexts_data();
    void stateTexts();
    void statusWindowFitsItsTexts();
    void credentialsPromptBeforeDial();
    void connectsThroughTheStatusWindow();
    void helpKey();
};

void TestAutoDial::opening_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("storedOrder");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QStringList>("ordine");

    QTest::newRow("stored provider in the phone book")
        << "Beta" << QStringList{} << "Beta" << QStringList{"Alfa", "Beta", "Zeta"};
    QTest::newRow("stored provider gone")
        << "Omega" << QStringList{} << "" << QStringList{"Alfa", "Beta", "Zeta"};
    QTest::newRow("stored order first, gone entries kept")
        << "Alfa" << QStringList{"Zeta", "Omega"} << "Alfa"
        << QStringList{"Zeta", "Omega", "Alfa", "Beta"};
    QTest::newRow("order ends at the first empty slot")
        << "Alfa" << QStringList{"Beta", "", "Zeta"} << "Alfa"
        << QStringList{"Beta", "Alfa", "Zeta"};
}

void TestAutoDial::opening()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, storedOrder);

    World w;
    Settings& s = w.program.settings;
    s.provider = stored;
    s.altri = orderSlots(storedOrder);
    s.tentativi1 = 7;
    s.tentativi2 = 3;
    s.rinuncia = false;
    s.prosegui = true;
    s.successivo = true;
    s.interrompi = false;
    w.program.rasState.hangUpRunning = true;

    QPointer<TfAutoDial> d = w.open();
    auto* provider = testsupport::child<QComboBox>(d, "Provider");
    QCOMPARE(items(provider), QStringList({"Alfa", "Beta", "Zeta"}));
    QTEST(provider->currentText(), "provider");
    QTEST(items(testsupport::child<QListWidget>(d, "ordine")), "ordine");
    QCOMPARE(testsupport::child<QLineEdit>(d, "Tentativi1")->text(), QStringLiteral("7"));
    QCOMPARE(testsupport::child<QLineEdit>(d, "tentativi2")->text(), QStringLiteral("3"));
    QVERIFY(testsupport::child<QRadioButton>(d, "prosegui")->isChecked());
    QVERIFY(!testsupport::child<QRadioButton>(d, "Rinuncia")->isChecked());
    QVERIFY(testsupport::child<QRadioButton>(d, "successivo")->isChecked());
    QVERIFY(!testsupport::child<QRadioButton>(d, "interrompi")->isChecked());
    QVERIFY(!w.program.rasState.hangUpRunning);
    QCOMPARE(d->windowTitle(), QStringLiteral("Auto Composizione..."));
    QCOMPARE(testsupport::layoutProblems(d), QString());
    delete d;
}

void TestAutoDial::closingStores_data()
{
    QTest::addColumn<QString>("providerText");
    QTest::addColumn<QString>("tentativi1");
    QTest::addColumn<QString>("tentativi2");
    QTest::addColumn<QString>("storedProvider");
    QTest::addColumn<int>("stored1");
    QTest::addColumn<int>("stored2");

    QTest::newRow("as typed") << "Beta"
                              << "4"
                              << "2"
                              << "Beta" << 4 << 2;
    QTest::newRow("letters") << "Beta"
                             << "dieci"
                             << "x"
                             << "Beta" << 10 << 5;
    QTest::newRow("above 20") << "Beta"
                              << "25"
                              << "25"
                              << "Beta" << 10 << 10;
    QTest::newRow("zero") << "Beta"
                          << "0"
                          << "0"
                          << "Beta" << 0 << 0;
    QTest::newRow("provider not in the list") << "Nuovo"
                                              << "3"
                                              << "3"
                                              << "" << 3 << 3;
    QTest::newRow("no provider") << ""
                                 << "3"
                                 << "3"
                                 << "" << 3 << 3;
}

void TestAutoDial::closingStores()
{
    QFETCH(QString, providerText);
    QFETCH(QString, tentativi1);
    QFETCH(QString, tentativi2);

    World w;
    Settings& s = w.program.settings;
    s.altri = orderSlots({"Zeta", "Omega", "Alfa", "Beta", "Gamma", "Delta"});
    QPointer<TfAutoDial> d = w.open();
    testsupport::child<QComboBox>(d, "Provider")->setEditText(providerText);
    testsupport::child<QLineEdit>(d, "Tentativi1")->setText(tentativi1);
    testsupport::child<QLineEdit>(d, "tentativi2")->setText(tentativi2);
    testsupport::child<QRadioButton>(d, "prosegui")->setChecked(true);
    testsupport::child<QRadioButton>(d, "successivo")->setChecked(true);
    auto* ordine = testsupport::child<QListWidget>(d, "ordine");
    delete ordine->takeItem(ordine->count() - 1); // fewer items than stored slots

    d->show();
    d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(d.isNull());

    QTEST(s.provider, "storedProvider");
    QTEST(int(s.tentativi1), "stored1");
    QTEST(int(s.tentativi2), "stored2");
    QVERIFY(!s.rinuncia);
    QVERIFY(s.prosegui);
    QVERIFY(s.successivo);
    QVERIFY(!s.interrompi);
    QCOMPARE(s.altri, orderSlots({"Zeta", "Omega", "Alfa", "Beta", "Gamma"}));
}

void TestAutoDial::chiudiBackToAutomatic()
{
    World w;
    w.program.watch.mode = WatchMode::Manual;
    w.view.autGreen = false;
    QPointer<TfAutoDial> d = w.open();
    d->show();
    testsupport::child<QPushButton>(d, "SpeedButton1")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(d.isNull());
    QCOMPARE(w.program.watch.mode, WatchMode::Automatic);
    QVERIFY(w.view.autGreen);
    QCOMPARE(w.program.settings.altri[0], QStringLiteral("Alfa"));
}

// Entries that cannot be read (a user outside the group dip) are said once
// the window is up, instead of an empty list with no reason.
void TestAutoDial::unreadablePhoneBookSaid()
{
    World w(QStringList{});
    w.ras->problem = QStringLiteral("Entra nel gruppo dip.");
    QPointer<TfAutoDial> d = w.open();
    QVERIFY(w.prompt.requests().isEmpty());
    QTRY_COMPARE(w.prompt.requests().size(), 1);
    QCOMPARE(w.prompt.requests()[0].text, QStringLiteral("Entra nel gruppo dip."));
    QCOMPARE(w.prompt.requests()[0].icon, PromptIcon::Warning);
    QCOMPARE(testsupport::child<QComboBox>(*d, "Provider")->count(), 0);
    delete d;

    // Readable: nothing to say.
    World ok;
    QPointer<TfAutoDial> d2 = ok.open();
    QTest::qWait(20);
    QVERIFY(ok.prompt.requests().isEmpty());
    delete d2;
}

void TestAutoDial::moveButtons()
{
    World w;
    QPointer<TfAutoDial> d = w.open();
    auto* ordine = testsupport::child<QListWidget>(d, "ordine");
    QCOMPARE(items(ordine), QStringList({"Alfa", "Beta", "Zeta"}));

    ordine->setCurrentRow(-1);
    d->moveDownClick(); // no selection: nothing moves
    QCOMPARE(items(ordine), QStringList({"Alfa", "Beta", "Zeta"}));

    ordine->setCurrentRow(0);
    d->moveUpClick(); // already at the top
    d->moveDownClick();
    QCOMPARE(items(ordine), QStringList({"Beta", "Alfa", "Zeta"}));
    QCOMPARE(ordine->currentRow(), 1);
    d->moveDownClick();
    d->moveDownClick(); // already at the bottom
    QCOMPARE(items(ordine), QStringList({"Beta", "Zeta", "Alfa"}));
    QCOMPARE(ordine->currentRow(), 2);
    d->moveUpClick();
    QCOMPARE(items(ordine), QStringList({"Beta", "Alfa", "Zeta"}));
    QCOMPARE(ordine->currentRow(), 1);
    delete d;
}

void TestAutoDial::ordineColours_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QColor>("text");

    const QColor grey(192, 192, 192);
    QTest::newRow("starting provider") << "Alfa" << false << grey;
    QTest::newRow("starting provider, selected") << "Alfa" << true << grey;
    QTest::newRow("other") << "Beta" << false << QColor(Qt::black);
    QTest::newRow("other, selected") << "Beta" << true << QColor(Qt::white);
}

void TestAutoDial::ordineColours()
{
    QFETCH(QString, item);
    QFETCH(bool, selected);
    QTEST(TfAutoDial::ordineTextColour(item, QStringLiteral("Alfa"), selected), "text");
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
    QCOMPARE(TfAutoDial::ordineBackground(selected, palette),
             selected ? QColor(1, 2, 3) : QColor(Qt::white));
}

void TestAutoDial::stateTexts_data()
{
    QTest::addColumn<uint>("state");
    QTest::addColumn<uint>("error");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0u << 0u << "Apertura Porta...";
    QTest::newRow("1") << 1u << 0u << "Porta Aperta";
    QTest::newRow("2") << 2u << 0u << "Connessione Periferica...";
    QTest::newRow("3") << 3u << 0u << "Periferica Connessa";
    QTest::newRow("4") << 4u << 0u << "Tutte le periferiche connesse";
    QTest::newRow("5") << 5u << 0u << "Autenticazione Password...";
    QTest::newRow("13") << 13u << 0u << "Autentica di nuovo...";
    QTest::newRow("14") << 14u << 0u << "Autenticato";
    QTest::newRow("19") << 19u << 0u << "Inizio Autenticazione...";
    QTest::newRow("21") << 21u << 0u << "Accesso alla rete in corso...";
    QTest::newRow("4099") << 4099u << 0u << "PasswordExpired";
    QTest::newRow("connected") << 0x2000u << 0u << "Connesso";
    QTest::newRow("disconnected") << 0x2001u << 0u << "Disconnesso";
    QTest::newRow("outside the table") << 24u << 0u << "Attesa";
    // The service's own text for the error (the fake service's here).
    QTest::newRow("error shown over the state")
        << 2u << uint(ras::NoDialTone) << QStringLiteral("errore 680");
}

void TestAutoDial::stateTexts()
{
    QFETCH(uint, state);
    QFETCH(uint, error);

    World w;
    w.program.watch.enabled = true;
    w.program.watch.mode = WatchMode::Manual;
    TariffProfiles p;
    p.working = watchtest::liraPerSecond();
    QVERIFY(TProfileFiles(p, w.folder, w.prompt).SaveProfile(QStringLiteral("Prova")));
    TfStato stato;
    TDialProgress progress(w.watch, stato);
    progress.beginAttempt();
    QCOMPARE(testsupport::child<QLabel>(&stato, "sb1Panel0")->text(), TfStato::StatoText);

    progress.notifier()({9, ras::DialEventMessage, state, error, 0});
    QVERIFY(stato.statusText().isEmpty()); // not before the window thread gets to it
    QCoreApplication::processEvents();
    QTEST(stato.statusText(), "text");
}

// The status window keeps its 300 pixels for short texts, and widens for a
// long entry name or state rather than cutting it.
void TestAutoDial::statusWindowFitsItsTexts()
{
    TfStato stato;
    const QString longName = QStringLiteral("Collegamento Aziendale Principale Numero Verde 01");
    QList<int> widths;
    const auto fits = [&](QWidget* s) {
        QCOMPARE(testsupport::layoutProblems(s), QString());
        widths << s->width();
    };
    for (const QString& entry : {QStringLiteral("Casa"), longName}) {
        testsupport::whenShown<TfStato>([&](TfStato* s) {
            fits(s);
            stato.setStatusText(QStringLiteral("Verifica del nome utente e della password in "
                                               "corso presso il server del provider..."));
            fits(s);
            stato.done(AttemptResult::Cancelled);
        });
        stato.run(QStringLiteral("Tentativo 1 di 1 con"), entry, QStringLiteral("0701234567"));
    }
    QCOMPARE(widths.size(), 4);
    QCOMPARE(widths[0], 300);
    QVERIFY(widths[1] > 300);
    QVERIFY(widths[2] > 300);
}

void TestAutoDial::credentialsPromptBeforeDial()
{
    World w;
    TProviderRecord r;
    r.entryName = QStringLiteral("Alfa");
    r.phoneNumber = QStringLiteral("0701");
    QCOMPARE(r.save(w.folder, w.prompt), TProviderRecord::SaveResult::Saved);
    w.program.settings.provider = QStringLiteral("Alfa");
    w.program.settings.tentativi1 = 1;
    QPointer<TfAutoDial> d = w.open();
    d->show();

    QString promptTitle, promptEntry;
    testsupport::whenShown<TfUsrPas>([&](TfUsrPas* u) {
        promptTitle = u->windowTitle();
        promptEntry = testsupport::child<QLabel>(u, "provider")->text();
        auto* pass = testsupport::child<QLineEdit>(u, "pass");
        QCOMPARE(pass->echoMode(), QLineEdit::Password);
        QCOMPARE(pass->maxLength(), 60);
        QTest::keyClicks(testsupport::child<QLineEdit>(u, "user"), QStringLiteral("mario"));
        QTest::keyClicks(pass, QStringLiteral("segreta"));
        QTest::keyClick(pass, Qt::Key_Return); // Enter closes the prompt
        testsupport::whenShown<TfStato>([&](TfStato* s) {
            QVERIFY(!d->isVisible()); // the dialler steps aside while dialling
            QCOMPARE(testsupport::child<QLabel>(s, "tenta")->text(),
                     QStringLiteral("Tentativo 1 di 1 con"));
            QCOMPARE(testsupport::child<QLabel>(s, "provider")->text(), QStringLiteral("Alfa"));
            QCOMPARE(testsupport::child<QLabel>(s, "numtel")->text(), QStringLiteral("0701"));
            testsupport::child<QPushButton>(s, "annulla")->click();
        });
    });
    QCOMPARE(d->okClick(), TAutoDialPlan::Outcome::Cancelled);

    QCOMPARE(promptTitle, QStringLiteral("Richiesta dati..."));
    QCOMPARE(promptEntry, QStringLiteral("Alfa"));
    QCOMPARE(w.ras->dials.size(), 1);
    QCOMPARE(w.ras->dials[0].userName, QStringLiteral("mario"));
    QCOMPARE(w.ras->dials[0].password, QStringLiteral("segreta"));
    QCOMPARE(w.ras->hungUp, QList<RasHandle>{w.ras->nextDialHandle});
    QCOMPARE(d->stato().statusText(), TfStato::CancellingText);
    QCOMPARE(w.prompt.texts(), QStringList{TAutoDialPlan::CancelledText});
    QVERIFY(d->isVisible());
    // Only the record in memory holds what was typed.
    TProviderRecord stored;
    stored.load(w.folder, QStringLiteral("Alfa"), w.prompt);
    QVERIFY(stored.userName.isEmpty());
    delete d;
}

void TestAutoDial::connectsThroughTheStatusWindow()
{
    World w({}, true);
    QVERIFY(QDir().mkpath(w.folder + QStringLiteral("ras-sim")));
    QVERIFY(testsupport::writeFileBytes(w.folder + QStringLiteral("ras-sim/rasphone.pbk"),
                                        "[Alfa]\nPhoneNumber=0701\nSimStepMs=2\n"));
    TProviderRecord r;
    r.entryName = QStringLiteral("Alfa");
    r.userName = QStringLiteral("u");
    r.password = QStringLiteral("p");
    r.phoneNumber = QStringLiteral("0701");
    QCOMPARE(r.save(w.folder, w.prompt), TProviderRecord::SaveResult::Saved);
    TariffProfiles p;
    p.working = watchtest::liraPerSecond();
    QVERIFY(TProfileFiles(p, w.folder, w.prompt).SaveProfile(QStringLiteral("Prova")));
    w.program.settings.provider = QStringLiteral("Alfa");
    w.program.watch.enabled = true;
    w.program.watch.mode = WatchMode::Manual;

    QPointer<TfAutoDial> d = w.open();
    d->show();
    QCOMPARE(d->okClick(), TAutoDialPlan::Outcome::Connected);
    QCOMPARE(d->stato().statusText(), QStringLiteral("Connesso"));
    QVERIFY(!d->stato().isVisible());
    QVERIFY(!d->isVisible());
    QCOMPARE(w.program.watch.mode, WatchMode::Automatic);
    QVERIFY(w.program.watch.running);
    QCOMPARE(w.program.watch.light, Light::Green);
    QVERIFY(w.prompt.texts().isEmpty());
    delete d;
}

void TestAutoDial::helpKey()
{
    World w;
    QPointer<TfAutoDial> d = w.open();
    d->show();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QTest::keyClick(d, Qt::Key_F1);
    QCOMPARE(w.shell.opened, QStringList{w.folder + QStringLiteral("hlp/finavvio.htm")});

    TfUsrPas u(w.shell, w.prompt, w.folder);
    u.show();
    QVERIFY(QTest::qWaitForWindowActive(&u));
    QCOMPARE(testsupport::layoutProblems(&u), QString());
    QTest::keyClick(&u, Qt::Key_F1);
    QCOMPARE(w.shell.opened.size(), 2);
    QCOMPARE(w.shell.opened.last(), w.folder + QStringLiteral("hlp/finavvio.htm"));
    delete d;
}

QTEST_MAIN(TestAutoDial)
#include "tst_autodial.moc"
