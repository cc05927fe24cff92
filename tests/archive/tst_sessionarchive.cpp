// A session's archive traffic: session begin, the periodic save every 21
// ticks, the final and discard writes, and what happens when the archive
// cannot be written.
#include "archive/SessionArchive.h"
#include "common/ScriptedPrompt.h"
#include "tests/archive/ArchiveTestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace archivetest;

namespace
{

const TDateTime T0 = dt::encode(2001, 5, 14, 21, 30, 0);

class RecordingIndicator : public ISaveIndicator
{
public:
    void saveStarted() override { events << QStringLiteral("rosso"); }
    void saveFinished(bool ok) override { events << (ok ? QStringLiteral("verde") : "errore"); }
    QStringList events;
};

// One session on a fresh set of records, driven tick by tick.
struct Session {
    explicit Session(const QString& folder, const QString& fileName = TArchiveFile::DefaultFileName)
        : archive(folder, fileName)
    {
    }

    void start(int dialTime = 0)
    {
        recs.running.provider = QStringLiteral("Prova");
        recs.running.telefono = QStringLiteral("0114567");
        session::armFirstSave(recs);
        session::begin(recs, archive, QStringLiteral("Telecom Urbana 50%"), dialTime, now, prompt);
    }
    // One session tick, one second later; the cost grows by 10 Lire a second.
    session::SaveResult tick(bool connected = true)
    {
        now += dt::OneSecond;
        if (!session::countTick(recs, now))
            return session::SaveResult::NotDue;
        const double c = 10.0 * double(dt::secondsBetween(recs.running.inizio, now));
        return session::periodicSave(recs, archive, session::shownCost(c, 20), connected, prompt,
                                     &indicator);
    }
    QList<session::SaveResult> ticks(int n, bool connected = true)
    {
        QList<session::SaveResult> out;
        for (int i = 0; i < n; ++i)
            out << tick(connected);
        return out;
    }
    QByteArray file() const { return readFileBytes(archive.path()); }

    ConnRecords recs;
    TArchiveFile archive;
    TScriptedPrompt prompt;
    RecordingIndicator indicator;
    TDateTime now = T0;
};

ConnRecord storedAt(const QByteArray& file, int i)
{
    return ConnRecord::fromBytes(recordAt(file, i));
}

} // namespace

class TstSessionArchive : public QObject
{
    Q_OBJECT
private slots:
    void beginSetsTheRunningRecord()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        s.recs.running.motivo = QStringLiteral("vecchio");
        s.start(10);
        const ConnRecord& r = s.recs.running;
        QCOMPARE(r.inizio, T0 + 10 * dt::OneSecond);
        QCOMPARE(r.fine, r.inizio + dt::OneSecond);
        QCOMPARE(r.motivo, session::InCorso);
        QCOMPARE(r.nomeTar, QStringLiteral("Telecom Urbana 50%"));
        QCOMPARE(s.recs.saveCounter, session::FirstSaveCounter);
        // The first session creates the archive, empty.
        QVERIFY(QFileInfo::exists(s.archive.path()));
        QCOMPARE(s.file().size(), 0);

