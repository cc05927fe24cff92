// The main bar built offscreen: its controls, the traffic-light menu in each
// watch state, the creation steps, and the ways the program ends.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "app/uMain.h"
#include "archive/uConn.h"
#include "options/uSett.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/TrayIcon.h"
#include "tariff/uTariffe.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ModalSupport.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WidgetSupport.h"

#include <QSystemTrayIcon>

#include <QAction>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using testsupport::child;

namespace
{

const QString NotYet = QStringLiteral("Funzione non ancora disponibile.");

// A program in a fixed folder that no test writes to, for one bar.
struct Fixture : ProgramFixture {
    Fixture() : ProgramFixture(Options().inFolder(QStringLiteral("/opt/tarvelo"))) {}
    std::unique_ptr<TfMain> makeBar() { return std::make_unique<TfMain>(program, clockSetter); }
};

// The same with a private program folder, for windows that read and write
// the folder (archive, profiles, dial-up phone book).
using FolderFixture = ProgramFixture;

QAction* action(TfMain& bar, const char* name,
                std::source_location where = std::source_location::current())
{
    return testsupport::action(bar.popSem(), QLatin1String(name), where);
}

} // namespace

class TestMainBar : public QObject
{
    Q_OBJECT
private slots:
    void window();
    void controls_data();
    void controls();
    void fieldsLook();
    void popSemItems();
    void popSemStates_data();
    void popSemStates();
    void creationSteps();
    void savedPosition_data();
    void savedPosition();
    void startsHiddenWithoutNormWind();
    void displayModeChoice();
    void hideIcons();
    void closeSavesSettingsWithPosition();
    void unreadableSettingsNeverWrittenOver_data();
    void unreadableSettingsNeverWrittenOver();
    void quitRefusedWhileRunning();
    void quitClosesDialler();
    void destroyedBarSavesToo();
    void itemsOpenTheirWindows_data();
    void itemsOpenTheirWindows();
    void rightClickOpensOptionsOnce();
    void manualModeOpensTheDialler();
    void disconnectAsksTwice_data();
    void disconnectAsksTwice();
    void helpAndShortcut();
    void installedProgramSplitsItsFolders();
    void trayShowsBarUnlessStopDialogOpen();
    void dragMovesBar();
};

void TestMainBar::window()
{
    Fixture f;
    auto bar = f.makeBar();
    QCOMPARE(bar->windowTitle(), QStringLiteral("Tarvelo !"));
    QCOMPARE(bar->size(), QSize(300, 25));
    const Qt::WindowFlags flags = bar->windowFlags();
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
    QVERIFY(!bar->windowIcon().isNull());
    QCOMPARE(f.program.applicationTitle, QStringLiteral("Tarvelo!"));
    QCOMPARE(child<QWidget>(bar.get(), "Panel5")->geometry(), bar->rect()); // the bar's face
    // The sliding panel lies over the clock it uncovers.
    QCOMPARE(testsupport::layoutProblems(
                 bar.get(), testsupport::LayoutExceptions().overlapping("Panel1", "Nascosto")),
             QString());
    // The controls in the order the bar shows them, left to right.
    int right = -1;
    for (const char* name :
         {"sem", "autLight", "Panel1", "Tempo", "Costo", "SpeedButton3", "SpeedButton4", "Sett",
          "SpeedButton5", "SpeedButton2", "SpeedButton1", "Bevel2"}) {
        const QRect place = child<QWidget>(bar.get(), name)->geometry();
        QVERIFY2(place.left() > right, name);
        QVERIFY2(place.top() >= 0 && place.bottom() < bar->height(), name);
        right = place.right();
    }
}

