// Date-time day counts, length-prefixed text and safe file names.
#include "common/ByteIO.h"
#include "common/DateTime.h"
#include "common/SafeName.h"

#include <QTest>

#include <cmath>

class TstTypes : public QObject
{
    Q_OBJECT
private slots:
    void dayCounts_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("d");
        QTest::addColumn<double>("days");
        QTest::addColumn<int>("dow"); // 1 = Sunday
        QTest::newRow("epoch") << 1899 << 12 << 30 << 0.0 << 7;
        QTest::newRow("1900-01-01") << 1900 << 1 << 1 << 2.0 << 2;
        QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 36526.0 << 7;
        QTest::newRow("2024-04-01") << 2024 << 4 << 1 << 45383.0 << 2;
        QTest::newRow("before epoch") << 1899 << 12 << 29 << -1.0 << 6;
    }
    void dayCounts()
    {
        QFETCH(int, y);
        QFETCH(int, m);
        QFETCH(int, d);
        QFETCH(double, days);
        QFETCH(int, dow);
        QCOMPARE(dt::encodeDate(y, m, d), days);
        int yy, mm, dd;
        dt::decodeDate(days, yy, mm, dd);
        QCOMPARE(yy, y);
        QCOMPARE(mm, m);
        QCOMPARE(dd, d);
        // Before the epoch the time of day is subtracted: -1.75 is 29 December, 18:00.
        QCOMPARE(dt::dayOfWeek(days >= 0 ? days + 0.75 : days - 0.75), dow);
    }

    void timeOfDayAndSeconds()
    {
        const TDateTime t = dt::encode(2001, 3, 4, 18, 30, 15);
        int h, n, s, ms;
        dt::decodeTime(t, h, n, s, ms);
        QCOMPARE(QList<int>({h, n, s, ms}), QList<int>({18, 30, 15, 0}));
        QCOMPARE(dt::secondsBetween(t, t + 90 * dt::OneSecond), int64_t(90));
        QCOMPARE(dt::datePart(t), dt::encodeDate(2001, 3, 4));
        QCOMPARE(dt::toIsoText(t), QStringLiteral("2001-03-04 18:30:15"));
        TDateTime back = 0;
        QVERIFY(dt::fromIsoText(QStringLiteral("2001-03-04 18:30:15"), back));
        QCOMPARE(dt::secondsBetween(t, back), int64_t(0));
        QVERIFY(!dt::fromIsoText(QStringLiteral("2001-02-30 10:00:00"), back));
        QVERIFY(!dt::fromIsoText(QStringLiteral("10:00"), back));
    }

    // The archive listing writes dates with integer arithmetic; it must give
    // the very text of the date-time object it replaces.
    void isoTextWithoutDateObjects_data()
    {
        QTest::addColumn<double>("d");
        const double sec = dt::OneSecond;
        QTest::newRow("epoch") << 0.0;
        QTest::newRow("just after the epoch") << 1e-12;
        QTest::newRow("before the epoch, time subtracted") << -1.75;
        QTest::newRow("0001-01-01") << dt::encodeDate(1, 1, 1);
        QTest::newRow("0999-12-31 evening") << dt::encode(999, 12, 31, 21, 0, 0);
        QTest::newRow("1900-02-28") << dt::encodeDate(1900, 2, 28);
        QTest::newRow("1900-03-01") << dt::encodeDate(1900, 3, 1);
        QTest::newRow("2000-02-29") << dt::encode(2000, 2, 29, 12, 0, 1);
        QTest::newRow("2100-03-01") << dt::encodeDate(2100, 3, 1);
        QTest::newRow("last second of 2001") << dt::encode(2001, 12, 31, 23, 59, 59);
        QTest::newRow("half a millisecond before midnight")
            << dt::encodeDate(2001, 12, 31) + 1 - dt::OneMillisecond / 2;
        QTest::newRow("a millisecond before midnight")
            << dt::encodeDate(2001, 12, 31) + 1 - dt::OneMillisecond;
        QTest::newRow("999.6 ms into a second") << dt::encode(2005, 6, 7, 8, 9, 10) + 0.9996 * sec;
        QTest::newRow("9999-12-31 23:59:59.999") << dt::encode(9999, 12, 31, 23, 59, 59, 999);
    }
    void isoTextWithoutDateObjects()
    {
        QFETCH(double, d);
        char text[dt::IsoTextLength];
        QVERIFY(dt::writeIsoText(d, text));
        QCOMPARE(QString::fromLatin1(text, dt::IsoTextLength), dt::toIsoText(d));
    }

    void isoTextAcrossTheCalendar()
    {
        // Every 79th day of the years 1..9999, each at a time of day of its
        // own, and the first and last second of each of those days.
        char text[dt::IsoTextLength];
        const double first = dt::encodeDate(1, 1, 1);
        const double last = dt::encodeDate(9999, 12, 31);
        for (double day = first; day <= last; day += 79.0) {
            const double fraction = std::fmod((day - first) * 0.6180339887, 1.0);
            for (double d : {day + fraction, day, day + 1 - dt::OneSecond}) {
                const double value = day < 0 ? day - (d - day) : d;
                QVERIFY(dt::writeIsoText(value, text));
                QCOMPARE(QString::fromLatin1(text, dt::IsoTextLength), dt::toIsoText(value));
            }
        }
        // Outside the calendar nothing is written; callers fall back.
        for (double d : {dt::encodeDate(1, 1, 1) - 1, last + 1, std::nan(""), HUGE_VAL})
            QVERIFY(!dt::writeIsoText(d, text));
    }

    // The time of day is rounded to the millisecond without a library call:
    // it must read as the library's rounding (halves away from zero) does,
    // at each half millisecond and at the edges of the day.
    void timeOfDayRounding_data()
    {
        QTest::addColumn<double>("d");
        QTest::addColumn<QList<int>>("hmsms");
        const double day = dt::encodeDate(2003, 3, 30);
        const double ms = dt::OneMillisecond;
        QTest::newRow("midnight") << day << QList<int>{0, 0, 0, 0};
        QTest::newRow("0.4 ms") << day + 0.4 * ms << QList<int>{0, 0, 0, 0};
        QTest::newRow("0.6 ms") << day + 0.6 * ms << QList<int>{0, 0, 0, 1};
        QTest::newRow("999.6 ms to the next second")
            << dt::encode(2003, 3, 30, 9, 59, 59) + 999.6 * ms << QList<int>{10, 0, 0, 0};
        QTest::newRow("half a millisecond before midnight stays in the day")
            << day + 1 - ms / 2 << QList<int>{23, 59, 59, 999};
        QTest::newRow("a hair before midnight")
            << std::nextafter(day + 1, 0.0) << QList<int>{23, 59, 59, 999};
        QTest::newRow("before the epoch: the fraction counts") << -2.75 << QList<int>{18, 0, 0, 0};
        QTest::newRow("no number") << std::nan("") << QList<int>{0, 0, 0, 0};
        QTest::newRow("infinite") << HUGE_VAL << QList<int>{0, 0, 0, 0};
    }
    void timeOfDayRounding()
    {
        QFETCH(double, d);
        QFETCH(QList<int>, hmsms);
        int h, n, s, ms;
        dt::decodeTime(d, h, n, s, ms);
        QCOMPARE(QList<int>({h, n, s, ms}), hmsms);
    }

    void timeOfDayRoundsAsTheLibrary()
    {
        // Times right at, just below and just above every half millisecond
        // of a few seconds spread over the day and over the calendar.
        for (double day : {1.0, 36526.0, 2958465.0, -693593.0}) {
            for (int second : {0, 1, 43199, 86399}) {
                for (int half = 1; half < 2000; half += 2) {
                    const double exact = day + (second * 1000.0 + half / 2.0) * dt::OneMillisecond;
                    for (double d : {exact, std::nextafter(exact, -HUGE_VAL),
                                     std::nextafter(exact, HUGE_VAL)}) {
                        const double part = std::fabs(d - std::trunc(d)) * 86400000.0;
                        const int want = int(std::min<long long>(std::llround(part), 86399999));
                        QCOMPARE(dt::msOfDay(d), want);
                    }
                }
            }
        }
    }

    void lengthPrefixedText()
    {
        QByteArray rec(12, '\x55');
        bio::putPStr(rec, 1, 5, QStringLiteral("Perché mai"));
        QCOMPARE(uint8_t(rec[1]), uint8_t(5));
        QCOMPARE(rec.mid(2, 5), QByteArray("Perch"));
        QCOMPARE(bio::getPStr(rec, 1, 5), QStringLiteral("Perch"));
        // Bytes after the length are ignored; zero-fill after the text.
        bio::putPStr(rec, 1, 5, QStringLiteral("è€"));
        QCOMPARE(rec.mid(1, 6), QByteArray("\x02\xe8\x80\x00\x00\x00", 6));
        QCOMPARE(bio::getPStr(rec, 1, 5), QStringLiteral("è€"));
        rec[1] = char(200); // a length past the field is capped to it
        QCOMPARE(bio::getPStr(rec, 1, 5).size(), 5);
        QCOMPARE(bio::getPStr(rec, 8, 5), QString()); // field past the end
    }

    void littleEndianFields()
    {
        QByteArray b(16, 0);
        bio::putI32(b, 0, -2);
        bio::putF32(b, 4, 1936.27f);
        bio::putF64(b, 8, 36526.5);
        QCOMPARE(b.left(4), QByteArray("\xfe\xff\xff\xff", 4));
        QCOMPARE(bio::getI32(b, 0), -2);
        QCOMPARE(bio::getF32(b, 4), 1936.27f);
        QCOMPARE(double(bio::getF32(b, 4)), 1936.27001953125);
        QCOMPARE(bio::getF64(b, 8), 36526.5);
        QCOMPARE(bio::getI32(b, 14), 0); // partly outside: reads as zero
    }

    void safeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << "Telecom Urbana 50%" << true;
        QTest::newRow("accented") << "Tariffa più bassa" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("dotdot") << ".." << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("newline") << "a\nb" << false;
        QTest::newRow("nul") << QString(QChar(0)) << false;
        QTest::newRow("long") << QString(197, QLatin1Char('x')) << false;
        QTest::newRow("just fits") << QString(196, QLatin1Char('x')) << true;
    }
    void safeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, safe);
        QCOMPARE(isSafeFileName(name, QStringLiteral(".trf")), safe);
    }
};

QTEST_GUILESS_MAIN(TstTypes)
#include "tst_types.moc"
