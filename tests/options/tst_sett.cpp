// The options window built offscreen: its pages and controls, "&Ok" and
// "&Chiudi", the refused values, the provider page on real record files, the
// shortcuts of the "Menù" page and the help key.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "dialup/ProviderRecord.h"
#include "options/uSett.h"
#include "options/uSplash.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <unistd.h>

using testsupport::child;

namespace
{

struct Fixture : ProgramFixture {
    Fixture() : ProgramFixture(Options().withFakeRas())
    {
        QDir(folder).mkdir(QStringLiteral("Trf"));
    }
    void addProfile(const QString& name) { QVERIFY(addProfileFile(name)); }
    std::unique_ptr<TfSett> open(TfSett::Page page = TfSett::Page::Avvio, SettHooks hooks = {})
    {
        return std::make_unique<TfSett>(settContext(program), std::move(hooks), page);
    }
    Settings saved() const
    {
        TMemRegistry copy = registry;
        Settings s;
        TSettingsStore(copy).load(s);
        return s;
    }
};

QLineEdit* edit(QWidget& w, const char* name)
{
    return child<QLineEdit>(w, QLatin1String(name));
}

void click(QWidget& w, const char* name)
{
    QPushButton* b = child<QPushButton>(w, QLatin1String(name));
    QVERIFY(b);
    b->click();
}

} // namespace

class TestSett : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void window();
    void controls_data();
    void controls();
    void opensOnTheMenuPage();
    void fieldsFromSettings();
    void okStoresSavesAndSetsShortcut_data();
    void okStoresSavesAndSetsShortcut();
    void chiudiStoresNothing();
    void refusedValues_data();
    void refusedValues();
    void hooksOfTheBar();
    void failuresReported();
    void providerRecordSavedAndShown();
    void providerProfileNoLongerListed();
    void longProviderNameSaved();
    void providerSaveFailureSaysWhy();
    void noProviders();
    void serviceInUse();
    void unknownProviderRefused();
    void oraEsatta_data();
    void oraEsatta();
    void folders();
    void webPages();
    void helpPages_data();
    void helpPages();
    void aboutWindow();
};

void TestSett::window()
{
    Fixture f;
    auto w = f.open();
    QCOMPARE(w->windowTitle(), QStringLiteral("Opzioni..."));
    QCOMPARE(w->size(), QSize(347, 337));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    auto* ts1 = child<QTabBar>(*w, QStringLiteral("TS1"));
    auto* nb1 = child<QStackedWidget>(*w, QStringLiteral("NB1"));
    QVERIFY(ts1 && nb1);
    QCOMPARE(ts1->count(), 4);
    w->show(); // the pages take their place as the window is laid out
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QStringList tabs{"Avvio", QString::fromUtf8("Menù"), "Providers", "Valuta"};
    const QStringList pages{"AvvNote", "MenuNote", "ProviderNote", "ValNote"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(ts1->tabText(i), tabs[i]);
        QCOMPARE(nb1->widget(i)->objectName(), pages[i]);
        ts1->setCurrentIndex(i);
        QCOMPARE(nb1->currentIndex(), i);
        QCOMPARE(w->currentPage(), TfSett::Page(i));
        QCOMPARE(testsupport::layoutProblems(w.get()), QString());
    }
    QVERIFY(ts1->styleSheet().contains(QLatin1String("lime")));
    QCOMPARE(child<QPushButton>(*w, "Ok")->text(), QStringLiteral("&Ok"));
    QCOMPARE(child<QPushButton>(*w, "Chiudi")->text(), QStringLiteral("&Chiudi"));
}

