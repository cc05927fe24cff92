// The bar's display modes, the sliding panel with its clock, the cyclic
// display, hiding the buttons, and the extra-information window held open
// on the cost field.

#include "app/SettingsStore.h"
#include "app/uMain.h"
#include "app/uPopup.h"
#include "platform/gui/TrayIcon.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

using testsupport::child;

namespace
{

// The controls a display mode shows or hides, in bar order.
const QStringList BarControls = {"sem",   "autLight",     "Panel1",       "Nascosto",
                                 "Tempo", "Costo",        "SpeedButton3", "SpeedButton4",
                                 "Sett",  "SpeedButton5", "SpeedButton2", "SpeedButton1",
                                 "Bevel2"};

struct Fixture : ProgramFixture {
    Fixture()
        : ProgramFixture(Options()
                             .inFolder(QStringLiteral("/opt/tarvelo"))
                             .at(dt::encode(2000, 1, 3, 9, 5, 0)))
    {
    }

    // A bar started with "TipoVisualiz" = mode (and "NascondiIcone").
    std::unique_ptr<TfMain> makeBar(int mode = 1, bool iconsHidden = false)
    {
        if (!storeInteger(TSettingsStore::Main, QStringLiteral("TipoVisualiz"), mode) ||
            !storeBool(TSettingsStore::Main, QStringLiteral("NascondiIcone"), iconsHidden))
            QTest::qFail("settings not stored", __FILE__, __LINE__);
        return std::make_unique<TfMain>(program, clockSetter);
    }
};

QAction* action(TfMain& bar, const char* name,
                std::source_location where = std::source_location::current())
{
    return testsupport::action(bar.popSem(), QLatin1String(name), where);
}

QWidget* control(TfMain& bar, const QString& name,
                 std::source_location where = std::source_location::current())
{
    return child<QWidget>(&bar, name, where);
}

// What the user sees: not hidden and starting inside the bar.
QStringList shownControls(TfMain& bar)
{
    QStringList shown;
    for (const QString& name : BarControls) {
        QWidget* w = control(bar, name);
        if (!w->isHidden() && w->x() < bar.width())
            shown << name;
    }
    return shown;
}

// Runs the slide timer until the panel stops; false if it never does.
bool finishSlide(TfMain& bar)
{
    for (int i = 0; i < 100 && bar.slideTimer().isActive(); ++i)
        bar.slideTick();
    return !bar.slideTimer().isActive();
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button)
{
    const QPoint local(5, 5);
    QMouseEvent e(type, local, w->mapToGlobal(local), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QString labelText(QWidget* w, const char* name,
                  std::source_location where = std::source_location::current())
{
    return child<QLabel>(w, QLatin1String(name), where)->text();
}

const char* modeItem(int mode)
{
    switch (mode) {
    case 1:
        return "Normale1";
    case 2:
        return "Minima1";
    case 3:
        return "Ridottoadicona2";
    case 4:
        return "SoloTempo1";
    case 5:
        return "SoloCosto1";
    case 6:
        return "SoloOrologio1";
    default:
        return "Ciclica1";
    }
}

} // namespace

class TestDisplayModes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void layouts_data();
    void layouts();
    void wideCostMakesRoom_data();
    void wideCostMakesRoom();
    void reducedToIconItemChangesNothing();
    void cyclicRotation();
    void slidingPanel();
    void slideTurnedRoundHalfway();
    void hideIconsOnlyInNormalMode();
    void modeSurvivesRestart();
    void trayMenuIsPopSem();
    void extraInfo_data();
    void extraInfo();
    void extraInfoOnlyWithLeftButton();
};

void TestDisplayModes::layouts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("slidAway");

