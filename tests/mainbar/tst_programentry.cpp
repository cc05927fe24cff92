// The program's start: a second instance is refused with its message and no
// window; a first one shows the bar (or keeps it hidden when starting
// iconised).

#include "app/ProgramEntry.h"
#include "app/SettingsStore.h"
#include "app/uMain.h"
#include "app/uPopup.h"
#include "options/uSplash.h"
#include "platform/gui/TrayIcon.h"
#include "platform/system/SingleInstance.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace
{

const QString MutexName = QStringLiteral("Tarvelo! Pindral");

// A program in a fixed folder that no test writes to.
struct Services : ProgramFixture {
    Services() : ProgramFixture(Options().inFolder(QStringLiteral("/opt/tarvelo/"))) {}
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
    void firstStartOfAnInstalledProgram_data();
    void firstStartOfAnInstalledProgram();
};

void TestProgramEntry::secondInstanceRefused()
{
    QTemporaryDir lockDir;
    QVERIFY(lockDir.isValid());
    TSingleInstance first(MutexName, lockDir.path());
    QVERIFY(first.tryAcquire());

    Services s;
    TSingleInstance second(MutexName, lockDir.path());
    TProgramEntry entry(s.program, second, s.clockSetter);
    QVERIFY(!entry.start());

    QCOMPARE(s.prompt.requests().size(), 1);
    const PromptRequest& r = s.prompt.requests().first();
    QCOMPARE(r.text, QStringLiteral("Tarvelo! è Già in esecuzione !"));
    QCOMPARE(r.title, QStringLiteral("Tarvelo!"));
    QCOMPARE(r.icon, PromptIcon::Error);
    QVERIFY(!entry.mainBar());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(first.isHeld());                                 // the first instance is untouched
    QVERIFY(!s.registry.keyExists(TSettingsStore::RootKey)); // no settings were read
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
    TSettingsStore store(s.registry);
    store.writeBool(TSettingsStore::Sett, QStringLiteral("NormWind"), normWind);
    QVERIFY(store.commit());

    TSingleInstance instance(MutexName, lockDir.path());
    {
        TProgramEntry entry(s.program, instance, s.clockSetter);
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
    TSingleInstance instance(MutexName, lockDir.path());
    TProgramEntry entry(s.program, instance, s.clockSetter);
    QVERIFY(entry.start());
    TfMain* bar = entry.mainBar();
    QSignalSpy ended(bar, &TfMain::programEnded);
    bar->move(210, 120);
    s.program.settings.iva = 10;

    std::raise(SIGTERM);
    QTRY_COMPARE(ended.count(), 1);
    Settings reread;
    QVERIFY(TSettingsStore(s.registry).load(reread));
    QCOMPARE(QPoint(reread.mainLeft, reread.mainTop), QPoint(210, 120));
    QCOMPARE(reread.iva, 10);
    QVERIFY(!bar->tray().isAdded());
    QVERIFY(s.prompt.requests().isEmpty()); // nobody is asked anything at logout
}

// An installed program makes the user's folder with the sample profiles as
// it starts; when it cannot, it says so and still starts.
void TestProgramEntry::firstStartOfAnInstalledProgram_data()
{
    QTest::addColumn<bool>("blocked");
    QTest::newRow("first start") << false;
    QTest::newRow("a file where the folder goes") << true;
}

void TestProgramEntry::firstStartOfAnInstalledProgram()
{
    QFETCH(bool, blocked);
    QTemporaryDir world;
    const QString shipped = world.filePath(QStringLiteral("usr/share/tarvelo/"));
    QVERIFY(QDir().mkpath(shipped + "Trf"));
    QVERIFY(testsupport::writeFileBytes(shipped + "Trf/Telecom Urbana 50%.trf",
                                        QByteArray(3852, '\0')));
    const QString data = world.filePath(QStringLiteral("home/.local/share"));
    if (blocked) {
        QVERIFY(QDir().mkpath(data));
        QVERIFY(testsupport::writeFileBytes(data + "/tarvelo", "x"));
    }
    ProgramLayout layout;
    layout.kind = ProgramLayout::Kind::Installed;
    layout.programFolder = data + "/tarvelo/";
    layout.dataFolder = shipped;

    ProgramFixture f(ProgramFixture::Options().withLayout(layout));
    QTemporaryDir lockDir;
    TSingleInstance instance(MutexName, lockDir.path());
    TProgramEntry entry(f.program, instance, f.clockSetter);
    QVERIFY(entry.start());
    QVERIFY(entry.mainBar());
    if (!blocked) {
        QVERIFY(f.prompt.requests().isEmpty());
        QVERIFY(QFileInfo::exists(layout.programFolder + "Trf/Telecom Urbana 50%.trf"));
        return;
    }
    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& r = f.prompt.requests().first();
    QCOMPARE(r.text, "Impossibile preparare la cartella dei dati di Tarvelo!:\r"
                     "impossibile creare la cartella " +
                         data + "/tarvelo: " + qt_error_string(ENOTDIR));
    QCOMPARE(r.title, QStringLiteral("Errore..."));
    QCOMPARE(r.icon, PromptIcon::Warning);
}

QTEST_MAIN(TestProgramEntry)
#include "tst_programentry.moc"
