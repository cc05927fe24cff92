// The archive window's grid as a model, without widgets: checked by Qt's
// model tester while it is loaded whole, reloaded, emptied, and grown a slice
// at a time; the texts of its cells; and what it shows when nothing was
// loaded.
//
// The fixture archive holds connections at positions 0, 1, 2, 5 and 6 (3 is
// deleted, 4 damaged); the March query lists all five.

#include "archive/ArchiveFile.h"
#include "archive/ConnTableModel.h"
#include "tests/archive/SelectionFixture.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace selectiontest;
using RowKind = TConnTableModel::RowKind;

namespace
{

SelectionFilter march(int fromDay = 1, int toDay = 31)
{
    SelectionFilter f;
    f.query.dal = dt::encodeDate(2001, 3, fromDay);
    f.query.al = dt::encodeDate(2001, 3, toDay);
    f.query.provTutti = true;
    f.query.tarTutti = true;
    return f;
}

struct Grid {
    QTemporaryDir dir;
    TArchiveFile archive{dir.path()};
    TSelection selection;
    float cambioEcu = 1936.27f;
    TConnTableModel model{selection, cambioEcu};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};

    Grid() { writeFixture(dir.path()); }

    void load(const SelectionFilter& filter)
    {
        model.beginLoad();
        selection.load(archive, filter);
        model.endLoad();
    }
    // The same a few records of the archive at a time, the grid growing.
    void loadInSlices(const SelectionFilter& filter, int records)
    {
        model.beginLoad();
        QCOMPARE(selection.begin(archive, filter), TSelection::LoadResult::Loaded);
        model.endLoad();
        TSelection::Step step = TSelection::Step::More;
        while (step == TSelection::Step::More) {
            step = selection.loadSlice(records);
            model.appendLoaded();
            QCOMPARE(model.rowCount(), std::max(1, selection.count()) + 1);
        }
        QCOMPARE(step, TSelection::Step::Done);
    }
    QStringList kinds() const
    {
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row)
            out << QStringList{"record", "empty", "totals"}.at(int(model.kind(row)));
        return out;
    }
    QList<QStringList> allLines() const
    {
        QList<QStringList> out;
        for (int row = 0; row < model.rowCount(); ++row)
            for (int col = 0; col < model.columnCount(); ++col)
                out << model.lines(row, col);
        return out;
    }
};

} // namespace

class TstConnTableModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    // One row per connection, an empty row when there is none, the totals
    // row last; the row numbers as the user counts rows.
    void rows()
    {
        Grid g;
        QCOMPARE(g.kinds(), (QStringList{"empty", "totals"}));
        g.load(march());
        QCOMPARE(g.kinds(),
                 (QStringList{"record", "record", "record", "record", "record", "totals"}));
        QCOMPARE(g.model.columnCount(), 7);
        QCOMPARE(g.model.headerData(0, Qt::Vertical).toString(), QStringLiteral("Conn.\nn. 1"));
        QCOMPARE(g.model.headerData(4, Qt::Vertical).toString(), QStringLiteral("Conn.\nn. 5"));
        QCOMPARE(g.model.headerData(5, Qt::Vertical).toString(), QString());
        QCOMPARE(g.model.headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Inizio Connessione"));
        QCOMPARE(g.model.record(3).indice, 5);
        QCOMPARE(g.model.record(5), ConnRecord{}); // the totals row has none

        g.load(march(20, 31)); // nothing matches
        QCOMPARE(g.kinds(), (QStringList{"empty", "totals"}));
        QCOMPARE(g.model.headerData(0, Qt::Vertical).toString(), QStringLiteral("Conn.\nn. 1"));
        QCOMPARE(g.model.lines(0, TConnTableModel::Start), QStringList());
        QCOMPARE(g.model.lines(1, TConnTableModel::Duration), QStringList{"0, 00:00:00"});
        QCOMPARE(g.model.lines(1, TConnTableModel::Marks), QStringList());
    }

    void lines_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("lines");
        using C = TConnTableModel::Column;
        // 10:00 to 11:00 on one day: only the time in the end column.
        QTest::newRow("start") << 0 << int(C::Start)
                               << QStringList{"giovedì", "1 mar 2001", "10 00 00"};
        QTest::newRow("end on the same day") << 0 << int(C::End) << QStringList{"11 00 00"};
        QTest::newRow("duration") << 0 << int(C::Duration) << QStringList{"01 00 00"};
        QTest::newRow("cost") << 0 << int(C::Cost) << QStringList{"1.235", "( 0,64 E)"};
        QTest::newRow("names") << 0 << int(C::Names)
                               << QStringList{"0101", "Alfa", "Telecom Urbana 50%"};
        QTest::newRow("description") << 0 << int(C::Description) << QStringList{"posta"};
        QTest::newRow("marks") << 0 << int(C::Marks) << QStringList{"spesa max, tempo max"};
        // 23:50 to 00:10: day name and date at both ends.
        QTest::newRow("end on the next day")
            << 1 << int(C::End) << QStringList{"sabato", "3 mar 2001", "00 10 00"};
        QTest::newRow("names not given")
            << 3 << int(C::Names) << QStringList{"- nd -", "Beta", "- nd -"};
        QTest::newRow("the same dearest cost") << 3 << int(C::Marks) << QStringList{"spesa max"};
        QTest::newRow("shortest") << 2 << int(C::Marks) << QStringList{"spesa min, tempo min"};
        QTest::newRow("totals, start") << 5 << int(C::Start) << QStringList{};
        QTest::newRow("totals, caption") << 5 << int(C::End) << QStringList{" TOTALI "};
        QTest::newRow("totals, time") << 5 << int(C::Duration) << QStringList{"0, 01:33:00"};
        QTest::newRow("totals, cost") << 5 << int(C::Cost) << QStringList{"2.899", "( 1,50 E)"};
        QTest::newRow("totals, marks") << 5 << int(C::Marks) << QStringList{};
        QTest::newRow("out of range") << 6 << int(C::Start) << QStringList{};
    }
    void lines()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QStringList, lines);
        Grid g;
        g.load(march());
        QCOMPARE(g.model.lines(row, column), lines);
        if (row < g.model.rowCount()) {
            const QModelIndex i = g.model.index(row, column);
            QCOMPARE(i.data(TConnTableModel::LinesRole).toStringList(), lines);
            QCOMPARE(i.data().toString(), lines.join(QLatin1Char('\n')));
        }
    }

    // Loaded a slice at a time, the model ends as a whole load leaves it,
    // with rows added before the totals row as they come, and every row told
    // of the totals that moved its marks.
    void slices_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("one record a slice") << 1;
        QTest::newRow("three") << 3;
        QTest::newRow("all at once") << 100;
    }
    void slices()
    {
        QFETCH(int, records);
        Grid whole;
        whole.load(march());
        Grid g;
        QSignalSpy inserted(&g.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&g.model, &QAbstractItemModel::dataChanged);
        g.loadInSlices(march(), records);
        QCOMPARE(g.kinds(), whole.kinds());
        QCOMPARE(g.allLines(), whole.allLines());
        for (const QList<QVariant>& args : inserted) // never after the totals row
            QVERIFY(args.at(2).toInt() < g.model.rowCount() - 1);
        QVERIFY(!changed.isEmpty());
        const QModelIndex bottomRight = changed.last().at(1).value<QModelIndex>();
        QCOMPARE(bottomRight.row(), g.model.rowCount() - 1);

        // A new load starts again from the empty grid.
        g.loadInSlices(march(4, 4), records);
        QCOMPARE(g.kinds(), (QStringList{"record", "totals"}));
    }

    // Nothing loaded: no connection and no totals, the captions remain.
    void nothingLoaded()
    {
        Grid g;
        g.load(march());
        QSignalSpy changed(&g.model, &QAbstractItemModel::dataChanged);
        g.model.setNothingLoaded(true);
        QCOMPARE(changed.size(), 1);
        for (const QStringList& l : g.allLines())
            QVERIFY(l.isEmpty());
        QCOMPARE(g.model.rowCount(), 6);
        QCOMPARE(g.model.headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Termine Connessione"));
        g.model.setNothingLoaded(false);
        QCOMPARE(g.model.lines(5, TConnTableModel::End), QStringList{" TOTALI "});
    }

    // The exchange rate is read as the cells are asked for.
    void exchangeRateFollowed()
    {
        Grid g;
        g.load(march());
        g.cambioEcu = 1000;
        QCOMPARE(g.model.lines(0, TConnTableModel::Cost).last(), QStringLiteral("( 1,23 E)"));
    }
};

QTEST_MAIN(TstConnTableModel)
#include "tst_conntablemodel.moc"