    QTest::newRow("1 normal") << 1 << 300 << BarControls << false;
    QTest::newRow("2 minimal") << 2 << 45
                               << QStringList{"sem", "autLight", "SpeedButton2", "Bevel2"} << false;
    QTest::newRow("4 time only") << 4 << 118
                                 << QStringList{"sem", "autLight", "Panel1", "Tempo",
                                                "SpeedButton2"}
                                 << true;
    QTest::newRow("5 cost only") << 5 << 118
                                 << QStringList{"sem", "autLight", "Panel1", "Costo",
                                                "SpeedButton2"}
                                 << true;
    QTest::newRow("6 clock only") << 6 << 105 << QStringList{"sem",      "autLight",     "Panel1",
                                                             "Nascosto", "SpeedButton2", "Bevel2"}
                                  << true;
    // The cyclic bar opens on the clock (cycle position 1).
    QTest::newRow("7 cyclic") << 7 << 118
                              << QStringList{"sem", "autLight", "Panel1", "Nascosto",
                                             "SpeedButton2"}
                              << true;
}

// Each mode is checked twice: as the stored mode at start, and chosen from
// the menu after the cyclic mode, which moves the most controls, so that no
// mode relies on the design places being untouched.
void TestDisplayModes::layouts()
{
    QFETCH(int, mode);
    QFETCH(int, width);
    QFETCH(QStringList, shown);
    QFETCH(bool, slidAway);

    for (bool fromMenu : {false, true}) {
        Fixture f;
        auto bar = f.makeBar(fromMenu ? 7 : mode);
        if (fromMenu) {
            QVERIFY(finishSlide(*bar));
            action(*bar, modeItem(mode))->trigger();
        }
        const char* how = fromMenu ? "chosen from the menu" : "stored";
        QVERIFY(finishSlide(*bar));
        QCOMPARE(f.program.settings.tipoVisualiz, mode);
        QVERIFY2(bar->width() == width, how);
        QCOMPARE(bar->height(), 25);
        QCOMPARE(control(*bar, "Panel5")->width(), width);
        QCOMPARE(shownControls(*bar), shown);
        // What is in sight keeps the bar's order, left to right, each control
        // clear of the others but for the panel over the clock. A panel slid
        // away keeps what is left of its image and caption in its last few
        // pixels; the minimal bar draws its separator over the handle's right
        // edge.
        testsupport::LayoutExceptions allowed;
        allowed.overlapping("Panel1", "Nascosto");
        if (slidAway)
            allowed.clipped("Image5").clipped("sb6").overlapping("Image5", "sb6");
        if (mode == 2)
            allowed.overlapping("SpeedButton2", "Bevel2");
        QCOMPARE(testsupport::layoutProblems(bar.get(), allowed), QString());
        for (int i = 1; i < shown.size(); ++i)
            QVERIFY2(control(*bar, shown[i - 1])->x() < control(*bar, shown[i])->x(),
                     qPrintable(shown[i] + QLatin1Char(' ') + QLatin1String(how)));
        QCOMPARE(action(*bar, "NascondiIcone1")->isEnabled(), mode == 1);
        QCOMPARE(bar->cycleTimer().isActive(), mode == 7);
        if (mode != 2) { // the minimal bar hides the panel wherever it is
            QCOMPARE(bar->panelSlidAway(), slidAway);
            QCOMPARE(control(*bar, "Panel1")->width(), slidAway ? 4 : 54);
            QCOMPARE(bar->clockTimer().isActive(), slidAway);
            if (slidAway) // uncovered, the clock shows the time of day at once
                QCOMPARE(qobject_cast<QLabel*>(control(*bar, "Nascosto"))->text(),
                         QStringLiteral("09:05"));
        }
        emit bar->popSem()->aboutToShow();
        QVERIFY(action(*bar, modeItem(mode))->isChecked());
    }
}

// A cost too wide for its field widens the field; what lies right of it
// moves along and the bar grows by as much. A short cost gives it all back.
void TestDisplayModes::wideCostMakesRoom_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("1 normal") << 1;
    QTest::newRow("5 cost only") << 5;
    QTest::newRow("7 cyclic") << 7;
}

