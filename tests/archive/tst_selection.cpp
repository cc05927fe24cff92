// The archive window's selection without the window: the filter over a small
// archive, the totals, the marks and bars of each row, the cell texts and the
// predefined periods and their moves.

#include "archive/ArchiveFile.h"
#include "archive/Selection.h"
#include "archive/SelectionPeriod.h"
#include "tests/archive/SelectionFixture.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace selectiontest;

Q_DECLARE_METATYPE(SelectionFilter)

namespace
{

SelectionFilter filter(int fromDay, int toDay)
{
    SelectionFilter f;
    f.query.dal = dt::encodeDate(2001, 3, fromDay);
    f.query.al = dt::encodeDate(2001, 3, toDay) + 0.75; // the time part plays no part
    f.query.provTutti = true;
    f.query.tarTutti = true;
    return f;
}

// count records in March 2001, every third one deleted and every
// seventh one torn, over four telephones.
QByteArray manyRecords(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        if (i % 3 == 2) {
            out += QByteArray(ConnRecord::Size, '\0');
            continue;
        }
        QByteArray b = conn(1 + i % 31, i % 24, i % 60, 30 + i % 500, float(i % 997),
                            QStringLiteral("070%1").arg(i % 4), QStringLiteral("Alfa"), QString())
                           .toBytes();
        if (i % 7 == 6)
            b.replace(0, 8, QByteArray(8, '\xff'));
        out += b;
    }
    return out;
}

QList<int> positions(const TSelection& s)
{
    QList<int> out;
    for (const ConnRecord& r : s.records())
        out.append(r.indice);
    return out;
}

} // namespace