void TestSett::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength");
    const auto row = [](const char* name, const char* page, const char* kind, const char* text,
                        int max = 0) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(page)
                            << QString::fromLatin1(kind) << QString::fromUtf8(text) << max;
    };
    row("edDialTime", "AvvNote", "QLineEdit", "");
    row("edAvviaWind", "AvvNote", "QCheckBox", "Avvia con Windows");
    row("edNormWind", "AvvNote", "QRadioButton", "Finestra normale");
    row("edridottoIcona", "AvvNote", "QRadioButton", "Ridotto a icona");
    row("edMostraSeConn", "AvvNote", "QCheckBox", "Mostra quando Connesso");
    row("OraEsatta", "MenuNote", "QPushButton", "&Ora Esatta");
    row("CartProg", "MenuNote", "QPushButton", "Cart. Prog.");
    row("CartTariffe", "MenuNote", "QPushButton", "Cart. Tariffe");
    row("About", "MenuNote", "QPushButton", "Tarvelo!");
    row("Provider", "ProviderNote", "QComboBox", "", 60);
    row("Button3", "ProviderNote", "QPushButton", "&Salva i Dati");
    row("username", "ProviderNote", "QLineEdit", "", 60);
    row("password", "ProviderNote", "QLineEdit", "", 60);
    row("Numtel", "ProviderNote", "QLineEdit", "", 25);
    row("ApplicaTab", "ProviderNote", "QComboBox", "", 50);
    row("homepage", "ProviderNote", "QLineEdit", "", 100);
    row("VaiHome", "ProviderNote", "QPushButton", "&Vai");
    row("userpage", "ProviderNote", "QLineEdit", "", 100);
    row("VaiUser", "ProviderNote", "QPushButton", "&Vai");
    row("edIva", "ValNote", "QLineEdit", "");
    row("litecu", "ValNote", "QLineEdit", "");
}

void TestSett::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, page);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    Fixture f;
    auto w = f.open();
    QWidget* pageWidget = child<QWidget>(*w, page);
    QVERIFY(pageWidget);
    QWidget* c = child<QWidget>(*pageWidget, name);
    QVERIFY(c);
    QVERIFY(c->inherits(qPrintable(kind)));
    if (auto* b = qobject_cast<QAbstractButton*>(c))
        QCOMPARE(b->text(), text);
    if (maxLength) {
        auto* e = qobject_cast<QLineEdit*>(c);
        if (auto* combo = qobject_cast<QComboBox*>(c))
            e = combo->lineEdit();
        QVERIFY(e);
        QCOMPARE(e->maxLength(), maxLength);
    }
}

void TestSett::opensOnTheMenuPage()
{
    Fixture f;
    auto w = f.open(TfSett::Page::Menu);
    QCOMPARE(w->currentPage(), TfSett::Page::Menu);
    QCOMPARE(child<QTabBar>(*w, QStringLiteral("TS1"))->currentIndex(), 1);
    QCOMPARE(child<QStackedWidget>(*w, QStringLiteral("NB1"))->currentWidget()->objectName(),
             QStringLiteral("MenuNote"));
}

void TestSett::fieldsFromSettings()
{
    Fixture f;
    Settings& s = f.program.settings;
    s.dialTime = 8;
    s.avviaWind = true;
    s.normWind = false;
    s.ridottoIcona = true;
    s.mostraSeConn = true;
    s.iva = 4;
    s.cambioEcu = 1936.27f;
    auto w = f.open();
    QCOMPARE(edit(*w, "edDialTime")->text(), QStringLiteral("8"));
    QVERIFY(child<QCheckBox>(*w, "edAvviaWind")->isChecked());
    QVERIFY(!child<QRadioButton>(*w, "edNormWind")->isChecked());
    QVERIFY(child<QRadioButton>(*w, "edridottoIcona")->isChecked());
    QVERIFY(child<QCheckBox>(*w, "edMostraSeConn")->isChecked());
    QCOMPARE(edit(*w, "edIva")->text(), QStringLiteral("4"));
    QCOMPARE(edit(*w, "litecu")->text(), QStringLiteral("1936,27"));

    s.normWind = false;
    s.ridottoIcona = false;
    auto neither = f.open();
    QVERIFY(!child<QRadioButton>(*neither, "edNormWind")->isChecked());
    QVERIFY(!child<QRadioButton>(*neither, "edridottoIcona")->isChecked());
}

void TestSett::okStoresSavesAndSetsShortcut_data()
{
    QTest::addColumn<bool>("avvia");
    QTest::newRow("start with the system") << true;
    QTest::newRow("do not start with the system") << false;
}