void TestMainBar::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    const QString none;
    QTest::newRow("sem") << "sem" << none << none;
    QTest::newRow("autLight") << "autLight" << none << none;
    QTest::newRow("Panel1") << "Panel1" << none << none;
    QTest::newRow("sb6") << "sb6"
                         << "Tarvelo!" << none;
    QTest::newRow("Nascosto") << "Nascosto"
                              << "00.00" << none;
    QTest::newRow("Tempo") << "Tempo"
                           << "00.00.00"
                           << "Totale n.d.";
    QTest::newRow("Costo") << "Costo"
                           << "0" << none;
    QTest::newRow("SpeedButton3") << "SpeedButton3" << none << "Tabella Connessioni";
    QTest::newRow("SpeedButton4") << "SpeedButton4" << none << "Profili tariffari";
    QTest::newRow("Sett") << "Sett" << none << "Opzioni";
    QTest::newRow("SpeedButton5") << "SpeedButton5"
                                  << "!!!"
                                  << "Riduci a icona";
    QTest::newRow("SpeedButton2") << "SpeedButton2" << none << "Tenere premuto e muovere il mouse";
    QTest::newRow("SpeedButton1") << "SpeedButton1" << none << "Esci";
}

void TestMainBar::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    Fixture f;
    auto bar = f.makeBar();
    auto* w = child<QWidget>(bar.get(), name);
    QCOMPARE(w->toolTip(), hint);
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    else if (auto* button = qobject_cast<QToolButton*>(w))
        QCOMPARE(button->text(), text);
}

void TestMainBar::fieldsLook()
{
    Fixture f;
    auto bar = f.makeBar();
    for (const char* name : {"Nascosto", "Tempo", "Costo"}) {
        auto* l = child<QLabel>(bar.get(), QLatin1String(name));
        QVERIFY(l);
        QCOMPARE(l->font().pointSize(), 8);
        QVERIFY(l->font().bold());
        QCOMPARE(l->alignment(), Qt::AlignCenter);
        QCOMPARE(l->frameShadow(), QFrame::Sunken);
        QCOMPARE(l->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    }
    // The sliding panel covers the clock.
    auto* panel1 = child<QWidget>(bar.get(), "Panel1");
    auto* nascosto = child<QWidget>(bar.get(), "Nascosto");
    QVERIFY(panel1->parentWidget()->children().indexOf(panel1) >
            nascosto->parentWidget()->children().indexOf(nascosto));
    QVERIFY(child<QLabel>(panel1, "Image5"));
}

void TestMainBar::popSemItems()
{
    Fixture f;
    auto bar = f.makeBar();
    QStringList seen;
    for (QAction* a : bar->popSem()->actions())
        seen << a->objectName() + QLatin1Char('=') + (a->isSeparator() ? QString() : a->text());
    const QStringList expected = {
        "AutoInt1=&Manuale",
        "N1=",
        "Tabellaconnessioni1=&Tabella connessioni",
        "Profilitariffari1=&Profili tariffari",
        "Opzioni1=&Opzioni",
        "N2=",
        "cambiatariffa1=C&ambia Tariffa",
        "N3=",
        "Riduciadicona1=&Riduci ad icona",
        "NascondiIcone1=&Nascondi Icone",
        "Visualizza1=&Visualizzazione",
        "N4=",
        "Chiudi1=&Chiudi",
    };
    QCOMPARE(seen, expected);
    for (QAction* a : bar->popSem()->actions())
        QVERIFY(a->isVisible());

    QMenu* modes = action(*bar, "Visualizza1")->menu();
    QVERIFY(modes);
    QStringList captions;
    for (QAction* a : modes->actions()) {
        QVERIFY(a->isCheckable());
        captions << a->text();
    }
    QCOMPARE(captions, (QStringList{"&Normale", "&Minima", "&Ridotto ad icona", "&Ciclica",
                                    "Solo &Tempo", "Solo &Costo", "Solo &Orologio"}));
    QVERIFY(modes->actions().first()->isChecked());
}

void TestMainBar::popSemStates_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("autoIntEnabled");
    QTest::addColumn<bool>("changeTariffEnabled");

    QTest::newRow("idle") << false << false << "&Connetti" << true << false;
    QTest::newRow("setting up") << true << false << "&Connetti" << false << false;
    QTest::newRow("connected") << true << true << "&Disconnetti" << true << true;
}