        s.start(0); // the profile name is cut to its field
        session::begin(s.recs, s.archive, QString(60, QLatin1Char('p')), 0, T0, s.prompt);
        QCOMPARE(s.recs.running.nomeTar.size(), 50);
    }

    // The first tick after begin is not counted with DialTime: the clock has
    // not reached inizio yet.
    void ticksBeforeStartAreNotCounted()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        s.start(10);
        QCOMPARE(s.ticks(9), QList<session::SaveResult>(9, session::SaveResult::NotDue));
        QCOMPARE(s.recs.saveCounter, session::FirstSaveCounter);
        QCOMPARE(s.recs.running.fine, s.recs.running.inizio + dt::OneSecond);
        QCOMPARE(s.file().size(), 0);
        QCOMPARE(s.tick(), session::SaveResult::Saved);
        QCOMPARE(s.file().size(), 308);
    }

    // The first confirmed tick appends; every 21st tick after it overwrites
    // the same record, never adding another.
    void periodicSaveSequence()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        QVERIFY(writeFileBytes(s.archive.path(), sample(0).toBytes() + sample(1).toBytes()));
        s.start();
        QCOMPARE(s.tick(), session::SaveResult::Saved);
        QByteArray f = s.file();
        QCOMPARE(f.size(), 3 * 308);
        ConnRecord r = storedAt(f, 2);
        QCOMPARE(r.motivo, session::InCorso);
        QCOMPARE(r.fine, T0 + dt::OneSecond);
        QCOMPARE(r.costo, float(10 * 1.2 + 0.49));
        QCOMPARE(r.indice, 0);
        QCOMPARE(r.provider, QStringLiteral("Prova"));
        QCOMPARE(s.indicator.events, (QStringList{"rosso", "verde"}));

        for (int round = 1; round <= 3; ++round) {
            const QList<session::SaveResult> results = s.ticks(21);
            QCOMPARE(results.count(session::SaveResult::Saved), 1);
            QCOMPARE(results.last(), session::SaveResult::Saved);
            f = s.file();
            QCOMPARE(f.size(), 3 * 308);
            QCOMPARE(recordAt(f, 0), sample(0).toBytes());
            QCOMPARE(recordAt(f, 1), sample(1).toBytes());
            QCOMPARE(storedAt(f, 2).fine, T0 + (1 + 21 * round) * dt::OneSecond);
        }
        QVERIFY(!s.archive.isOpen()); // each save closes the file behind it
        QVERIFY(s.prompt.requests().isEmpty());
    }

    // While the connection is only being dialled nothing is saved; once it
    // is confirmed (the watch calls session begin again) the record is
    // appended at the next tick.
    void yellowThenGreen()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        s.start();
        QCOMPARE(s.ticks(30, false).count(session::SaveResult::NotDue), 30);
        QCOMPARE(s.file().size(), 0);
        session::armFirstSave(s.recs);
        QCOMPARE(s.tick(), session::SaveResult::Saved);
        QCOMPARE(s.file().size(), 308);
    }

    // A record written behind the session (another writer) does not make the
    // next periodic save overwrite that record instead of the session's own.
    void laterSavesFindTheirOwnRecord()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        s.start();
        QCOMPARE(s.tick(), session::SaveResult::Saved);
        TArchiveFile other(dir.path());
        QVERIFY(other.open());
        QVERIFY(other.write(other.count(), sample(7)));
        other.close();
        s.ticks(21);
        const QByteArray f = s.file();
        QCOMPARE(f.size(), 2 * 308);
        QCOMPARE(storedAt(f, 0).motivo, session::InCorso);
        QCOMPARE(recordAt(f, 1), sample(7).toBytes());
    }

    // Confirmed after several saves: one record, final end and cost without
    // the 0.49, and no "Connessione In Corso..." left.
    void finalWriteAfterSaves()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        s.start();
        s.ticks(50);
        const TDateTime end = s.now + 0.5 * dt::OneSecond;
        session::end(s.recs, end, 1481.28);
        QCOMPARE(s.recs.transfer, s.recs.running);
        QCOMPARE(s.file().size(), 308);
        QCOMPARE(storedAt(s.file(), 0).motivo, session::InCorso); // nothing written yet
        QVERIFY(session::finalWrite(s.recs, s.archive, s.prompt));
        const ConnRecord r = storedAt(s.file(), 0);
        QCOMPARE(s.file().size(), 308);
        QCOMPARE(r.fine, end);
        QCOMPARE(r.costo, 1481.28f);
        QCOMPARE(r.motivo, QString());
        QVERIFY(!s.archive.isOpen());
    }

    void finalWriteWithoutSaveAppendsOnce()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        QVERIFY(writeFileBytes(s.archive.path(), sample(0).toBytes() + QByteArray(100, 'x')));
        s.start();
        s.ticks(5, false);
        session::end(s.recs, s.now, 12.0);
        s.recs.running.motivo = QStringLiteral("Connessione In Corso... e poi?");
        QVERIFY(session::finalWrite(s.recs, s.archive, s.prompt));
        const QByteArray f = s.file();
        QCOMPARE(f.size(), 2 * 308);
        QCOMPARE(recordAt(f, 0), sample(0).toBytes());
        QCOMPARE(storedAt(f, 1).motivo, QStringLiteral("Connessione In Corso... e poi?"));
    }

    void discardAfterSaveLeavesEmptyRecord()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        QVERIFY(writeFileBytes(s.archive.path(), sample(0).toBytes()));
        s.start();
        s.ticks(25);
        session::end(s.recs, s.now, 99.0);
        QVERIFY(session::discardWrite(s.recs, s.archive, s.prompt));
        const QByteArray f = s.file();
        QCOMPARE(f.size(), 2 * 308);
        QCOMPARE(recordAt(f, 0), sample(0).toBytes());
        QCOMPARE(recordAt(f, 1), QByteArray(308, '\0'));
    }

    void discardWithoutSaveWritesNothing()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        QVERIFY(writeFileBytes(s.archive.path(), sample(0).toBytes()));
        s.start();
        s.ticks(3, false);
        session::end(s.recs, s.now, 0);
        QVERIFY(session::discardWrite(s.recs, s.archive, s.prompt));
        QCOMPARE(s.file(), sample(0).toBytes());
    }

    void clearInCorso_data()
    {
        QTest::addColumn<QString>("motivo");
        QTest::addColumn<QString>("stored");
        QTest::newRow("exact") << "Connessione In Corso..."
                               << "";
        QTest::newRow("begins with it") << "Connessione In Corso...!"
                                        << "Connessione In Corso...!";
        QTest::newRow("other case") << "connessione in corso..."
                                    << "connessione in corso...";
        QTest::newRow("shorter") << "Connessione In Corso.."
                                 << "Connessione In Corso..";
        QTest::newRow("user text") << "posta"
                                   << "posta";
    }
    void clearInCorso()
    {
        QFETCH(QString, motivo);
        QFETCH(QString, stored);
        ConnRecord r;
        r.motivo = motivo;
        session::clearInCorso(r);
        QCOMPARE(r.motivo, stored);
    }

    // A session that ends without the end dialog (busy line, dialler) must
    // not leave the next session writing over its record.
    void newSessionForgetsTheOldRecord()
    {
        QTemporaryDir dir;
        Session s(dir.path());
        s.start();
        s.tick();
        session::end(s.recs, s.now, 1.0);
        s.start();
        s.tick();
        QCOMPARE(s.file().size(), 2 * 308);
        QCOMPARE(s.recs.sessionIndex, 1);
    }

    // The archive cannot be created: the error is shown once, not every
    // second; every tick retries, and the first success appends the record.
    void failingSaveReportsOnceAndRetries()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("prog"));
        Session s(folder);
        s.start();
        QCOMPARE(s.prompt.requests().size(), 1); // from session begin
        const QList<session::SaveResult> failed = s.ticks(30);
        QCOMPARE(failed, QList<session::SaveResult>(30, session::SaveResult::Failed));
        QCOMPARE(s.prompt.requests().size(), 1);
        const PromptRequest& shown = s.prompt.requests().first();
        QCOMPARE(shown.text, QStringLiteral("Cannot create file ") + s.archive.path());
        QCOMPARE(shown.title, QStringLiteral("Tarvelo!"));
        QCOMPARE(shown.icon, PromptIcon::Error);
        QCOMPARE(s.indicator.events.mid(0, 2), (QStringList{"rosso", "errore"}));

        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(s.tick(), session::SaveResult::Saved);
        QCOMPARE(s.file().size(), 308);
        QCOMPARE(s.recs.saveCounter, 0);

        // Fails again later: shown again, once.
        QVERIFY(QDir(folder).removeRecursively());
        s.ticks(42);
        QCOMPARE(s.prompt.requests().size(), 2);
    }

    // The disk is full: opening works, writing does not. Shown once as well.
    void failingWriteReportsOnce()
    {
        Session s(QStringLiteral("/dev"), QStringLiteral("full"));
        s.start();
        if (!s.prompt.requests().isEmpty())
            QSKIP("/dev/full cannot be opened for writing here");
        QCOMPARE(s.ticks(25), QList<session::SaveResult>(25, session::SaveResult::Failed));
        QCOMPARE(s.prompt.requests().size(), 1);
        QVERIFY(s.prompt.requests()[0].text.startsWith(
            QStringLiteral("Cannot write file /dev/full: ")));
        QVERIFY(!s.recs.sessionSaved);
    }

    // The final write that cannot open the archive reports it every time
    // (the user pressed OK) and changes nothing, so OK can try again.
    void finalWriteFailure()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("prog"));
        Session s(folder);
        s.start();
        s.ticks(2, false);
        session::end(s.recs, s.now, 5.0);
        s.prompt.clear();
        QVERIFY(!session::finalWrite(s.recs, s.archive, s.prompt));
        QVERIFY(!session::finalWrite(s.recs, s.archive, s.prompt));
        QCOMPARE(s.prompt.requests().size(), 2);
        QVERIFY(!s.recs.sessionSaved);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(session::finalWrite(s.recs, s.archive, s.prompt));
        QCOMPARE(s.file().size(), 308);
    }

    void costArithmetic()
    {
        QCOMPARE(float(session::shownCost(1234.4, 20)), 1481.77f);
        QCOMPARE(float(session::withVat(1234.4, 20)), 1481.28f);
        QCOMPARE(session::withVat(100, 0), 100.0);
    }
};

QTEST_GUILESS_MAIN(TstSessionArchive)
#include "tst_sessionarchive.moc"