void TestSett::okStoresSavesAndSetsShortcut()
{
    QFETCH(bool, avvia);
    Fixture f;
    f.program.settings.avviaWind = !avvia;
    auto w = f.open();
    edit(*w, "edDialTime")->setText(QStringLiteral("-5"));
    child<QCheckBox>(*w, "edAvviaWind")->setChecked(avvia);
    child<QRadioButton>(*w, "edridottoIcona")->setChecked(true);
    child<QCheckBox>(*w, "edMostraSeConn")->setChecked(true);
    edit(*w, "edIva")->setText(QStringLiteral("10"));
    edit(*w, "litecu")->setText(QStringLiteral("2000,5"));
    click(*w, "Ok");

    QCOMPARE(w->result(), int(QDialog::Accepted));
    QVERIFY(f.prompt.requests().isEmpty());
    QCOMPARE(f.shell.shortcutCalls, QList<bool>{avvia});
    for (const Settings& s : {f.program.settings, f.saved()}) {
        QCOMPARE(s.dialTime, -5);
        QCOMPARE(s.avviaWind, avvia);
        QVERIFY(!s.normWind);
        QVERIFY(s.ridottoIcona);
        QVERIFY(s.mostraSeConn);
        QCOMPARE(s.iva, 10);
        QCOMPARE(s.cambioEcu, 2000.5f);
    }
}

void TestSett::chiudiStoresNothing()
{
    Fixture f;
    auto w = f.open();
    edit(*w, "edDialTime")->setText(QStringLiteral("30"));
    child<QCheckBox>(*w, "edAvviaWind")->setChecked(true);
    edit(*w, "edIva")->setText(QStringLiteral("10"));
    click(*w, "Chiudi");
    QCOMPARE(w->result(), int(QDialog::Rejected));
    QCOMPARE(f.program.settings.dialTime, 0);
    QCOMPARE(f.program.settings.iva, 20);
    QVERIFY(!f.program.settings.avviaWind);
    QVERIFY(f.shell.shortcutCalls.isEmpty());
    QCOMPARE(f.registry.commitCount(), 0);
}

void TestSett::refusedValues_data()
{
    QTest::addColumn<QString>("iva");
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<QString>("dialTime");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("dialTimeAfter");
    QTest::newRow("VAT zero") << "0"
                              << "1936,27"
                              << "5"
                              << "L'IVA deve essere maggiore di zero!"
                              << "5";
    QTest::newRow("VAT negative") << "-1"
                                  << "1936,27"
                                  << "5"
                                  << "L'IVA deve essere maggiore di zero!"
                                  << "5";
    QTest::newRow("rate with a point") << "10"
                                       << "1936.27"
                                       << "5"
                                       << "Valore del cambio Non valido !"
                                       << "5";
    QTest::newRow("dial time with decimals") << "10"
                                             << "1936,27"
                                             << "2,5"
                                             << "Deve essere un valore numerico intero e positivo !"
                                             << "0";
}

void TestSett::refusedValues()
{
    QFETCH(QString, iva);
    QFETCH(QString, cambio);
    QFETCH(QString, dialTime);
    QFETCH(QString, text);
    Fixture f;
    auto w = f.open();
    child<QCheckBox>(*w, "edAvviaWind")->setChecked(true);
    edit(*w, "edIva")->setText(iva);
    edit(*w, "litecu")->setText(cambio);
    edit(*w, "edDialTime")->setText(dialTime);
    click(*w, "Ok");

    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& r = f.prompt.requests().first();
    QCOMPARE(r.text, text);
    QCOMPARE(r.title, QStringLiteral("Informazione..."));
    QCOMPARE(r.icon, PromptIcon::Information);
    QTEST(edit(*w, "edDialTime")->text(), "dialTimeAfter");
    // The window stays open and nothing is in force or saved.
    QCOMPARE(w->result(), 0);
    QCOMPARE(f.program.settings.iva, 20);
    QCOMPARE(f.program.settings.cambioEcu, 1936.27f);
    QCOMPARE(f.program.settings.dialTime, 0);
    QVERIFY(!f.program.settings.avviaWind);
    QVERIFY(f.shell.shortcutCalls.isEmpty());
    QCOMPARE(f.registry.commitCount(), 0);
}

