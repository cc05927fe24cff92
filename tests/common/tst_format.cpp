// Number and date-time patterns, and the locale-aware parsers.
#include "common/Format.h"
#include "tests/support/TestSupport.h"

#include <QTest>

#include <cmath>
#include <optional>
#include <utility>

namespace
{

// 2002-04-01 was a Monday.
const TDateTime Monday = dt::encode(2002, 4, 1, 18, 5, 9);
const TDateTime Morning = dt::encode(2002, 4, 1, 9, 5, 0);

QLocale localeNamed(const QString& name)
{
    return name.isEmpty() ? QLocale() : QLocale(name);
}

} // namespace

class TstFormat : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void format_data()
    {
        QTest::addColumn<QString>("locale"); // empty: the pinned Italian default
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("isDate");
        QTest::addColumn<QString>("expected");
        auto rows = [](bool isDate) {
            return [isDate](const char* row, const char* pattern, double v, const char* expected,
                            const char* locale = "") {
                QTest::newRow(row) << QString::fromUtf8(locale) << QString::fromUtf8(pattern) << v
                                   << isDate << QString::fromUtf8(expected);
            };
        };
        const auto num = rows(false);
        const auto date = rows(true);

        // Running cost on the bar: whole Lire with thousands separators.
        num("cost with VAT", "#,#", 1234.4 + 1234.4 * 20 / 100 + 0.49, "1.482");
        num("cost rounds down", "#,#", 1481.28, "1.481");
        num("cost half up", "#,#", 1481.5, "1.482");
        num("cost millions", "#,#", 1234567.5, "1.234.568");
        num("cost negative", "#,#", -1481.77, "-1.482");
        num("cost zero is empty", "#,#", 0, "");
        num("cost below half is empty", "#,#", 0.4, "");
        num("report cost", "#,#0", 1936, "1.936");
        num("report cost zero", "#,#0", 0, "0");
        num("report cost carry", "#,#0", 999.5, "1.000");
        // Euro equivalents.
        num("euro of 1936 Lire", "#,#0.00", 1936 / 1936.27, "1,00");
        num("euro of 1234 Lire", "#,#0.00", 1234.0 / 1936.27, "0,64");
        num("euro grouped", "#,#0.00", 1234567.891, "1.234.567,89");
        num("panel euro", "#0.00", 1936 / 1936.27, "1,00");
        num("panel euro large", "#0.00", 12345.678, "12345,68");
        num("exact half away from zero", "#0.00", 0.125, "0,13");
        num("negative half away from zero", "#0.00", -0.125, "-0,13");
        // Rounding works on the value's first 18 digits: 2.675 is stored as
        // 2.67499999999999982...
        num("binary value below the half", "#0.00", 2.675, "2,67");
        num("no minus on a rounded zero", "#0.00", -0.004, "0,00");
        // Grid rates: up to two decimals, none when whole.
        num("rate two decimals", "##0.##", 12.3456, "12,35");
        num("rate one decimal", "##0.##", 1.8, "1,8");
        num("rate whole", "##0.##", 30, "30");
        num("rate zero", "##0.##", 0, "0");
        num("rate no grouping", "##0.##", 1234.5, "1234,5");
        // Charge at answer: whole number, empty for 0.
        num("whole", "#", 1500, "1500");
        num("whole rounds", "#", 0.5, "1");
        num("whole zero is empty", "#", 0, "");
        // Exchange rate field.
        num("rate field", "#.00", 1936.27, "1936,27");
        num("rate field below one", "#.00", 0.5, ",50");
        num("rate field float precision", "#.00", double(1936.27f), "1936,27");
        // The edit window's Lire: ',' only turns on grouping, so no decimals,
        // and the '0' forces three integer digits.
        num("comma is grouping", "#0,00", 1234.5, "1.235");
        num("comma forces digits", "#0,00", 5, "005");
        num("comma zero", "#0,00", 0, "000");
        num("comma millions", "#0,00", 1234567, "1.234.567");
        num("sections negative", "0.0;(0.0);'nulla'", -2.5, "(2,5)");
        num("sections zero", "0.0;(0.0);'nulla'", 0, "nulla");
        num("sections rounded zero", "0.0;(0.0);'nulla'", -0.01, "nulla");
        num("sections rounded zero uses the first", "0.00;-0", -0.4, "0,00");
        num("quoted literal", "'L. '#,#", 1936, "L. 1.936");
        num("english separators", "#,#0.00", 1234567.891, "1,234,567.89", "en_US");
        num("finnish group", "#,#", 1234, "1\u00a0234", "fi_FI");

        // Elapsed time wraps at a day.
        date("elapsed 25 h", "hh.nn.ss", 25.0 / 24, "01.00.00");
        date("elapsed", "hh.nn.ss", dt::encodeTime(1, 2, 3), "01.02.03");
        date("elapsed zero", "hh.nn.ss", 0, "00.00.00");
        date("time dots", "hh.nn.ss", Monday, "18.05.09");
        date("clock", "hh:nn", Monday, "18:05");
        date("band start m after h", "hh.mm", Monday, "18.05");
        date("band start n", "hh.nn", Morning, "09.05");
        date("grid spaces", "hh nn ss", Monday, "18 05 09");
        date("long time", "hh:nn:ss", Monday, "18:05:09");
        date("short hour", "h:nn", Morning, "9:05");
        date("date", "dd/mm/yyyy", Monday, "01/04/2002");
        date("short month name", "d mmm yyyy", Monday, "1 apr 2002");
        date("short day name", "ddd", Monday, "lun");
        date("day", "dd", Monday, "01");
        date("month name", "mmm", Monday, "apr");
        date("year", "yy", Monday, "02");
        date("m after a day is the month", "hh dd mm", Monday, "18 01 04");
        date("long date", "dddd, d mmmm yyyy", Monday, "lunedì, 1 aprile 2002");
        date("first connection", "dddd, dd mmmm yyyy - hh:nn:ss", Monday,
             "lunedì, 01 aprile 2002 - 18:05:09");
        date("printed at", "dddd, d/m/yyyy \"ore \" h:nn", Monday, "lunedì, 1/4/2002 ore  18:05");
        date("twelve hours", "h:nn am/pm", Monday, "6:05 pm");
        date("system short date", "ddddd", Monday, "01/04/2002");
        date("system long time", "tt", Monday, "18:05:09");
        date("system date and time", "c", Monday, "01/04/2002 18:05:09");
        date("system date at midnight", "c", dt::encodeDate(2002, 4, 1), "01/04/2002");
        date("english names", "dddd, d mmmm yyyy", Monday, "Monday, 1 April 2002", "en_US");
        date("english short date", "ddddd", Monday, "4/1/2002", "en_US");
        date("english long time", "tt", Monday, "6:05:09 PM", "en_US");
        date("finnish time separator", "hh:nn", Monday, "18.05", "fi_FI");
        date("german date separator", "dd/mm/yyyy", Monday, "01.04.2002", "de_DE");
        // A damaged record may hold a date-time that is no number at all; it
        // shows as no date and no time, like a date beyond the calendar.
        date("not a number", "dd/mm/yyyy hh:nn:ss", std::nan(""), "00/00/0000 00:00:00");
        date("infinite", "dd/mm/yyyy hh:nn:ss", HUGE_VAL, "00/00/0000 00:00:00");
        date("beyond the calendar", "dd/mm/yyyy hh:nn:ss", 1e300, "00/00/0000 00:00:00");
    }
    void format()
    {
        QFETCH(QString, locale);
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(bool, isDate);
        QFETCH(QString, expected);
        const QLocale loc = localeNamed(locale);
        QCOMPARE(isDate ? fmt::formatDateTime(pattern, value, loc)
                        : fmt::formatFloat(pattern, value, loc),
                 expected);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("expected");
        auto row = [](const char* kind, const char* text, bool valid, double v,
                      const char* locale = "") {
            QTest::addRow("%s '%s' %s", kind, text, locale)
                << QString::fromLatin1(kind) << QString::fromLatin1(locale)
                << QString::fromUtf8(text) << valid << v;
        };
        row("int", "42", true, 42);
        row("int", " -7 ", true, -7);
        row("int", "+3", true, 3);
        row("int", "2147483647", true, 2147483647.0);
        row("int", "-2147483648", true, -2147483648.0);
        row("int", "2147483648", false, 0);
        row("int", "1,5", false, 0);
        row("int", "1.5", false, 0);
        row("int", "1e3", false, 0);
        row("int", "1 000", false, 0);
        row("int", "12a", false, 0);
        row("int", "-", false, 0);
        row("int", "", false, 0);

        row("float", "1936,27", true, 1936.27);
        row("float", "20", true, 20);
        row("float", " -0,5 ", true, -0.5);
        row("float", ",5", true, 0.5);
        row("float", "1,5e3", true, 1500);
        row("float", "1936.27", false, 0);
        row("float", "1.936,27", false, 0);
        row("float", "1,2,3", false, 0);
        row("float", "abc", false, 0);
        row("float", "", false, 0);
        row("float", "1e999", false, 0);
        row("float", "1936.27", true, 1936.27, "en_US");
        row("float", "1936,27", false, 0, "en_US");

        row("time", "18:05", true, dt::encodeTime(18, 5, 0));
        row("time", "18.05.09", true, dt::encodeTime(18, 5, 9));
        row("time", " 9:5 ", true, dt::encodeTime(9, 5, 0));
        row("time", "00:00", true, 0);
        row("time", "24:00", false, 0);
        row("time", "18:60", false, 0);
        row("time", "18", false, 0);
        row("time", "18:05:09:01", false, 0);
        row("time", "ab:cd", false, 0);
        row("time", "", false, 0);

        // Two-digit years are read as in 2024: 74..99 in the 1900s, 00..73 in the 2000s.
        row("date", "01/04/2002", true, dt::encodeDate(2002, 4, 1));
        row("date", "1/4/02", true, dt::encodeDate(2002, 4, 1));
        row("date", "01/04/74", true, dt::encodeDate(1974, 4, 1));
        row("date", "01/04/73", true, dt::encodeDate(2073, 4, 1));
        row("date", "01-04-2002", true, dt::encodeDate(2002, 4, 1));
        row("date", "01/apr/2002", true, dt::encodeDate(2002, 4, 1));
        row("date", "29/02/2004", true, dt::encodeDate(2004, 2, 29));
        row("date", "29/02/2003", false, 0);
        row("date", "01/04-2002", false, 0);
        row("date", "01/04/202", false, 0);
        row("date", "2002/04/01", false, 0);
        row("date", "01/04", false, 0);
        row("date", "01/04/2002 10:00", false, 0);
        row("date", "", false, 0);
        row("date", "4/1/2002", true, dt::encodeDate(2002, 4, 1), "en_US");
        row("date", "1.4.2002", true, dt::encodeDate(2002, 4, 1), "de_DE");
    }
    void parse()
    {
        QFETCH(QString, kind);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, expected);
        const QLocale loc = localeNamed(locale);
        std::optional<double> got;
        if (kind == QLatin1String("int")) {
            if (const auto v = fmt::parseInt(text))
                got = *v;
        } else if (kind == QLatin1String("float")) {
            got = fmt::parseFloat(text, loc);
        } else if (kind == QLatin1String("time")) {
            got = fmt::parseTime(text, loc);
        } else {
            got = fmt::parseShortDate(text, 2024, loc);
        }
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, expected);
    }

    // What the program shows as a short date must read back as the same day,
    // whatever the locale's field order and year width.
    void shortDateRoundTrip()
    {
        const TDateTime day = dt::encodeDate(2031, 12, 9);
        for (const char* name : {"it_IT", "en_US", "de_DE", "fi_FI", "ja_JP", "C"}) {
            const QLocale loc(QString::fromLatin1(name));
            const QString text = fmt::formatShortDate(day + 0.5, loc);
            QVERIFY2(fmt::parseShortDate(text, loc) == day, qPrintable(name + (": " + text)));
        }
        QCOMPARE(fmt::shortDatePattern(), QStringLiteral("dd/mm/yyyy"));
        QCOMPARE(fmt::formatLongTime(Monday), QStringLiteral("18:05:09"));
    }

    // Every date, time and number the program writes into a field of its
    // own reads back from that field as the same value, in every locale:
    // "Dal"/"Al" (short dates), a band's start (hh:nn), rates ("#0.00") and
    // the exchange rate ("#.00"). The "system" row is the locale this test
    // runs under (the test runs under it_IT.UTF-8 and C.UTF-8).
    void ownFieldsReadBack_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("system") << QLocale::system();
        for (const char* name : {"C", "it_IT", "en_US", "de_DE", "hu_HU", "ko_KR", "fi_FI"})
            QTest::newRow(name) << QLocale(QString::fromLatin1(name));
    }
    void ownFieldsReadBack()
    {
        QFETCH(QLocale, locale);
        for (int year : {1999, 2000, 2031})
            for (int month = 1; month <= 12; ++month)
                for (int dayOfMonth : {1, 28}) {
                    const TDateTime day = dt::encodeDate(year, month, dayOfMonth);
                    const QString text = fmt::formatShortDate(day + 0.75, locale);
                    QVERIFY2(fmt::parseShortDate(text, year, locale) == day, qPrintable(text));
                }
        for (const auto& [h, m] : {std::pair{0, 0}, {8, 30}, {23, 59}}) {
            const QString text =
                fmt::formatDateTime(QStringLiteral("hh:nn"), dt::encodeTime(h, m, 0), locale);
            const std::optional<TDateTime> back = fmt::parseTime(text, locale);
            QVERIFY2(back && std::abs(*back - dt::encodeTime(h, m, 0)) < dt::OneSecond / 2,
                     qPrintable(text));
        }
        for (const double v : {0.0, 9.5, 127.25, 1936.27, 123456.78}) {
            for (const char* pattern : {"#0.00", "#.00"}) {
                const QString text = fmt::formatFloat(QString::fromLatin1(pattern), v, locale);
                const std::optional<double> back = fmt::parseFloat(text, locale);
                QVERIFY2(back && std::abs(*back - v) < 0.005, qPrintable(text));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstFormat)
#include "tst_format.moc"