void TestMainBar::popSemStates()
{
    QFETCH(bool, running);
    QFETCH(bool, connected);
    QFETCH(QString, caption);
    QFETCH(bool, autoIntEnabled);
    QFETCH(bool, changeTariffEnabled);

    Fixture f;
    auto bar = f.makeBar();
    f.program.watch.running = running;
    f.program.watch.connected = connected;
    emit bar->popSem()->aboutToShow(); // what opening the menu runs
    QAction* autoInt = action(*bar, "AutoInt1");
    QCOMPARE(autoInt->text(), caption);
    QCOMPARE(autoInt->isEnabled(), autoIntEnabled);
    QCOMPARE(action(*bar, "cambiatariffa1")->isEnabled(), changeTariffEnabled);
    for (const char* always :
         {"Tabellaconnessioni1", "Profilitariffari1", "Opzioni1", "Riduciadicona1", "Chiudi1"})
        QVERIFY2(action(*bar, always)->isEnabled(), always);
}

void TestMainBar::creationSteps()
{
    Fixture f;
    f.program.watch.running = true; // stale values are reset at creation
    f.program.watch.connected = true;
    auto bar = f.makeBar();
    const WatchState& w = f.program.watch;
    QVERIFY(w.enabled);
    QCOMPARE(w.mode, WatchMode::Automatic);
    QVERIFY(!w.running);
    QVERIFY(!w.connected);
    QCOMPARE(w.lightImage, LightImage::Off);
    QCOMPARE(bar->shownLight(), lightIndex(LightImage::Off));
    QVERIFY(bar->autLightIsGreen());
    QVERIFY(bar->watchTimer().isActive());
    QCOMPARE(bar->watchTimer().interval(), 1);
    QVERIFY(!bar->sessionTimer().isActive());
    QVERIFY(!bar->blinkTimer().isActive());
    QVERIFY(bar->tray().isAdded());
    QVERIFY(!bar->windows().fAutoDial);
    QVERIFY(f.registry.keyExists(TSettingsStore::RootKey)); // the settings were loaded

    bar->watchTick();
    QCOMPARE(bar->watchTimer().interval(), 1000);
    // A click on the light while the watch is on changes nothing.
    bar->semClick();
    QCOMPARE(f.program.watch.mode, WatchMode::Automatic);
    QVERIFY(f.prompt.requests().isEmpty());

    // Watch on after the watch was switched off.
    f.program.watch.enabled = false;
    f.program.watch.mode = WatchMode::Manual;
    bar->watchTimer().stop();
    bar->semClick();
    QVERIFY(f.program.watch.enabled);
    QCOMPARE(f.program.watch.mode, WatchMode::Automatic);
    QVERIFY(bar->watchTimer().isActive());
}

// A bar wholly on its screen stays where it was; one partly off the screen
// is pulled wholly onto it (with the width of its display mode), one on no
// screen at all goes to the top left of the primary screen.
void TestMainBar::savedPosition_data()
{
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPoint>("expected");
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    const QPoint corner = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
    QTest::newRow("on screen") << QPoint(123, 45) << 1 << QPoint(123, 45);
    QTest::newRow("on a detached monitor") << QPoint(9000, 7000) << 1 << corner;
    QTest::newRow("above the screen") << QPoint(10, -500) << 1 << corner;
    QTest::newRow("partly off the right edge")
        << QPoint(s.right() - 100, 45) << 1 << QPoint(s.right() + 1 - 300, 45);
    QTest::newRow("partly off the bottom edge")
        << QPoint(40, s.bottom() - 10) << 1 << QPoint(40, s.bottom() + 1 - 25);
    QTest::newRow("partly off the top left corner") << QPoint(-50, -5) << 1 << s.topLeft();
    QTest::newRow("minimal bar near the edge")
        << QPoint(s.right() - 100, 45) << 2 << QPoint(s.right() - 100, 45);
}

void TestMainBar::savedPosition()
{
    QFETCH(QPoint, saved);
    QFETCH(int, mode);
    QFETCH(QPoint, expected);
    Fixture f;
    QVERIFY(f.storeInteger(TSettingsStore::Main, QStringLiteral("MainLeft"), saved.x()));
    QVERIFY(f.storeInteger(TSettingsStore::Main, QStringLiteral("MainTop"), saved.y()));
    QVERIFY(f.storeInteger(TSettingsStore::Main, QStringLiteral("TipoVisualiz"), mode));
    auto bar = f.makeBar();
    QCOMPARE(bar->pos(), expected);
}