void TestSett::hooksOfTheBar()
{
    Fixture f;
    QList<bool> shortcut;
    int saves = 0;
    int shortcutsBeforeSave = -1;
    SettHooks hooks;
    hooks.startupShortcut = [&](bool on, QString*) {
        shortcut.append(on);
        return true;
    };
    hooks.saveSettings = [&](QString*) {
        ++saves;
        shortcutsBeforeSave = int(shortcut.size());
        return true;
    };
    auto w = f.open(TfSett::Page::Avvio, hooks);
    child<QCheckBox>(*w, "edAvviaWind")->setChecked(true);
    click(*w, "Ok");
    QCOMPARE(shortcut, QList<bool>{true});
    QCOMPARE(saves, 1);
    QCOMPARE(shortcutsBeforeSave, 1); // the shortcut comes first
    QVERIFY(f.shell.shortcutCalls.isEmpty());
    QCOMPARE(f.registry.commitCount(), 0);
    QCOMPARE(w->result(), int(QDialog::Accepted));
}

void TestSett::failuresReported()
{
    Fixture f;
    SettHooks hooks;
    hooks.startupShortcut = [](bool, QString* why) {
        *why = QStringLiteral("cartella di avvio non scrivibile");
        return false;
    };
    hooks.saveSettings = [](QString* why) {
        *why = QStringLiteral("disco pieno");
        return false;
    };
    auto w = f.open(TfSett::Page::Avvio, hooks);
    child<QCheckBox>(*w, "edAvviaWind")->setChecked(true);
    edit(*w, "edIva")->setText(QStringLiteral("10"));
    click(*w, "Ok");
    QCOMPARE(f.prompt.texts(),
             QStringList({QStringLiteral("Impossibile creare il collegamento di avvio.\r"
                                         "cartella di avvio non scrivibile"),
                          QStringLiteral("Impossibile salvare le impostazioni.\rdisco pieno")}));
    // The values are in force all the same and the window closes.
    QCOMPARE(f.program.settings.iva, 10);
    QCOMPARE(w->result(), int(QDialog::Accepted));

    // A shortcut that cannot be removed is not worth a message.
    f.prompt.clear();
    hooks.saveSettings = [](QString*) { return true; };
    auto off = f.open(TfSett::Page::Avvio, hooks);
    child<QCheckBox>(*off, "edAvviaWind")->setChecked(false);
    click(*off, "Ok");
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestSett::providerRecordSavedAndShown()
{
    Fixture f;
    f.addProfile(QStringLiteral("urbana"));
    f.addProfile(QStringLiteral("Notturna"));
    f.ras->names = {QStringLiteral("Tiscali"), QStringLiteral("Albacom")};
    {
        auto w = f.open(TfSett::Page::Providers);
        auto* provider = child<QComboBox>(*w, "Provider");
        QCOMPARE(provider->count(), 2);
        QCOMPARE(provider->itemText(0), QStringLiteral("Albacom"));
        QCOMPARE(provider->currentText(), QStringLiteral("Albacom"));
        auto* tab = child<QComboBox>(*w, "ApplicaTab");
        QCOMPARE(tab->count(), 2);
        QCOMPARE(tab->itemText(0), QStringLiteral("Notturna"));
        QCOMPARE(tab->currentText(), QString());
        QCOMPARE(edit(*w, "password")->echoMode(), QLineEdit::Password);

        provider->setCurrentIndex(1);
        provider->textActivated(provider->currentText());
        edit(*w, "username")->setText(QStringLiteral("mario"));
        edit(*w, "password")->setText(QStringLiteral("segreta"));
        edit(*w, "Numtel")->setText(QStringLiteral("0701234567"));
        tab->setCurrentIndex(tab->findText(QStringLiteral("urbana")));
        edit(*w, "homepage")->setText(QStringLiteral("http://www.tiscali.it"));
        edit(*w, "userpage")->setText(QStringLiteral("http://utenti.tiscali.it"));
        click(*w, "Button3");
        QVERIFY(f.prompt.requests().isEmpty());
        click(*w, "Chiudi"); // the record stays saved
    }
    const QString path = f.program.path(QStringLiteral("Tiscali.ras"));
    QCOMPARE(QFileInfo(path).size(), qint64(TProviderRecord::Size));
    QCOMPARE(QFile::permissions(path) & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadUser | QFileDevice::WriteUser);
    QVERIFY(!testsupport::readFileBytes(path).contains("segreta"));

    auto w = f.open(TfSett::Page::Providers);
    auto* provider = child<QComboBox>(*w, "Provider");
    provider->setCurrentIndex(1);
    provider->textActivated(QStringLiteral("Tiscali"));
    QCOMPARE(edit(*w, "username")->text(), QStringLiteral("mario"));
    QCOMPARE(edit(*w, "password")->text(), QStringLiteral("segreta"));
    QCOMPARE(edit(*w, "Numtel")->text(), QStringLiteral("0701234567"));
    QCOMPARE(child<QComboBox>(*w, "ApplicaTab")->currentText(), QStringLiteral("urbana"));
    QCOMPARE(edit(*w, "homepage")->text(), QStringLiteral("http://www.tiscali.it"));
    QCOMPARE(edit(*w, "userpage")->text(), QStringLiteral("http://utenti.tiscali.it"));
    QCOMPARE(f.program.provider.entryName, QStringLiteral("Tiscali"));

    // Another entry with no record shows empty fields.
    provider->setCurrentIndex(0);
    provider->textActivated(QStringLiteral("Albacom"));
    QCOMPARE(edit(*w, "username")->text(), QString());
    QCOMPARE(child<QComboBox>(*w, "ApplicaTab")->currentText(), QString());
}

// The providers page says which dial-up service the entries come from; its
// link explains what that service does with the records, and why no entry
// could be read when none could.
void TestSett::serviceInUse()
{
    Fixture f;
    f.program.rasBackend = {RasBackendKind::Ppp, QStringLiteral("pppd è installato"),
                            QStringLiteral("Il numero arriva come TARVELO_PHONE.")};
    f.ras->names = {QStringLiteral("casa")};
    auto w = f.open(TfSett::Page::Avvio);
    auto* info = child<QLabel>(*w, "rasInfo");
    QVERIFY(info);
    QVERIFY(info->isHidden());
    w->showPage(TfSett::Page::Providers);
    QVERIFY(!info->isHidden());
    QVERIFY(info->text().contains(QStringLiteral("Servizio: <b>pppd</b>")));
    w->showPage(TfSett::Page::Valuta);
    QVERIFY(info->isHidden());

    info->linkActivated(QStringLiteral("info"));
    QCOMPARE(f.prompt.requests().size(), 1);
    QCOMPARE(f.prompt.requests()[0].text,
             QStringLiteral("Il numero arriva come TARVELO_PHONE.\r\rServizio scelto perché: "
                            "pppd è installato."));
    QCOMPARE(f.prompt.requests()[0].title, QStringLiteral("Info..."));
    QCOMPARE(f.prompt.requests()[0].icon, PromptIcon::Information);

    f.ras->names.clear();
    f.ras->problem = QStringLiteral("Entra nel gruppo dip.");
    auto w2 = f.open(TfSett::Page::Providers);
    auto* info2 = child<QLabel>(*w2, "rasInfo");
    QVERIFY(!info2->isHidden());
    QVERIFY(info2->text().contains(QStringLiteral("Perché l'elenco è vuoto?")));
    info2->linkActivated(QStringLiteral("info"));
    QVERIFY(f.prompt.requests().last().text.startsWith(
        QStringLiteral("Entra nel gruppo dip.\r\rIl numero arriva")));

    // Whatever the service and the link, the two lines fit beside the buttons.
    for (const RasBackendKind kind :
         {RasBackendKind::Simulated, RasBackendKind::Ppp, RasBackendKind::NetworkManager}) {
        f.program.rasBackend.kind = kind;
        for (const QString& problem : {QString(), QStringLiteral("Entra nel gruppo dip.")}) {
            f.ras->problem = problem;
            auto w3 = f.open(TfSett::Page::Providers);
            w3->show();
            QVERIFY(QTest::qWaitForWindowExposed(w3.get()));
            QCOMPARE(testsupport::layoutProblems(w3.get()), QString());
        }
    }
}

// The box shows at most 60 characters of an entry name; a longer entry
// chosen from the list still gets its record, found by its full name.
void TestSett::longProviderNameSaved()
{
    Fixture f;
    const QString name =
        QStringLiteral("Linea aziendale di riserva per i collegamenti notturni (ISDN)");
    QVERIFY(name.size() > TProviderRecord::EntryNameMax);
    f.ras->names = {name};
    auto w = f.open(TfSett::Page::Providers);
    auto* provider = child<QComboBox>(*w, "Provider");
    QCOMPARE(provider->currentText(), name.left(TProviderRecord::EntryNameMax));
    edit(*w, "username")->setText(QStringLiteral("notte"));
    click(*w, "Button3");
    QCOMPARE(f.prompt.texts(), QStringList());

    TProviderRecord r;
    QCOMPARE(r.load(f.program.programFolder, name, f.prompt), TProviderRecord::LoadResult::Loaded);
    QCOMPARE(r.userName, QStringLiteral("notte"));
    QCOMPARE(r.entryName, name.left(TProviderRecord::EntryNameMax));
}

// A record that cannot be written is reported with the reason, here a
// planted link the program does not follow (as root, no link at all).
void TestSett::providerSaveFailureSaysWhy()
{
    Fixture f;
    f.ras->names = {QStringLiteral("Casa")};
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("altro.ras"));
    QVERIFY(testsupport::writeFileBytes(target, QByteArray(TProviderRecord::Size, '\0')));
    QVERIFY(QFile::link(target, f.program.path(QStringLiteral("Casa.ras"))));
    if (::geteuid() != 0)
        QVERIFY(testsupport::changeOwner(target, testsupport::NobodyUid, testsupport::NobodyGid));
    if (::geteuid() != 0 && QFileInfo(target).ownerId() != testsupport::NobodyUid)
        QSKIP("a file of another user can only be made by root");

    auto w = f.open(TfSett::Page::Providers);
    edit(*w, "username")->setText(QStringLiteral("mario"));
    click(*w, "Button3");
    QCOMPARE(f.prompt.texts().size(), 1);
    QVERIFY2(f.prompt.texts().first().startsWith(
                 QStringLiteral("Impossibile salvare i dati del provider Casa.\ril file è un "
                                "collegamento simbolico")),
             qPrintable(f.prompt.texts().first()));
    QCOMPARE(testsupport::readFileBytes(target), QByteArray(TProviderRecord::Size, '\0'));
}