void TestDisplayModes::wideCostMakesRoom()
{
    QFETCH(int, mode);
    Fixture f;
    auto bar = f.makeBar(mode);
    QVERIFY(finishSlide(*bar));
    auto* costo = qobject_cast<QLabel*>(control(*bar, "Costo"));
    const QRect design = costo->geometry();
    const int designWidth = bar->width();
    QMap<QString, int> designX;
    for (const QString& name : BarControls)
        designX[name] = control(*bar, name)->x();

    const QString wide = QStringLiteral("12.345.678");
    bar->setCostoText(wide);
    QVERIFY(costo->contentsRect().width() >= costo->fontMetrics().horizontalAdvance(wide));
    QCOMPARE(costo->pos(), design.topLeft());
    const int extra = costo->width() - design.width();
    QVERIFY(extra > 0);
    QCOMPARE(bar->width(), designWidth + extra);
    QCOMPARE(control(*bar, "Panel5")->width(), bar->width());
    for (const QString& name : BarControls) {
        QWidget* w = control(*bar, name);
        // Hidden, or put out of sight by the mode.
        if (w->isHidden() || designX[name] >= designWidth || name == QLatin1String("Costo"))
            continue;
        if (designX[name] > design.x()) {
            QCOMPARE(w->x(), designX[name] + extra);
            QVERIFY2(w->x() > costo->geometry().right(), qPrintable(name));
        }
        QVERIFY2(w->geometry().right() < bar->width(), qPrintable(name));
    }

    bar->setCostoText(QStringLiteral("1.234"));
    QCOMPARE(costo->geometry(), design);
    QCOMPARE(bar->width(), designWidth);
    for (const QString& name : BarControls)
        QCOMPARE(control(*bar, name)->x(), designX[name]);
}

void TestDisplayModes::reducedToIconItemChangesNothing()
{
    Fixture f;
    auto stored = f.makeBar(3);
    QCOMPARE(stored->width(), 300); // the bar as designed
    QCOMPARE(shownControls(*stored), BarControls);
    stored.reset();

    auto bar = f.makeBar(5);
    action(*bar, "Ridottoadicona2")->trigger();
    bar->applyStoredDisplayMode(0);
    bar->applyStoredDisplayMode(8);
    QCOMPARE(f.program.settings.tipoVisualiz, 5);
    QCOMPARE(bar->width(), 118);
    QVERIFY(!control(*bar, "Costo")->isHidden());
    emit bar->popSem()->aboutToShow(); // the menu shows the mode in force again
    QVERIFY(action(*bar, "SoloCosto1")->isChecked());
}