void TestMainBar::startsHiddenWithoutNormWind()
{
    Fixture f;
    QVERIFY(f.storeBool(TSettingsStore::Sett, QStringLiteral("NormWind"), false));
    auto bar = f.makeBar();
    QVERIFY(!f.program.settings.normWind);
    bar->show(); // as the start of the event loop may do
    bar->watchTick();
    QVERIFY(bar->isHidden());
    QVERIFY(bar->tray().isAdded());
}

void TestMainBar::displayModeChoice()
{
    Fixture f;
    QVERIFY(f.storeInteger(TSettingsStore::Main, QStringLiteral("TipoVisualiz"), 5));
    auto bar = f.makeBar();
    emit bar->popSem()->aboutToShow();
    QVERIFY(action(*bar, "SoloCosto1")->isChecked());
    QVERIFY(!action(*bar, "NascondiIcone1")->isEnabled());

    action(*bar, "Ciclica1")->trigger();
    QCOMPARE(f.program.settings.tipoVisualiz, 7);
    // Values outside 1..7, and 3, change nothing.
    for (int ignored : {0, 3, 8, -1})
        bar->applyStoredDisplayMode(ignored);
    QCOMPARE(f.program.settings.tipoVisualiz, 7);
    action(*bar, "Normale1")->trigger();
    QCOMPARE(f.program.settings.tipoVisualiz, 1);
    QVERIFY(action(*bar, "NascondiIcone1")->isEnabled());
}

void TestMainBar::hideIcons()
{
    Fixture f;
    auto bar = f.makeBar();
    QAction* item = action(*bar, "NascondiIcone1");
    item->trigger();
    QCOMPARE(bar->width(), 195);
    QCOMPARE(item->text(), QStringLiteral("&Mostra Icone"));
    QVERIFY(f.program.settings.nascondiIcone);
    QCOMPARE(child<QWidget>(bar.get(), "Panel5")->width(), 195);
    item->trigger();
    QCOMPARE(bar->width(), 300);
    QCOMPARE(item->text(), QStringLiteral("&Nascondi Icone"));

    // Kept across a restart.
    f.program.settings.nascondiIcone = true;
    bar->close();
    auto again = f.makeBar();
    QCOMPARE(again->width(), 195);
}

void TestMainBar::closeSavesSettingsWithPosition()
{
    Fixture f;
    auto bar = f.makeBar();
    QSignalSpy ended(bar.get(), &TfMain::programEnded);
    bar->show();
    bar->move(123, 45);
    f.program.settings.iva = 4;
    f.program.settings.provider = QStringLiteral("Casa");
    bar->close();
    QCOMPARE(ended.count(), 1);
    QVERIFY(bar->hasEnded());
    QVERIFY(!bar->tray().isAdded());
    QVERIFY(!bar->watchTimer().isActive());

    Settings reread;
    QVERIFY(TSettingsStore(f.registry).load(reread));
    QCOMPARE(reread.mainLeft, 123);
    QCOMPARE(reread.mainTop, 45);
    QCOMPARE(reread.iva, 4);
    QCOMPARE(reread.provider, QStringLiteral("Casa"));

    // A second close (the desktop, a signal) does not save or end twice.
    const int commits = f.registry.commitCount();
    bar->shutdown(false);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(f.registry.commitCount(), commits);
}

// A settings file the program cannot read (a broad export copied in, far
// over the size it reads; a folder in its place) is left exactly as it is:
// the bar starts on the defaults and says so once, and the settings changed
// in that run, saved by the options window or at the close, stay in memory.
void TestMainBar::unreadableSettingsNeverWrittenOver_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("larger than the read limit") << false << "lettura: file troppo grande";
    QTest::newRow("a folder in its place") << true << "lettura: è una cartella";
}