void TestSett::providerProfileNoLongerListed()
{
    Fixture f;
    f.ras->names = {QStringLiteral("Libero")};
    TProviderRecord r;
    r.entryName = QStringLiteral("Libero");
    r.userName = QStringLiteral("anna");
    r.profile = QStringLiteral("Cancellata");
    QCOMPARE(r.save(f.program.programFolder, f.prompt), TProviderRecord::SaveResult::Saved);
    f.addProfile(QStringLiteral("Urbana"));

    auto w = f.open(TfSett::Page::Providers);
    QCOMPARE(edit(*w, "username")->text(), QStringLiteral("anna"));
    QCOMPARE(child<QComboBox>(*w, "ApplicaTab")->currentText(), QString());
    click(*w, "Button3");
    TProviderRecord back;
    back.load(f.program.programFolder, QStringLiteral("Libero"), f.prompt);
    QCOMPARE(back.userName, QStringLiteral("anna"));
    QCOMPARE(back.profile, QString());
}

void TestSett::noProviders()
{
    Fixture f;
    f.program.provider.userName = QStringLiteral("stale");
    auto w = f.open(TfSett::Page::Providers);
    auto* provider = child<QComboBox>(*w, "Provider");
    QCOMPARE(provider->count(), 0);
    QCOMPARE(provider->currentText(), QString());
    for (const char* name : {"username", "password", "Numtel", "homepage", "userpage"})
        QCOMPARE(edit(*w, name)->text(), QString());
    QCOMPARE(f.program.provider, TProviderRecord());
}

