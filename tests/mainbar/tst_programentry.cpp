// The program's start: a second instance is refused with its message and no
// window; a first one shows the bar (or keeps it hidden when starting
// iconised).

#include "app/Program.h"
#include "app/ProgramEntry.h"
#include "app/SettingsStore.h"
#include "app/uMain.h"
#include "app/uPopup.h"
#include "common/Clock.h"
#include "common/ScriptedPrompt.h"
#include "options/uSplash.h"
#include "platform/gui/TrayIcon.h"
#include "platform/system/Registry.h"
#include "platform/system/SingleInstance.h"
#include "tests/mainbar/FakeShell.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace
{

const QString MutexName = QStringLiteral("Tarvelo! Pindral");

struct Services {
    ScriptedPrompt prompt;
    ManualClock clock;
    TMemRegistry registry;
    FakeShell shell;
    Program program{prompt, clock, registry, shell, QStringLiteral("/opt/tarvelo/")};
};

} // namespace

class TestProgramEntry : public QObject
{
    Q_OBJECT
private slots:
    void secondInstanceRefused();
    void startShowsBar_data();
    void startShowsBar();
    void terminationSignalSavesSettings();
};

void TestProgramEntry::secondInstanceRefused()
{
    QTemporaryDir lockDir;
    QVERIFY(lockDir.isValid());
    SingleInstance first(MutexName, lockDir.path());
    QVERIFY(first.tryAcquire());

    Services s;
    SingleInstance second(MutexName, lockDir.path());
    ProgramEntry entry(s.program, second);
    QVERIFY(!entry.start());

    QCOMPARE(s.prompt.requests().size(), 1);
    const PromptRequest& r = s.prompt.requests().first();
    QCOMPARE(r.text, QStringLiteral("Tarvelo! è Già in esecuzione !"));
    QCOMPARE(r.title, QStringLiteral("Tarvelo!"));
    QCOMPARE(r.icon, PromptIcon::Error);
    QVERIFY(!entry.mainBar());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(first.isHeld());                                // the first instance is untouched
    QVERIFY(!s.registry.keyExists(SettingsStore::RootKey)); // no settings were read
}

void TestProgramEntry::startShowsBar_data()
{
    QTest::addColumn<bool>("normWind");
    QTest::newRow("normal start") << true;
    QTest::newRow("start iconised") << false;
}

void TestProgramEntry::startShowsBar()
{
    QFETCH(bool, normWind);
    QTemporaryDir lockDir;
    Services s;
    SettingsStore store(s.registry);
    store.writeBool(SettingsStore::Sett, QStringLiteral("NormWind"), normWind);
    QVERIFY(store.commit());

    SingleInstance instance(MutexName, lockDir.path());
    {
        ProgramEntry entry(s.program, instance);
        QVERIFY(entry.start());
        QVERIFY(s.prompt.requests().isEmpty());
        QVERIFY(instance.isHeld());
        TfMain* bar = entry.mainBar();
        QVERIFY(bar);
        QCOMPARE(bar->isVisible(), normWind);
        QVERIFY(bar->tray().isAdded());
        QVERIFY(entry.extraInfo()); // made at start, never shown
        QVERIFY(entry.extraInfo()->isHidden());
        for (QWidget* w : QApplication::topLevelWidgets()) // the splash is gone
            QVERIFY(!qobject_cast<TfSplash*>(w));
        QCOMPARE(s.program.applicationTitle, QStringLiteral("Tarvelo!"));
    }
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

// A logout or `kill` takes the bar's close path: the settings, position
// included, are written before the program ends.
void TestProgramEntry::terminationSignalSavesSettings()
{
    QTemporaryDir lockDir;
    Services s;
    SingleInstance instance(MutexName, lockDir.path());
    ProgramEntry entry(s.program, instance);
    QVERIFY(entry.start());
    TfMain* bar = entry.mainBar();
    QSignalSpy ended(bar, &TfMain::programEnded);
    bar->move(210, 120);
    s.program.settings.iva = 10;

    std::raise(SIGTERM);
    QTRY_COMPARE(ended.count(), 1);
    Settings reread;
    QVERIFY(SettingsStore(s.registry).load(reread));
    QCOMPARE(QPoint(reread.mainLeft, reread.mainTop), QPoint(210, 120));
    QCOMPARE(reread.iva, 10);
    QVERIFY(!bar->tray().isAdded());
    QVERIFY(s.prompt.requests().isEmpty()); // nobody is asked anything at logout
}

QTEST_MAIN(TestProgramEntry)
#include "tst_programentry.moc"
