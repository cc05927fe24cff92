// Editing one listed connection in the archive without any window: the
// record is written back only over the connection that was listed there,
// with what a periodic save wrote meanwhile kept.
//
// The fixture archive holds connections at positions 0, 1, 2, 5 and 6; 3 is
// deleted and 4 damaged.

#include "archive/ArchiveEdit.h"
#include "archive/ArchiveFile.h"
#include "tests/archive/SelectionFixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace selectiontest;

namespace
{

enum class Meanwhile { Nothing, Deleted, Replaced, PeriodicSave };

// What the edit dialog hands back: new texts, and a start, end and cost that
// must never reach the archive.
ConnRecord edited()
{
    return conn(20, 1, 2, 3, 999.0f, QStringLiteral("0999"), QStringLiteral("Nuovo"),
                QStringLiteral("Altra"), QStringLiteral("lavoro"));
}

} // namespace

Q_DECLARE_METATYPE(Meanwhile)
Q_DECLARE_METATYPE(archiveedit::Status)

class TstArchiveEdit : public QObject
{
    Q_OBJECT
private slots:
    void editListed_data()
    {
        QTest::addColumn<int>("indice");
        // The start the row listed: that of the connection at this position
        // of the fixture; -1: none (the empty row of an empty selection).
        QTest::addColumn<int>("startOf");
        QTest::addColumn<Meanwhile>("meanwhile");
        QTest::addColumn<archiveedit::Status>("status");
        using S = archiveedit::Status;
        QTest::newRow("still there") << 5 << 5 << Meanwhile::Nothing << S::Written;
        QTest::newRow("end and cost saved since")
            << 5 << 5 << Meanwhile::PeriodicSave << S::Written;
        QTest::newRow("deleted since") << 5 << 5 << Meanwhile::Deleted << S::Missing;
        QTest::newRow("another connection there since")
            << 5 << 5 << Meanwhile::Replaced << S::Missing;
        QTest::newRow("another start listed") << 5 << 6 << Meanwhile::Nothing << S::Missing;
        QTest::newRow("damaged there") << 4 << 0 << Meanwhile::Nothing << S::Missing;
        QTest::newRow("past the end") << 99 << 0 << Meanwhile::Nothing << S::Missing;
        QTest::newRow("nothing listed") << 5 << -1 << Meanwhile::Nothing << S::Missing;
    }
    void editListed()
    {
        QFETCH(int, indice);
        QFETCH(int, startOf);
        QFETCH(Meanwhile, meanwhile);
        QFETCH(archiveedit::Status, status);
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        const archivechange::RecordRef ref{
            indice, startOf >= 0 ? fixtureRecords().at(startOf).inizio : 0.0};

        ConnRecord there = fixtureRecords().value(indice);
        there.indice = indice;
        {
            TArchiveFile other(dir.path());
            QVERIFY(other.open());
            switch (meanwhile) {
            case Meanwhile::Nothing:
                break;
            case Meanwhile::Deleted:
                QVERIFY(other.write(indice, ConnRecord{}));
                break;
            case Meanwhile::Replaced:
                there = conn(25, 9, 0, 60, 10.0f, QStringLiteral("0303"), QStringLiteral("Zeta"),
                             QString());
                there.indice = indice;
                QVERIFY(other.write(indice, there));
                break;
            case Meanwhile::PeriodicSave:
                there.fine += 600 * dt::OneSecond;
                there.costo += 100;
                QVERIFY(other.write(indice, there));
                break;
            }
        }
        const QByteArray before = archivetest::readFileBytes(dir.filePath("Archivio.sto"));

        TArchiveFile archive(dir.path());
        const archiveedit::Result r =
            archiveedit::editListed(archive, ref, [](const ConnRecord& stored) {
                return archiveedit::withEdits(stored, edited());
            });
        QCOMPARE(r.status, status);
        QVERIFY(r.error.isEmpty());

        const QByteArray after = archivetest::readFileBytes(dir.filePath("Archivio.sto"));
        QCOMPARE(after.size(), before.size());
        if (status != archiveedit::Status::Written) {
            QCOMPARE(after, before);
            return;
        }
        // The texts from the dialog; start, end and cost as stored now.
        ConnRecord expected = there;
        expected.provider = edited().provider;
        expected.telefono = edited().telefono;
        expected.motivo = edited().motivo;
        QCOMPARE(ConnRecord::fromBytes(archivetest::recordAt(after, indice)), expected);
        for (int i = 0; i < before.size() / ConnRecord::Size; ++i)
            if (i != indice)
                QCOMPARE(archivetest::recordAt(after, i), archivetest::recordAt(before, i));
    }

    void archiveCannotBeOpened()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Archivio.sto")));
        TArchiveFile archive(dir.path());
        bool changed = false;
        const archiveedit::Result r = archiveedit::editListed(
            archive, {0, fixtureRecords().first().inizio}, [&](const ConnRecord& stored) {
                changed = true;
                return stored;
            });
        QCOMPARE(r.status, archiveedit::Status::Failed);
        QVERIFY2(r.error.contains(dir.filePath("Archivio.sto")), qPrintable(r.error));
        QVERIFY(!changed);
    }
};

QTEST_MAIN(TstArchiveEdit)
#include "tst_archiveedit.moc"