void TestSett::unknownProviderRefused()
{
    Fixture f;
    f.ras->names = {QStringLiteral("Libero")};
    auto w = f.open(TfSett::Page::Providers);
    child<QComboBox>(*w, "Provider")->setEditText(QStringLiteral("Inesistente"));
    click(*w, "Button3");
    QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("Nome di Connessione Ras Inesistente")});
    QCOMPARE(f.prompt.requests().first().icon, PromptIcon::None);
    QVERIFY(!QFileInfo::exists(f.program.path(QStringLiteral("Inesistente.ras"))));
}

void TestSett::oraEsatta_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("withHook");
    QTest::addColumn<QStringList>("texts");
    const QString warn = TfSett::NotConnectedText;
    const QString notYet = QStringLiteral("Funzione non ancora disponibile.");
    QTest::newRow("connected, hook") << true << true << QStringList();
    QTest::newRow("not connected, hook") << false << true << QStringList{warn};
    QTest::newRow("connected, no hook") << true << false << QStringList{notYet};
    QTest::newRow("not connected, no hook") << false << false << QStringList{warn, notYet};
}

void TestSett::oraEsatta()
{
    QFETCH(bool, connected);
    QFETCH(bool, withHook);
    QFETCH(QStringList, texts);
    Fixture f;
    f.program.watch.connected = connected;
    int syncs = 0;
    SettHooks hooks;
    if (withHook)
        hooks.syncClock = [&] { ++syncs; };
    auto w = f.open(TfSett::Page::Menu, hooks);
    click(*w, "OraEsatta");
    QCOMPARE(f.prompt.texts(), texts);
    QCOMPARE(syncs, withHook ? 1 : 0);
    for (const PromptRequest& r : f.prompt.requests()) {
        if (r.text == TfSett::NotConnectedText) {
            QCOMPARE(r.title, QStringLiteral("Tarvelo!..."));
            QCOMPARE(r.icon, PromptIcon::Warning);
            QVERIFY(r.text.contains(QStringLiteral("rete!\r(il semaforo")));
        } else {
            QCOMPARE(r.title, QStringLiteral("Info..."));
        }
    }
}