void TestMainBar::unreadableSettingsNeverWrittenOver()
{
    QFETCH(bool, folder);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tarvelo/HKCU.reg"));
    QVERIFY(QDir().mkpath(folder ? path + QStringLiteral("/inside") : dir.filePath("tarvelo")));
    QByteArray start = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n"
                       "\"IVA\"=dword:00000004\r\n";
    if (!folder) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write(start) == start.size());
        QVERIFY(f.resize(18 * 1024 * 1024));
    }
    const auto snapshot = [&] {
        if (folder)
            return QDir(dir.filePath("tarvelo"))
                       .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                       .join(QLatin1Char(',')) +
                   QLatin1Char('/') +
                   QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(',');
        QFile f(path);
        return f.open(QIODevice::ReadOnly)
                   ? QString::fromLatin1(
                         QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex())
                   : QString();
    };
    const QString before = snapshot();

    TScriptedPrompt prompt;
    TManualClock clock;
    TRegFile registry(path);
    FakeShell shell;
    Program program{prompt, clock, registry, shell, dir.path()};
    TFakeClockSetter clockSetter;
    auto bar = std::make_unique<TfMain>(program, clockSetter);
    QCOMPARE(prompt.requests().size(), 1);
    const QString text = prompt.requests().first().text;
    QVERIFY2(text.startsWith(QStringLiteral("Problema con il file delle impostazioni:\r") + path +
                             QStringLiteral(": ") + reason),
             qPrintable(text));
    QVERIFY2(text.endsWith(TRegFile::KeptInMemoryText), qPrintable(text));
    QCOMPARE(program.settings.iva, 20); // the default, not the file's 4

    // The options window's "&Ok" and the close both save: nothing is written,
    // nothing more is said, the change lives on in memory.
    program.settings.iva = 10;
    QString error;
    QVERIFY2(bar->saveSettings(&error), qPrintable(error));
    QCOMPARE(TSettingsStore(registry).readInteger(TSettingsStore::Sett, QStringLiteral("IVA"), 0),
             10);
    bar->close();
    QVERIFY(bar->hasEnded());
    QCOMPARE(prompt.requests().size(), 1);
    bar.reset();
    QCOMPARE(snapshot(), before);
}

void TestMainBar::quitRefusedWhileRunning()
{
    Fixture f;
    auto bar = f.makeBar();
    QSignalSpy ended(bar.get(), &TfMain::programEnded);
    const int commits = f.registry.commitCount();
    f.program.watch.running = true;
    action(*bar, "Chiudi1")->trigger();
    child<QToolButton>(bar.get(), "SpeedButton1")->click();
    QCOMPARE(ended.count(), 0);
    QCOMPARE(f.registry.commitCount(), commits);
    QVERIFY(f.prompt.requests().isEmpty()); // refused silently

    f.program.watch.running = false;
    bar->quit();
    QCOMPARE(ended.count(), 1);
    QVERIFY(f.registry.commitCount() > commits);
}

void TestMainBar::quitClosesDialler()
{
    Fixture f;
    auto bar = f.makeBar();
    QPointer<QWidget> dialler = new QWidget;
    bar->windows().fAutoDial = dialler;
    bar->quit();
    QVERIFY(dialler.isNull());
    QVERIFY(!bar->windows().fAutoDial);
    QVERIFY(bar->hasEnded());

    // A dialler that is dialling refuses to close: it stays, and so does the bar.
    struct BusyDialler : QWidget {
        void closeEvent(QCloseEvent* e) override { e->ignore(); }
    };
    bar.reset();
    auto bar2 = f.makeBar();
    QPointer<QWidget> busy = new BusyDialler;
    bar2->windows().fAutoDial = busy;
    bar2->quit();
    QVERIFY(!busy.isNull());
    QVERIFY(!bar2->hasEnded());
    delete busy.data();
}

void TestMainBar::destroyedBarSavesToo()
{
    Fixture f;
    auto bar = f.makeBar();
    bar->move(77, 66);
    bar.reset();
    Settings reread;
    QVERIFY(TSettingsStore(f.registry).load(reread));
    QCOMPARE(QPoint(reread.mainLeft, reread.mainTop), QPoint(77, 66));
}

void TestMainBar::itemsOpenTheirWindows_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::newRow("archive menu") << "Tabellaconnessioni1"
                                  << "TfConn";
    QTest::newRow("archive button") << "SpeedButton3"
                                    << "TfConn";
    QTest::newRow("tariffs menu") << "Profilitariffari1"
                                  << "TfTariffe";
    QTest::newRow("tariffs button") << "SpeedButton4"
                                    << "TfTariffe";
    QTest::newRow("change tariff") << "cambiatariffa1"
                                   << "TfCtar";
}