class TstSelection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void filters_data()
    {
        QTest::addColumn<SelectionFilter>("f");
        QTest::addColumn<QList<int>>("expected");

        QTest::newRow("everything") << filter(1, 31) << QList<int>{0, 1, 2, 5, 6};
        QTest::newRow("bounds inclusive") << filter(2, 4) << QList<int>{1, 2, 5};
        QTest::newRow("one day") << filter(10, 10) << QList<int>{6};
        QTest::newRow("nothing") << filter(20, 31) << QList<int>{};
        QTest::newRow("reversed period") << filter(4, 2) << QList<int>{};
        // A damaged query file may hold dates that are no number: such a
        // period holds no day, rather than letting every day through.
        SelectionFilter damaged = filter(1, 31);
        damaged.query.dal = std::nan("");
        QTest::newRow("from date not a number") << damaged << QList<int>{};
        damaged = filter(1, 31);
        damaged.query.al = std::nan("");
        QTest::newRow("to date not a number") << damaged << QList<int>{};

        SelectionFilter f = filter(1, 31);
        f.query.tarTutti = false;
        f.query.nomeTar = QStringLiteral("Interurbana");
        QTest::newRow("tariff") << f << QList<int>{2};
        f.query.nomeTar.clear();
        QTest::newRow("empty tariff matches records without one") << f << QList<int>{5};

        f = filter(1, 31);
        f.query.provTutti = false;
        f.query.provider = QStringLiteral("Alfa");
        f.providerBoxEmpty = false;
        QTest::newRow("provider") << f << QList<int>{0, 2, 6};
        f.query.provider = QStringLiteral("alfa");
        QTest::newRow("provider case counts") << f << QList<int>{};
        f.query.provider = QStringLiteral("Alfa");
        f.query.tel = QStringLiteral("0101");
        f.telBoxEmpty = false;
        QTest::newRow("provider and telephone") << f << QList<int>{0, 2};
        f.query.provTutti = true;
        QTest::newRow("Tutto lifts the telephone too") << f << QList<int>{0, 1, 2, 5, 6};

        f = filter(1, 31);
        f.query.provTutti = false;
        f.query.provider = QStringLiteral("Alfa");
        f.providerBoxEmpty = true;
        QTest::newRow("empty provider box lets all through") << f << QList<int>{0, 1, 2, 5, 6};
        f.query.tel = QStringLiteral("0202");
        f.telBoxEmpty = false;
        QTest::newRow("telephone only") << f << QList<int>{1, 6};
    }
    void filters()
    {
        QFETCH(SelectionFilter, f);
        QFETCH(QList<int>, expected);
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.load(archive, f), TSelection::LoadResult::Loaded);
        QCOMPARE(positions(sel), expected);
        QVERIFY(archive.isOpen()); // left open, as the writers expect
    }

    void totalsAndMarks()
    {
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.load(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        const SelectionTotals& t = sel.totals();
        QCOMPARE(t.totalCost, 1234.2f + 300.0f + 50.0f + 1234.2f + 80.0f);
        QCOMPARE(qRound(t.totalTime / dt::OneSecond), 3600 + 1200 + 60 + 600 + 120);
        QCOMPARE(t.minCost, 50.0f);
        QCOMPARE(t.maxCost, 1234.2f);
        QCOMPARE(qRound(t.minTime / dt::OneSecond), 60);
        QCOMPARE(qRound(t.maxTime / dt::OneSecond), 3600);
        QCOMPARE(sel.telephones(), (QStringList{"0101", "0202"}));

        // Both connections of the largest cost carry the mark.
        QStringList marks;
        for (const ConnRecord& r : sel.records())
            marks.append(TSelection::marks(r, t));
        QCOMPARE(marks, (QStringList{"spesa max, tempo max", "", "spesa min, tempo min",
                                     "spesa max", ""}));

        // Bars over a cell 104 pixels wide: (value - min) × w / (max - min).
        const int w = 100;
        QCOMPARE(TSelection::costBarLength(sel.at(0), t, w), 100);
        QCOMPARE(TSelection::costBarLength(sel.at(2), t, w), 0);
        QCOMPARE(TSelection::costBarLength(sel.at(1), t, w), (300 - 50) * w / (1234 - 50));
        QCOMPARE(TSelection::timeBarLength(sel.at(1), t, w), (1200 - 60) * w / (3600 - 60));
        QCOMPARE(TSelection::timeBarLength(sel.at(0), t, w), 100);
    }

    void emptySelection()
    {
        QTemporaryDir dir;
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.load(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        QVERIFY(QFile::exists(archive.path())); // a missing archive is created empty
        QCOMPARE(sel.count(), 0);
        QCOMPARE(sel.at(0), ConnRecord{});
        QCOMPARE(TSelection::lireText(sel.totals().totalCost), QStringLiteral("0"));
        QCOMPARE(TSelection::totalTimeText(sel.totals().totalTime), QStringLiteral("0, 00:00:00"));
    }

    void oneMinMaxConnection()
    {
        // A single connection is both the cheapest and the dearest: the bars
        // use the whole width factor instead of dividing by zero.
        SelectionTotals t;
        const ConnRecord r = conn(1, 10, 0, 90, 120.0f, {}, {}, {});
        t.add(r);
        QCOMPARE(TSelection::marks(r, t), QStringLiteral("spesa max, tempo max"));
        QCOMPARE(TSelection::costBarLength(r, t, 80), 0);
        QCOMPARE(TSelection::timeBarLength(r, t, 80), 0);
    }

    void damagedCostBars_data()
    {
        QTest::addColumn<float>("low");
        QTest::addColumn<float>("high");
        // Costs a damaged record may hold: finite, but beyond any whole number
        // of Lire the bar arithmetic can hold.
        QTest::newRow("dearest beyond") << 100.0f << 1e30f;
        QTest::newRow("cheapest beyond") << -1e30f << 100.0f;
        QTest::newRow("both beyond")
            << -std::numeric_limits<float>::max() << std::numeric_limits<float>::max();
    }
    void damagedCostBars()
    {
        QFETCH(float, low);
        QFETCH(float, high);
        const ConnRecord cheap = conn(1, 10, 0, 90, low, {}, {}, {});
        const ConnRecord dear = conn(2, 10, 0, 90, high, {}, {}, {});
        SelectionTotals t;
        t.add(cheap);
        t.add(dear);
        // The bars still run from the cheapest to the dearest within the cell.
        QCOMPARE(TSelection::costBarLength(cheap, t, 80), 0);
        QCOMPARE(TSelection::costBarLength(dear, t, 80), 80);
    }

    void archiveCannotOpen()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Archivio.sto")));
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.load(archive, filter(1, 31)), TSelection::LoadResult::OpenFailed);
        QVERIFY(sel.errorText().startsWith(QStringLiteral("Cannot open file")));
    }

    void slicesGiveTheWholeSelection_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("slice");
        QTest::newRow("fixture, one record a slice") << 0 << 1;
        QTest::newRow("fixture, five a slice") << 0 << 5;
        QTest::newRow("fixture, all in one slice") << 0 << 100000;
        QTest::newRow("9000 records, slices across blocks") << 9000 << 3000;
        QTest::newRow("9000 records, one block a slice") << 9000 << 4096;
    }
    // Loading a slice at a time gives what loading at once gives; the
    // progress counts up to the archive's records.
    void slicesGiveTheWholeSelection()
    {
        QFETCH(int, records);
        QFETCH(int, slice);
        QTemporaryDir dir;
        if (records == 0)
            QVERIFY(writeFixture(dir.path()));
        else
            QVERIFY(archivetest::writeFileBytes(dir.path() + QStringLiteral("/Archivio.sto"),
                                                manyRecords(records)));
        TArchiveFile archive(dir.path());
        TSelection whole;
        QCOMPARE(whole.load(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        QVERIFY(whole.complete());

        TSelection sliced;
        QCOMPARE(sliced.begin(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        int scanned = 0;
        TSelection::Step step = TSelection::Step::More;
        while (step == TSelection::Step::More) {
            step = sliced.loadSlice(slice);
            QVERIFY(sliced.scanned() > scanned || step != TSelection::Step::More);
            scanned = sliced.scanned();
        }
        QCOMPARE(step, TSelection::Step::Done);
        QCOMPARE(sliced.scanned(), sliced.total());
        QVERIFY(sliced.complete());
        QVERIFY(!sliced.loading());
        QCOMPARE(positions(sliced), positions(whole));
        QCOMPARE(sliced.records(), whole.records());
        QCOMPARE(sliced.telephones(), whole.telephones());
        QCOMPARE(sliced.totals().totalCost, whole.totals().totalCost);
        QCOMPARE(sliced.totals().maxTime, whole.totals().maxTime);
    }

    // Between slices the running session's periodic save closes, reopens
    // and appends to the archive: the load goes on unharmed and reads the
    // archive as it was when the load began.
    void loadSurvivesThePeriodicSave()
    {
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.begin(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        QCOMPARE(sel.loadSlice(2), TSelection::Step::More);
        archive.close();
        QVERIFY(archive.open());
        QVERIFY(archive.write(archive.count(), conn(5, 9, 0, 60, 1.0f, {}, {}, {})));
        archive.close();
        TSelection::Step step = TSelection::Step::More;
        while (step == TSelection::Step::More)
            step = sel.loadSlice(2);
        QCOMPARE(step, TSelection::Step::Done);
        QCOMPARE(positions(sel), (QList<int>{0, 1, 2, 5, 6}));
    }

    // A stopped load keeps what it read; the next load starts afresh.
    void cancelledLoad()
    {
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.begin(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        QCOMPARE(sel.loadSlice(3), TSelection::Step::More);
        sel.cancel();
        QVERIFY(!sel.loading());
        QVERIFY(!sel.complete());
        QCOMPARE(positions(sel), (QList<int>{0, 1, 2}));
        QCOMPARE(sel.loadSlice(3), TSelection::Step::Failed); // nothing more to read
        QCOMPARE(sel.load(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        QCOMPARE(positions(sel), (QList<int>{0, 1, 2, 5, 6}));
    }

    // Where each listed connection is, and the start it had, for changes of
    // many rows; rows past the selection have none.
    void refsOfRows()
    {
        QTemporaryDir dir;
        QVERIFY(writeFixture(dir.path()));
        TArchiveFile archive(dir.path());
        TSelection sel;
        QCOMPARE(sel.load(archive, filter(1, 31)), TSelection::LoadResult::Loaded);
        const std::vector<archivechange::RecordRef> refs = sel.refs(2, 5);
        QCOMPARE(int(refs.size()), 4);
        QCOMPARE(refs[0].indice, 2);
        QCOMPARE(refs[0].inizio, fixtureRecords()[2].inizio);
        QCOMPARE(refs[2].indice, 6);
        QCOMPARE(refs[3].indice, -1); // past the last record
        QCOMPARE(refs[3].inizio, 0.0);
        QCOMPARE(sel.at(1).indice, 1);
        QCOMPARE(sel.at(3).motivo, fixtureRecords()[5].motivo);
    }

    void cellTexts()
    {
        QCOMPARE(TSelection::lireText(1234.2f), QStringLiteral("1.235"));
        QCOMPARE(TSelection::lireText(1234.0f), QStringLiteral("1.234"));
        QCOMPARE(TSelection::euroText(1234.0f, 1936.27f), QStringLiteral("( 0,64 E)"));
        QCOMPARE(TSelection::euroText(1234.0f, 0.0f), QStringLiteral("( 0,00 E)"));
        QCOMPARE(TSelection::durationText(3725 * dt::OneSecond), QStringLiteral("01 02 05"));
        QCOMPARE(TSelection::totalTimeText(1 + 3725 * dt::OneSecond),
                 QStringLiteral("1, 01:02:05"));
    }

    void predefined_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        using K = SelectionPeriod::Kind;
        // Today is 2001-03-05.
        QTest::newRow("oggi") << int(K::Oggi) << QDate(2001, 3, 5) << QDate(2001, 3, 5);
        QTest::newRow("7") << int(K::UltSett) << QDate(2001, 2, 27) << QDate(2001, 3, 5);
        QTest::newRow("15") << int(K::Ult15gg) << QDate(2001, 2, 19) << QDate(2001, 3, 5);
        QTest::newRow("30") << int(K::Ult30gg) << QDate(2001, 2, 4) << QDate(2001, 3, 5);
        QTest::newRow("mese") << int(K::UltMese) << QDate(2001, 3, 1) << QDate(2001, 3, 31);
        QTest::newRow("bimestre") << int(K::UltBimestre) << QDate(2001, 2, 1) << QDate(2001, 3, 31);
    }
    void predefined()
    {
        QFETCH(int, kind);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        const SelectionPeriod p = SelectionPeriod::predefined(SelectionPeriod::Kind(kind),
                                                              dt::encode(2001, 3, 5, 18, 30));
        QCOMPARE(dt::toQDate(p.from), from);
        QCOMPARE(dt::toQDate(p.to), to);
    }

    void bimesterOverNewYear()
    {
        const SelectionPeriod p = SelectionPeriod::predefined(SelectionPeriod::Kind::UltBimestre,
                                                              dt::encode(2001, 1, 15));
        QCOMPARE(dt::toQDate(p.from), QDate(2000, 12, 1));
        QCOMPARE(dt::toQDate(p.to), QDate(2001, 1, 31));
    }

    void shifts_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QDate>("newFrom");
        QTest::addColumn<QDate>("newTo");
        using S = SelectionPeriod::Step;
        const QDate mar1(2001, 3, 1), mar3(2001, 3, 3);
        QTest::newRow("3 days forward")
            << mar1 << mar3 << int(S::Days) << true << QDate(2001, 3, 4) << QDate(2001, 3, 6);
        QTest::newRow("3 days back")
            << mar1 << mar3 << int(S::Days) << false << QDate(2001, 2, 26) << QDate(2001, 2, 28);
        QTest::newRow("reversed moves a day")
            << mar3 << mar1 << int(S::Days) << true << QDate(2001, 3, 4) << QDate(2001, 3, 2);
        QTest::newRow("month after February")
            << QDate(2001, 2, 1) << QDate(2001, 2, 28) << int(S::Month) << true << mar1
            << QDate(2001, 3, 31);
        QTest::newRow("month before January")
            << QDate(2001, 1, 10) << QDate(2001, 2, 5) << int(S::Month) << false
            << QDate(2000, 12, 1) << QDate(2000, 12, 31);
        QTest::newRow("leap February") << QDate(2004, 1, 1) << QDate(2004, 1, 31) << int(S::Month)
                                       << true << QDate(2004, 2, 1) << QDate(2004, 2, 29);
        QTest::newRow("bimester forward over the year")
            << QDate(2000, 10, 1) << QDate(2000, 11, 30) << int(S::Bimester) << true
            << QDate(2000, 12, 1) << QDate(2001, 1, 31);
        QTest::newRow("bimester back over the year")
            << QDate(2001, 1, 1) << QDate(2001, 2, 28) << int(S::Bimester) << false
            << QDate(2000, 11, 1) << QDate(2000, 12, 31);
    }
    void shifts()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(int, step);
        QFETCH(bool, forward);
        QFETCH(QDate, newFrom);
        QFETCH(QDate, newTo);
        const SelectionPeriod p{dt::fromQDate(from), dt::fromQDate(to)};
        const SelectionPeriod q = p.shifted(SelectionPeriod::Step(step), forward);
        QCOMPARE(dt::toQDate(q.from), newFrom);
        QCOMPARE(dt::toQDate(q.to), newTo);
    }
};

QTEST_GUILESS_MAIN(TstSelection)
#include "tst_selection.moc"