void TestDisplayModes::cyclicRotation()
{
    Fixture f;
    auto bar = f.makeBar(7);
    QCOMPARE(bar->cycleTimer().interval(), 5000);
    auto visibleField = [&] {
        QStringList v;
        for (const char* name : {"Nascosto", "Tempo", "Costo"})
            if (!control(*bar, QLatin1String(name))->isHidden())
                v << QLatin1String(name);
        return v.join(QLatin1Char(','));
    };
    QCOMPARE(bar->cyclePart(), CyclePart::Clock);
    QCOMPARE(visibleField(), QStringLiteral("Nascosto"));
    const QStringList expected = {"Tempo", "Costo", "Nascosto", "Tempo"};
    const QList<CyclePart> parts = {CyclePart::Time, CyclePart::Cost, CyclePart::Clock,
                                    CyclePart::Time};
    for (int i = 0; i < expected.size(); ++i) {
        bar->cycleTick();
        QCOMPARE(visibleField(), expected[i]);
        QCOMPARE(bar->cyclePart(), parts[i]);
    }

    // Leaving the mode stops the cycling and shows the mode's own fields.
    action(*bar, "SoloCosto1")->trigger();
    QVERIFY(!bar->cycleTimer().isActive());
    QCOMPARE(visibleField(), QStringLiteral("Costo"));
    // Coming back goes on from where the cycle was.
    action(*bar, "Ciclica1")->trigger();
    QVERIFY(bar->cycleTimer().isActive());
    QCOMPARE(visibleField(), QStringLiteral("Tempo"));
    action(*bar, "Normale1")->trigger();
    QVERIFY(!bar->cycleTimer().isActive());
    QCOMPARE(shownControls(*bar), BarControls);
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestDisplayModes::slidingPanel()
{
    Fixture f;
    auto bar = f.makeBar();
    auto* panel = control(*bar, "Panel1");
    auto* caption = control(*bar, "sb6");
    auto* clock = qobject_cast<QLabel*>(control(*bar, "Nascosto"));
    QVERIFY(!bar->slideTimer().isActive());

    sendMouse(caption, QEvent::MouseButtonPress, Qt::LeftButton);
    sendMouse(caption, QEvent::MouseButtonRelease, Qt::LeftButton);
    QVERIFY(bar->panelSlidAway());
    QVERIFY(bar->slideTimer().isActive());
    QCOMPARE(bar->slideTimer().interval(), 50);
    for (int tick = 1; tick <= 10; ++tick) {
        bar->slideTick();
        QCOMPARE(panel->width(), 54 - 5 * tick);
        QCOMPARE(caption->x(), 16 - 5 * tick);
    }
    QVERIFY(bar->slideTimer().isActive());
    QVERIFY(!bar->clockTimer().isActive());
    QCOMPARE(clock->text(), QStringLiteral("00.00"));
    bar->slideTick(); // width 4: the panel stops and the clock runs
    QVERIFY(!bar->slideTimer().isActive());
    QVERIFY(bar->clockTimer().isActive());
    QCOMPARE(bar->clockTimer().interval(), 2000);
    QCOMPARE(clock->text(), QStringLiteral("09:05"));
    f.clock.advanceSeconds(3600 + 60 * 52);
    bar->clockTick();
    QCOMPARE(clock->text(), QStringLiteral("10:57"));

    // The image slides it back as well.
    auto* image = control(*bar, "Image5");
    sendMouse(image, QEvent::MouseButtonRelease, Qt::LeftButton);
    QVERIFY(!bar->panelSlidAway());
    QVERIFY(finishSlide(*bar));
    QCOMPARE(panel->width(), 54);
    QCOMPARE(caption->x(), 16);
    QVERIFY(!bar->clockTimer().isActive());
}

// A click while the panel is still moving turns it round from where it is;
// there is only ever one slide in progress.
void TestDisplayModes::slideTurnedRoundHalfway()
{
    Fixture f;
    auto bar = f.makeBar();
    auto* panel = control(*bar, "Panel1");
    bar->slidePanelClick();
    for (int i = 0; i < 3; ++i)
        bar->slideTick();
    QCOMPARE(panel->width(), 39);
    bar->slidePanelClick();
    bar->slideTick();
    QCOMPARE(panel->width(), 44);
    QVERIFY(finishSlide(*bar));
    QCOMPARE(panel->width(), 54);
    QCOMPARE(control(*bar, "sb6")->x(), 16);
    QVERIFY(!bar->clockTimer().isActive());

    // Back to the normal bar from a single-field mode covers the clock again.
    action(*bar, "SoloOrologio1")->trigger();
    QVERIFY(finishSlide(*bar));
    QCOMPARE(panel->width(), 4);
    action(*bar, "Normale1")->trigger();
    QVERIFY(finishSlide(*bar));
    QCOMPARE(panel->width(), 54);
    QVERIFY(!bar->clockTimer().isActive());
}

void TestDisplayModes::hideIconsOnlyInNormalMode()
{
    Fixture f;
    auto bar = f.makeBar();
    QAction* item = action(*bar, "NascondiIcone1");
    const QStringList withoutButtons = {"sem", "autLight", "Panel1", "Nascosto", "Tempo", "Costo"};
    item->trigger();
    QCOMPARE(bar->width(), 195);
    QCOMPARE(shownControls(*bar), withoutButtons);
    QVERIFY(control(*bar, "SpeedButton1")->isHidden()); // hidden, not only cut off

    action(*bar, "SoloTempo1")->trigger();
    QVERIFY(!item->isEnabled());
    item->trigger(); // a disabled item does nothing; neither does the handler
    bar->NascondiIcone1Click();
    QCOMPARE(bar->width(), 118);
    QVERIFY(f.program.settings.nascondiIcone);

    // The normal bar applies the hiding again.
    action(*bar, "Normale1")->trigger();
    QCOMPARE(bar->width(), 195);
    QCOMPARE(item->text(), QStringLiteral("&Mostra Icone"));
    QCOMPARE(shownControls(*bar), withoutButtons);
    item->trigger();
    QCOMPARE(bar->width(), 300);
    QCOMPARE(shownControls(*bar), BarControls);
    QVERIFY(!f.program.settings.nascondiIcone);

    // Started in another mode with the buttons hidden: the item says
    // "Nascondi" and is disabled until the normal bar is chosen.
    Fixture g;
    auto other = g.makeBar(2, true);
    QCOMPARE(other->width(), 45);
    QAction* otherItem = action(*other, "NascondiIcone1");
    QVERIFY(!otherItem->isEnabled());
    action(*other, "Normale1")->trigger();
    QCOMPARE(other->width(), 195);
    QVERIFY(otherItem->isEnabled());
    QCOMPARE(otherItem->text(), QStringLiteral("&Mostra Icone"));
}

void TestDisplayModes::modeSurvivesRestart()
{
    Fixture f;
    auto bar = f.makeBar();
    action(*bar, "SoloOrologio1")->trigger();
    bar->close(); // saves the settings
    QVERIFY(bar->hasEnded());
    QVERIFY(!bar->slideTimer().isActive());
    QVERIFY(!bar->clockTimer().isActive());
    bar.reset();

    f.program.settings = Settings{};
    auto again = std::make_unique<TfMain>(f.program, f.clockSetter);
    QCOMPARE(f.program.settings.tipoVisualiz, 6);
    QCOMPARE(again->width(), 105);
    QCOMPARE(shownControls(*again).join(QLatin1Char(',')),
             QStringLiteral("sem,autLight,Panel1,Nascosto,SpeedButton2,Bevel2"));
    // The slide and the cycle position are not kept: the panel starts over.
    QVERIFY(again->slideTimer().isActive());
    QCOMPARE(again->cyclePart(), CyclePart::Clock);
}

void TestDisplayModes::trayMenuIsPopSem()
{
    Fixture f;
    auto bar = f.makeBar(2);
    QCOMPARE(bar->tray().native()->contextMenu(), bar->popSem());
    // Shown from the tray, the bar keeps its mode.
    bar->hideBar();
    emit bar->tray().native()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->width(), 45);
}