void TestSett::folders()
{
    Fixture f;
    auto w = f.open(TfSett::Page::Menu);
    click(*w, "CartProg");
    click(*w, "CartTariffe");
    QCOMPARE(f.shell.opened,
             QStringList({f.program.programFolder, f.program.programFolder + "Trf"}));
    QVERIFY(f.prompt.requests().isEmpty());

    f.shell.openResult = false;
    click(*w, "CartTariffe");
    QCOMPARE(f.prompt.requests().size(), 1);
    QCOMPARE(f.prompt.requests().first().title, QStringLiteral("Errore..."));
}

void TestSett::webPages()
{
    Fixture f;
    auto w = f.open(TfSett::Page::Providers);
    click(*w, "VaiHome"); // empty: nothing
    QVERIFY(f.shell.opened.isEmpty());
    QVERIFY(f.prompt.requests().isEmpty());

    edit(*w, "homepage")->setText(QStringLiteral("www.libero.it"));
    edit(*w, "userpage")->setText(QStringLiteral("https://utenti.libero.it/anna"));
    click(*w, "VaiHome");
    click(*w, "VaiUser");
    QCOMPARE(f.shell.opened, QStringList({QStringLiteral("http://www.libero.it"),
                                          QStringLiteral("https://utenti.libero.it/anna")}));

    edit(*w, "userpage")->setText(QStringLiteral("file:///etc/passwd"));
    click(*w, "VaiUser");
    QCOMPARE(f.shell.opened.size(), 2);
    QCOMPARE(f.prompt.requests().size(), 1);
}

void TestSett::helpPages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("file");
    QTest::newRow("Avvio") << 0 << "opzavvio.htm";
    QTest::newRow("Menù") << 1 << "funzpartmenu.htm";
    QTest::newRow("Providers") << 2 << "opzprovider.htm";
    QTest::newRow("Valuta") << 3 << "opzvaluta.htm";
}

void TestSett::helpPages()
{
    QFETCH(int, page);
    QFETCH(QString, file);
    Fixture f;
    auto w = f.open();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    child<QTabBar>(*w, QStringLiteral("TS1"))->setCurrentIndex(page);
    QTest::keyClick(w.get(), Qt::Key_F1);
    QCOMPARE(f.shell.opened, QStringList{f.program.programFolder + "hlp/" + file});
    // The page ships with the program.
    QVERIFY(QFileInfo::exists(testsupport::sourceDir() + "/data/hlp/" + file));
}

void TestSett::aboutWindow()
{
    Fixture f;
    auto w = f.open(TfSett::Page::Menu);
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto* about = qobject_cast<TfSplash*>(QApplication::activeModalWidget());
        QVERIFY(about);
        seen = true;
        QVERIFY(about->isVisible());
        QVERIFY(!child<QLabel>(about, "loading")->isVisible());
        auto* ok = child<QPushButton>(about, "OK");
        QVERIFY(ok->isVisible());
        QCOMPARE(ok->text(), QStringLiteral("&OK"));
        ok->click();
    });
    click(*w, "About");
    QVERIFY(seen);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(w->findChildren<TfSplash*>().isEmpty()); // destroyed once closed
}

QTEST_MAIN(TestSett)
#include "tst_sett.moc"