void TestMainBar::itemsOpenTheirWindows()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    FolderFixture f;
    auto bar = std::make_unique<TfMain>(f.program, f.clockSetter);
    f.program.watch.connected = true; // "C&ambia Tariffa" acts only then
    const QHash<QString, QPointer<QWidget> WindowSlots::*> slotOf = {
        {QStringLiteral("TfConn"), &WindowSlots::fConn},
        {QStringLiteral("TfTariffe"), &WindowSlots::fTariffe},
        {QStringLiteral("TfCtar"), &WindowSlots::fCtar},
        {QStringLiteral("TfSett"), &WindowSlots::fSett},
    };
    QString shown;
    bool slotFilled = false;
    testsupport::whenShown<QDialog>([&](QDialog* w) {
        shown = QString::fromLatin1(w->metaObject()->className());
        slotFilled = (bar->windows().*slotOf.value(window)) == w;
        QVERIFY(w->isModal());
        w->close();
    });
    if (auto* b = bar->findChild<QToolButton*>(item)) // a button, or else an item of the menu
        b->click();
    else
        action(*bar, qPrintable(item))->trigger();
    QCOMPARE(shown, window);
    QVERIFY(slotFilled);
    QVERIFY(!(bar->windows().*slotOf.value(window))); // emptied once closed
    QVERIFY(!f.prompt.texts().contains(NotYet));
    QVERIFY(!bar->hasEnded());
}

void TestMainBar::rightClickOpensOptionsOnce()
{
    FolderFixture f;
    auto bar = std::make_unique<TfMain>(f.program, f.clockSetter);
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    auto* tempo = child<QWidget>(bar.get(), "Tempo");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            tempo->mapToGlobal(QPoint(5, 5)));
    std::optional<TfSett::Page> page;
    testsupport::whenShown<TfSett>([&](TfSett* sett) {
        page = sett->currentPage();
        sett->close();
    });
    QApplication::sendEvent(tempo, &event);
    QCOMPARE(page, std::optional(TfSett::Page::Menu));
    QVERIFY(!bar->windows().fSett);

    // Not a second time while it is open.
    QWidget options;
    bar->windows().fSett = &options;
    QApplication::sendEvent(tempo, &event);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestMainBar::manualModeOpensTheDialler()
{
    FolderFixture f;
    auto bar = std::make_unique<TfMain>(f.program, f.clockSetter);
    action(*bar, "AutoInt1")->trigger();
    QPointer<QWidget> dialler = bar->windows().fAutoDial;
    QVERIFY(dialler);
    QCOMPARE(QString::fromLatin1(dialler->metaObject()->className()), QStringLiteral("TfAutoDial"));
    QVERIFY(dialler->isVisible());
    QCOMPARE(f.program.watch.mode, WatchMode::Manual);
    QVERIFY(!bar->autLightIsGreen());
    QVERIFY(f.prompt.texts().isEmpty());
}

void TestMainBar::disconnectAsksTwice_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("disconnects");
    QTest::newRow("no at first") << int(PbNo) << int(PbNo) << 1 << false;
    QTest::newRow("no at second") << int(PbYes) << int(PbNo) << 2 << false;
    QTest::newRow("yes twice") << int(PbYes) << int(PbYes) << 2 << true;
}

void TestMainBar::disconnectAsksTwice()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, questions);
    QFETCH(bool, disconnects);
    Fixture f;
    auto bar = f.makeBar();
    f.program.watch.running = true;
    f.program.watch.connected = true;
    f.prompt.answerNext(first);
    f.prompt.answerNext(second);
    bar->AutoInt1Click();
    const QList<PromptRequest>& r = f.prompt.requests();
    QCOMPARE(r.size(), questions);
    QCOMPARE(r[0].text, QStringLiteral("C'è già una connessione in corso.\rLa Vuoi terminare ?"));
    QCOMPARE(r[0].title, QStringLiteral("Conferma..."));
    QCOMPARE(r[0].icon, PromptIcon::Question);
    QCOMPARE(r[0].defaultButton, int(PbNo));
    if (questions == 2)
        QCOMPARE(r[1].text, QStringLiteral("Sei sicuro di voler terminare la Connessione ?"));
    // With no connection left on the line the hang-up ends at once.
    QCOMPARE(f.program.watch.connected, !disconnects);
    QCOMPARE(f.program.watch.mode, WatchMode::Automatic);
}

