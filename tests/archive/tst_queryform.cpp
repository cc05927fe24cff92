// The archive window's filter without widgets: the texts of its boxes into
// the current query and back, and the rules for query names, date lists,
// unknown profiles and the providers offered.

#include "archive/QueryForm.h"
#include "common/Format.h"
#include "tests/support/TestSupport.h"

#include <QTest>

namespace
{

QueryForm form(const QString& dal, const QString& al)
{
    QueryForm f;
    f.dal = dal;
    f.al = al;
    return f;
}

} // namespace

Q_DECLARE_METATYPE(QueryForm::Name)

class TstQueryForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void dates_data()
    {
        QTest::addColumn<QString>("dal");
        QTest::addColumn<QString>("al");
        QTest::addColumn<QDate>("from"); // invalid: the form is refused
        QTest::addColumn<QDate>("to");
        QTest::newRow("four-digit years")
            << "01/03/2001"
            << "31/03/2001" << QDate(2001, 3, 1) << QDate(2001, 3, 31);
        QTest::newRow("two-digit year near this one")
            << "28/02/01"
            << "1/3/2001" << QDate(2001, 2, 28) << QDate(2001, 3, 1);
        QTest::newRow("no such day") << "01/03/2001"
                                     << "31/02/2001" << QDate() << QDate();
        QTest::newRow("empty from") << ""
                                    << "31/03/2001" << QDate() << QDate();
        QTest::newRow("not a date") << "01/03/2001"
                                    << "domani" << QDate() << QDate();
    }
    void dates()
    {
        QFETCH(QString, dal);
        QFETCH(QString, al);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        SavedQuery before;
        before.dal = dt::encodeDate(1999, 1, 1);
        const std::optional<SavedQuery> q = form(dal, al).toQuery(before, 2001);
        QCOMPARE(q.has_value(), from.isValid());
        if (!q)
            return;
        QCOMPARE(dt::toQDate(q->dal), from);
        QCOMPARE(dt::toQDate(q->al), to);
    }

    // The texts are cut to their fields; what the form does not hold (the
    // description, the bytes read from the file) comes from the query given.
    void textsAndSwitches()
    {
        QueryForm f = form(QStringLiteral("01/03/2001"), QStringLiteral("02/03/2001"));
        f.tel = QString(40, QLatin1Char('1'));
        f.provider = QString(60, QLatin1Char('p'));
        f.nomeTar = QString(60, QLatin1Char('t'));
        f.provTutti = true;
        SavedQuery base;
        base.descriz = QStringLiteral("Marzo");
        base.tarTutti = true;
        base.raw[300] = 'x';
        const SavedQuery q = *f.toQuery(base, 2001);
        QCOMPARE(q.tel, QString(30, QLatin1Char('1')));
        QCOMPARE(q.provider, QString(50, QLatin1Char('p')));
        QCOMPARE(q.nomeTar, QString(50, QLatin1Char('t')));
        QVERIFY(q.provTutti);
        QVERIFY(!q.tarTutti);
        QCOMPARE(q.descriz, QStringLiteral("Marzo"));
        QCOMPARE(q.raw, base.raw);

        // Shown again, the query reads back as it is.
        const QueryForm shown = QueryForm::of(q);
        QCOMPARE(shown.dal, QStringLiteral("01/03/2001"));
        const SavedQuery again = *shown.toQuery(q, 2001);
        QCOMPARE(again.toBytes(), q.toBytes());
    }

    void filterLetsEmptyBoxesThrough()
    {
        QueryForm f;
        SavedQuery q;
        q.tel = QStringLiteral("0101");
        SelectionFilter filter = f.filter(q);
        QVERIFY(filter.telBoxEmpty && filter.providerBoxEmpty);
        QCOMPARE(filter.query.tel, QStringLiteral("0101"));
        f.tel = QStringLiteral("0101");
        f.provider = QStringLiteral("Alfa");
        filter = f.filter(q);
        QVERIFY(!filter.telBoxEmpty && !filter.providerBoxEmpty);
    }

    void unknownProfile_data()
    {
        QTest::addColumn<QString>("nomeTar");
        QTest::addColumn<bool>("tarTutti");
        QTest::addColumn<bool>("unknown");
        QTest::newRow("a profile") << "Urbana" << false << false;
        QTest::newRow("none named") << "" << false << false;
        QTest::newRow("all profiles") << "Sparita" << true << false;
        QTest::newRow("no such profile") << "Sparita" << false << true;
        QTest::newRow("case differs") << "urbana" << false << true;
    }
    void unknownProfile()
    {
        QFETCH(QString, nomeTar);
        QFETCH(bool, tarTutti);
        QFETCH(bool, unknown);
        QueryForm f;
        f.nomeTar = nomeTar;
        f.tarTutti = tarTutti;
        QCOMPARE(f.unknownProfile({QStringLiteral("Interurbana"), QStringLiteral("Urbana")}),
                 unknown);
    }

    // A date box lists its dates in date order; a text that is no date never
    // stops a date from going further down.
    void datePosition_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("position");
        const QStringList items{"01/03/2001", "10/03/2001", "x", "20/03/2001"};
        QTest::newRow("empty box") << QStringList() << QDate(2001, 3, 5) << 0;
        QTest::newRow("first") << items << QDate(2001, 2, 28) << 0;
        QTest::newRow("between") << items << QDate(2001, 3, 5) << 1;
        QTest::newRow("the same day goes after") << items << QDate(2001, 3, 1) << 1;
        QTest::newRow("past a text that is no date") << items << QDate(2001, 3, 15) << 3;
        QTest::newRow("last") << items << QDate(2001, 4, 1) << 4;
    }
    void datePosition()
    {
        QFETCH(QStringList, items);
        QFETCH(QDate, date);
        QFETCH(int, position);
        QCOMPARE(QueryForm::datePosition(items, dt::fromQDate(date), 2001), position);
    }

    // Every date the boxes are given fits them, in any locale.
    void dateFieldLength()
    {
        for (const char* name : {"C", "it_IT", "en_US", "de_DE", "hu_HU", "ko_KR", "fi_FI"}) {
            QLocale::setDefault(QLocale(QLatin1String(name)));
            for (int month = 1; month <= 12; ++month) {
                const QString text = QueryForm::dateText(dt::encodeDate(2001, month, 30 - month));
                QVERIFY2(text.size() <= QueryForm::dateFieldLength(),
                         qPrintable(QLatin1String(name) + QLatin1Char(' ') + text));
            }
        }
        testsupport::pinItalianLocale();
    }

    void names_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QueryForm::Name>("asNew");
        QTest::addColumn<QueryForm::Name>("asChanged");
        using N = QueryForm::Name;
        QTest::newRow("a new name") << "Aprile" << N::Ok << N::NotListed;
        QTest::newRow("a saved query") << "Marzo" << N::Listed << N::Ok;
        QTest::newRow("another case") << "marzo" << N::Ok << N::NotListed;
        QTest::newRow("nothing typed") << "" << N::Empty << N::Empty;
        QTest::newRow("the predefined periods") << "<predefinita>" << N::Reserved << N::NotListed;
    }
    void names()
    {
        QFETCH(QString, text);
        QFETCH(QueryForm::Name, asNew);
        QFETCH(QueryForm::Name, asChanged);
        const QStringList listed{QStringLiteral("Febbraio"), QStringLiteral("Marzo")};
        QCOMPARE(QueryForm::newQueryName(text, listed), asNew);
        QCOMPARE(QueryForm::changedQueryName(text, listed), asChanged);
    }

    // The first 14 named entries, empty slots skipped.
    void providerChoices()
    {
        QStringList entries{QStringLiteral("Gamma"), QString(), QStringLiteral("Alfa")};
        for (int i = 0; i < 16; ++i)
            entries << QStringLiteral("Voce %1").arg(i);
        const QStringList choices = QueryForm::providerChoices(entries);
        QCOMPARE(choices.size(), 14);
        QCOMPARE(choices.first(), QStringLiteral("Gamma"));
        QCOMPARE(choices[1], QStringLiteral("Alfa"));
        QCOMPARE(choices.last(), QStringLiteral("Voce 11"));
        QCOMPARE(QueryForm::providerChoices({QString(), QString()}), QStringList());
    }
};

QTEST_MAIN(TstQueryForm)
#include "tst_queryform.moc"