void TestDisplayModes::extraInfo_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<float>("cost");
    QTest::addColumn<float>("rate");
    QTest::addColumn<QStringList>("texts"); // lb2, lb3, lb3b, lb4, lb4b, lb5, lb5b

    QTest::newRow("waiting") << false << false << 0.0f << 1936.27f
                             << QStringList{" Lire 0 equivalgono ad Euro 0,00",
                                            " Stato :",
                                            "In attesa",
                                            "Tariffa Usata :",
                                            "-",
                                            "Telefonico Attuale :",
                                            "-"};
    QTest::newRow("setting up") << true << false << 1936.0f << 1936.27f
                                << QStringList{" Lire 1.936 equivalgono ad Euro 1,00",
                                               " Ti stai collegando con :",
                                               "Casa",
                                               "Tariffa in uso :",
                                               "Urbana",
                                               "Telefonico Attuale :",
                                               "0612345"};
    QTest::newRow("connected") << true << true << 1234567.4f << 1936.27f
                               << QStringList{" Lire 1.234.567 equivalgono ad Euro 637,60",
                                              " Sei collegato con : ",
                                              "Casa",
                                              "Tariffa in uso :",
                                              "Urbana",
                                              "Telefonico Attuale :",
                                              "0612345"};
    // A rate of zero from a hand-edited setting gives no amount in Euro.
    QTest::newRow("no exchange rate") << false << false << 100.0f << 0.0f
                                      << QStringList{" Lire 100 equivalgono ad Euro n.d.",
                                                     " Stato :",
                                                     "In attesa",
                                                     "Tariffa Usata :",
                                                     "-",
                                                     "Telefonico Attuale :",
                                                     "-"};
    // A provider name as long as the probe keeps (49 characters).
    const QString longName = QStringLiteral("Collegamento Aziendale Principale Numero Verde 01");
    QTest::newRow("long provider name") << true << true << 1936.0f << 1936.27f
                                        << QStringList{" Lire 1.936 equivalgono ad Euro 1,00",
                                                       " Sei collegato con : ",
                                                       longName,
                                                       "Tariffa in uso :",
                                                       "Urbana",
                                                       "Telefonico Attuale :",
                                                       "0612345"};
}

