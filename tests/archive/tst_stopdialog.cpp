// The end-of-connection dialog and the edit dialog it opens: both modes,
// both choices, the close box, the description, and a failing write.
#include "archive/SessionArchive.h"
#include "archive/uModConn.h"
#include "archive/uStop.h"
#include "common/Format.h"
#include "common/ScriptedPrompt.h"
#include "platform/gui/HelpKey.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using testsupport::child;

using namespace archivetest;

namespace
{

const TDateTime T0 = dt::encode(2001, 5, 14, 21, 30, 5);

class FakeBar : public IStopBar
{
public:
    void hideBar() override { events << QStringLiteral("hide"); }
    void showBar() override { events << QStringLiteral("show"); }
    void resetTimeAndCost() override { events << QStringLiteral("reset"); }
    QStringList events;
};

// A finished session, as the watch hands it to the dialog.
struct Fixture {
    explicit Fixture(const QString& folder) : archive(folder) {}

    // periodicSaves: how many ticks ran with the connection confirmed
    // (the first one appends the running record).
    void session(int confirmedTicks)
    {
        recs.running.provider = QStringLiteral("Prova");
        recs.running.telefono = QStringLiteral("0114567");
        session::armFirstSave(recs);
        session::begin(recs, archive, QStringLiteral("Tab"), 0, T0, prompt);
        TDateTime now = T0;
        for (int i = 0; i < confirmedTicks; ++i) {
            now += dt::OneSecond;
            session::countTick(recs, now);
            session::periodicSave(recs, archive, 50.49, true, prompt);
        }
        session::end(recs, now + dt::OneSecond, 60.0);
    }

    // Opens the dialog; act runs inside it and must close it.
    bool open(Light light, const std::function<void(TfStop*)>& act)
    {
        QTimer::singleShot(0, [this, act] {
            QVERIFY(dialog());
            QVERIFY(slot->isVisible());
            QCOMPARE(slot->windowModality(), Qt::ApplicationModal);
            act(dialog());
            // A failed check left the dialog open: close it so the run goes on.
            if (QTest::currentTestFailed() && dialog())
                dialog()->reject();
        });
        // Never hang the run when a check above failed.
        QTimer::singleShot(5000, [this] {
            if (TfStop* d = dialog())
                d->reject();
        });
        StopContext ctx{recs, archive, prompt, &bar, &slot};
        return TfStop::open(light, ctx);
    }

    QByteArray file() const { return readFileBytes(archive.path()); }

    ConnRecords recs;
    TArchiveFile archive;
    TScriptedPrompt prompt;
    FakeBar bar;
    QPointer<QWidget> slot;
    TfStop* dialog() const { return qobject_cast<TfStop*>(slot.data()); }
};

void clickOk(TfStop* d)
{
    child<QPushButton>(d, "Button1")->click();
}

} // namespace

class TstStopDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void emptyLightShowsNothing()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(1);
        const QByteArray before = f.file();
        StopContext ctx{f.recs, f.archive, f.prompt, &f.bar, &f.slot};
        QVERIFY(!TfStop::open(Light::None, ctx));
        QVERIFY(f.bar.events.isEmpty());
        QCOMPARE(f.file(), before);
    }

    void modes_data()
    {
        QTest::addColumn<Light>("light");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keep");
        QTest::newRow("green") << Light::Green << TfStop::EndedTitle << TfStop::EndedText << true;
        QTest::newRow("yellow") << Light::Yellow << TfStop::NotStartedTitle
                                << TfStop::NotStartedText << false;
        QTest::newRow("red") << Light::Red << TfStop::NotStartedTitle << TfStop::NotStartedText
                             << false;
    }
    // "&OK" at once: a confirmed connection is stored once, without "In
    // Corso"; one that was only being dialled writes nothing.
    void modes()
    {
        QFETCH(Light, light);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, keep);
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(0);
        QVERIFY(f.open(light, [&](TfStop* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Connessione Terminata"));
            QCOMPARE(d->size(), QSize(308, 280));
            QCOMPARE(testsupport::layoutProblems(d), QString());
            QVERIFY(d->windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(child<QLabel>(d, "Label1")->text(), title);
            QCOMPARE(child<QLabel>(d, "Label2")->text(), QString(text).replace('\r', '\n'));
            QCOMPARE(child<QRadioButton>(d, "rbSI")->isChecked(), keep);
            QCOMPARE(child<QRadioButton>(d, "rbNO")->isChecked(), !keep);
            QCOMPARE(child<QPushButton>(d, "bDesc")->isEnabled(), keep);
            QCOMPARE(f.bar.events, QStringList{"hide"});
            clickOk(d);
        }));
        QVERIFY(!f.slot);
        QVERIFY(!f.recs.sessionSaved);
        if (keep) {
            QCOMPARE(f.bar.events, (QStringList{"hide", "show"}));
            QCOMPARE(f.file().size(), 308);
            const ConnRecord r = ConnRecord::fromBytes(f.file());
            QCOMPARE(r.motivo, QString());
            QCOMPARE(r.costo, 60.0f);
        } else {
            QCOMPARE(f.bar.events, (QStringList{"hide", "reset", "show"}));
            QCOMPARE(f.file().size(), 0);
        }
    }

    void confirmAfterSavesLeavesOneRecord()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        QVERIFY(writeFileBytes(f.archive.path(), sample(0).toBytes()));
        f.session(45);
        QVERIFY(f.open(Light::Green, clickOk));
        QCOMPARE(f.file().size(), 2 * 308);
        QCOMPARE(ConnRecord::fromBytes(recordAt(f.file(), 1)).costo, 60.0f);
    }

    // rbSI is never unchecked by rbNO's side effects: bDesc stays enabled.
    void discardAfterSaveLeavesEmptyRecord()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        QVERIFY(writeFileBytes(f.archive.path(), sample(0).toBytes()));
        f.session(22);
        QVERIFY(f.open(Light::Green, [](TfStop* d) {
            child<QRadioButton>(d, "rbNO")->click();
            QVERIFY(child<QPushButton>(d, "bDesc")->isEnabled());
            clickOk(d);
        }));
        QCOMPARE(f.file().size(), 2 * 308);
        QCOMPARE(recordAt(f.file(), 0), sample(0).toBytes());
        QCOMPARE(recordAt(f.file(), 1), QByteArray(308, '\0'));
        QCOMPARE(f.bar.events, (QStringList{"hide", "reset", "show"}));
    }

    void yellowChoosingKeepEnablesDescription()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(0);
        QVERIFY(f.open(Light::Yellow, [](TfStop* d) {
            child<QRadioButton>(d, "rbSI")->click();
            QVERIFY(child<QPushButton>(d, "bDesc")->isEnabled());
            clickOk(d);
        }));
        QCOMPARE(f.file().size(), 308);
    }

    // The close box writes nothing but still forgets the session's record.
    void closeBoxWritesNothing()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(3);
        const QByteArray before = f.file();
        QVERIFY(f.recs.sessionSaved);
        QVERIFY(f.open(Light::Green, [](TfStop* d) { d->close(); }));
        QCOMPARE(f.file(), before);
        QVERIFY(!f.recs.sessionSaved);
        QCOMPARE(f.bar.events, (QStringList{"hide", "show"}));
    }

    // "&Descrizione": the dialog steps aside for the edit dialog and comes
    // back with the same choice; the edited texts go into the record.
    void description_data()
    {
        QTest::addColumn<bool>("discard");
        QTest::newRow("kept") << false;
        QTest::newRow("then discarded") << true;
    }
    void description()
    {
        QFETCH(bool, discard);
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(22);
        bool edited = false;
        QVERIFY(f.open(Light::Green, [&](TfStop* d) {
            QTimer::singleShot(0, [&, d] {
                auto* edit = qobject_cast<TfModConn*>(QApplication::activeModalWidget());
                QVERIFY(edit);
                QVERIFY(!d->isVisible());
                QCOMPARE(child<QPlainTextEdit>(edit, "motivo")->toPlainText(), QString());
                QCOMPARE(child<QLineEdit>(edit, "provider")->text(), QStringLiteral("Prova"));
                child<QLineEdit>(edit, "telefono")->setText(QStringLiteral("0119999"));
                child<QPlainTextEdit>(edit, "motivo")->setPlainText(QStringLiteral("lavoro"));
                child<QPushButton>(edit, "SpeedButton1")->click();
                edited = true;
            });
            child<QPushButton>(d, "bDesc")->click();
            QVERIFY(edited);
            QVERIFY(d->isVisible());
            QVERIFY(child<QRadioButton>(d, "rbSI")->isChecked());
            QCOMPARE(f.recs.running.motivo, QStringLiteral("lavoro"));
            QCOMPARE(f.recs.running.telefono, QStringLiteral("0119999"));
            if (discard)
                child<QRadioButton>(d, "rbNO")->click();
            clickOk(d);
        }));
        QCOMPARE(f.file().size(), 308);
        if (discard) {
            QCOMPARE(f.file(), QByteArray(308, '\0'));
        } else {
            const ConnRecord r = ConnRecord::fromBytes(f.file());
            QCOMPARE(r.motivo, QStringLiteral("lavoro"));
            QCOMPARE(r.telefono, QStringLiteral("0119999"));
        }
    }

    void descriptionCancelled()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(0);
        QVERIFY(f.open(Light::Green, [&](TfStop* d) {
            QTimer::singleShot(0, [] {
                auto* edit = qobject_cast<TfModConn*>(QApplication::activeModalWidget());
                QVERIFY(edit);
                child<QLineEdit>(edit, "telefono")->setText(QStringLiteral("999"));
                child<QPushButton>(edit, "SpeedButton2")->click();
            });
            child<QPushButton>(d, "bDesc")->click();
            QCOMPARE(f.recs.running.telefono, QStringLiteral("0114567"));
            clickOk(d);
        }));
        QCOMPARE(ConnRecord::fromBytes(f.file()).telefono, QStringLiteral("0114567"));
    }

    // The archive cannot be written: the error box, the dialog stays with
    // its choice, and "&OK" works once the folder is back.
    void failedWriteKeepsTheDialog()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("prog"));
        Fixture f(folder);
        f.session(0);
        f.prompt.clear();
        QVERIFY(f.open(Light::Green, [&](TfStop* d) {
            clickOk(d);
            QVERIFY(d->isVisible());
            QCOMPARE(f.prompt.texts(),
                     QStringList{QStringLiteral("Cannot create file ") + f.archive.path()});
            QVERIFY(child<QRadioButton>(d, "rbSI")->isChecked());
            QVERIFY(QDir().mkpath(folder));
            clickOk(d);
        }));
        QCOMPARE(f.file().size(), 308);
    }

    void helpKeyAndBlink()
    {
        QTemporaryDir dir;
        Fixture f(dir.path());
        f.session(0);
        f.prompt.clear();
        QVERIFY(f.open(Light::Green, [&](TfStop* d) {
            QTest::keyClick(d, Qt::Key_F1);
            QCOMPARE(f.prompt.requests().size(), 1);
            QCOMPARE(f.prompt.requests()[0].text, NoHelpText);
            QCOMPARE(f.prompt.requests()[0].title, QStringLiteral("Tarvelo!..."));
            QCOMPARE(f.prompt.requests()[0].icon, PromptIcon::Warning);
            auto* icon = child<QLabel>(d, "StopImage");
            const bool hidden = icon->isHidden();
            d->blinkTick();
            QCOMPARE(icon->isHidden(), !hidden);
            d->blinkTick();
            QCOMPARE(icon->isHidden(), hidden);
            d->close();
        }));
    }
};

QTEST_MAIN(TstStopDialog)
#include "tst_stopdialog.moc"