void TestMainBar::helpAndShortcut()
{
    Fixture f;
    auto bar = f.makeBar();
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    bar->activateWindow();
    QTest::keyClick(bar.get(), Qt::Key_F1);
    QCOMPARE(f.shell.opened, QStringList{QStringLiteral("/opt/tarvelo/hlp/index.htm")});

    f.shell.openResult = false; // the page is missing
    bar->help();
    QCOMPARE(f.prompt.requests().size(), 1);
    QVERIFY(f.prompt.texts().first().contains(QStringLiteral("/opt/tarvelo/hlp/index.htm")));

    QVERIFY(bar->startupShortcut(true));
    QVERIFY(bar->startupShortcut(false));
    QCOMPARE(f.shell.shortcutCalls, (QList<bool>{true, false}));
}

// An installed program reads its help pages where they were installed and
// keeps the user's files in the user's folder; every window agrees.
void TestMainBar::installedProgramSplitsItsFolders()
{
    QTemporaryDir user;
    ProgramLayout layout;
    layout.kind = ProgramLayout::Kind::Installed;
    layout.programFolder = user.path() + '/';
    layout.dataFolder = QStringLiteral("/usr/share/tarvelo/");
    ProgramFixture f(ProgramFixture::Options().withLayout(layout));
    Program& program = f.program;
    QCOMPARE(program.programFolder, layout.programFolder);
    QCOMPARE(program.dataFolder, layout.dataFolder);

    TfMain bar(program, f.clockSetter);
    bar.help();
    TfSett options(settContext(program), SettHooks{});
    options.helpKey();
    options.CartProgClick();
    TfTariffe editor(tariffeContext(program));
    THelpKey* editorHelp = child<THelpKey>(&editor, {});
    QVERIFY(editorHelp);
    editorHelp->showHelp();
    TfConn archive(connContext(program));
    archive.helpKey();
    QCOMPARE(f.shell.opened,
             (QStringList{"/usr/share/tarvelo/hlp/index.htm", "/usr/share/tarvelo/hlp/opzavvio.htm",
                          layout.programFolder, "/usr/share/tarvelo/hlp/profilitar.htm",
                          "/usr/share/tarvelo/hlp/riepconness.htm"}));
}

void TestMainBar::trayShowsBarUnlessStopDialogOpen()
{
    Fixture f;
    auto bar = f.makeBar();
    child<QToolButton>(bar.get(), "SpeedButton5")->click();
    QVERIFY(bar->isHidden());

    QWidget stopDialog;
    bar->windows().fStop = &stopDialog;
    emit bar->tray().native()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(bar->isHidden());

    bar->windows().fStop = nullptr;
    emit bar->tray().native()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(bar->isVisible());

    action(*bar, "Riduciadicona1")->trigger();
    QVERIFY(bar->isHidden());
}

void TestMainBar::dragMovesBar()
{
    Fixture f;
    auto bar = f.makeBar();
    bar->move(100, 100);
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    auto* handle = child<QToolButton>(bar.get(), "Sett");
    const QPoint local(7, 7);
    const QPoint global = handle->mapToGlobal(local);
    auto send = [&](QEvent::Type type, QPoint g, Qt::MouseButtons buttons) {
        QMouseEvent e(type, handle->mapFromGlobal(g), g, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(handle, &e);
    };
    send(QEvent::MouseButtonPress, global, Qt::LeftButton);
    send(QEvent::MouseMove, global + QPoint(30, 20), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, global + QPoint(30, 20), Qt::NoButton);
    QCOMPARE(bar->pos(), QPoint(130, 120));
    // A drag by the options button is not a click on it.
    QVERIFY(f.prompt.requests().isEmpty());
}

QTEST_MAIN(TestMainBar)
#include "tst_mainbar.moc"