void TestDisplayModes::extraInfo()
{
    QFETCH(bool, running);
    QFETCH(bool, connected);
    QFETCH(float, cost);
    QFETCH(float, rate);
    QFETCH(QStringList, texts);

    Fixture f;
    auto bar = f.makeBar();
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    f.program.watch.running = running;
    f.program.watch.connected = connected;
    f.program.watch.shownCost = cost;
    f.program.settings.cambioEcu = rate;
    ConnRecord& r = f.program.connRecords.running;
    r.provider = texts[2] == QLatin1String("In attesa") ? QStringLiteral("Casa") : texts[2];
    r.nomeTar = QStringLiteral("Urbana");
    r.telefono = QStringLiteral("0612345");

    QWidget* costo = control(*bar, "Costo");
    sendMouse(costo, QEvent::MouseButtonPress, Qt::LeftButton);
    QPointer<TfPopup> popup = bar->extraInfo();
    QVERIFY(popup);
    QVERIFY(popup->isVisible());
    QVERIFY(popup->isWindow());
    QVERIFY(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(popup->height(), 120);
    QVERIFY(popup->width() >= 454);
    QCOMPARE(popup->geometry().center(), bar->screen()->geometry().center());
    QStringList seen;
    for (const char* name : {"lb2", "lb3", "lb3b", "lb4", "lb4b", "lb5", "lb5b"})
        seen << labelText(popup, name);
    QCOMPARE(seen, texts);
    // Every text has room in its label, and every label in the window.
    QCOMPARE(testsupport::layoutProblems(popup), QString());
    QVERIFY(child<QLabel>(popup, "lb3b")->x() > child<QLabel>(popup, "lb3")->geometry().right());

    sendMouse(costo, QEvent::MouseButtonRelease, Qt::LeftButton);
    QVERIFY(popup.isNull());
    QVERIFY(!bar->extraInfo());
}

void TestDisplayModes::extraInfoOnlyWithLeftButton()
{
    Fixture f;
    auto bar = f.makeBar();
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    QWidget* costo = control(*bar, "Costo");
    sendMouse(costo, QEvent::MouseButtonPress, Qt::RightButton);
    QVERIFY(!bar->extraInfo());

    // A second press without a release in between leaves one window.
    sendMouse(costo, QEvent::MouseButtonPress, Qt::LeftButton);
    QPointer<TfPopup> first = bar->extraInfo();
    sendMouse(costo, QEvent::MouseButtonPress, Qt::LeftButton);
    QVERIFY(first.isNull());
    QVERIFY(bar->extraInfo());
    // Releasing any button closes it; so does a release that lands on the
    // window itself.
    sendMouse(costo, QEvent::MouseButtonRelease, Qt::RightButton);
    QVERIFY(!bar->extraInfo());
    sendMouse(costo, QEvent::MouseButtonPress, Qt::LeftButton);
    QPointer<TfPopup> popup = bar->extraInfo();
    sendMouse(popup, QEvent::MouseButtonRelease, Qt::LeftButton);
    QTRY_VERIFY(popup.isNull());
}

QTEST_MAIN(TestDisplayModes)
#include "tst_displaymodes.moc"
