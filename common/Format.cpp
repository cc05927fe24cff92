#include "common/Format.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace fmt
{

namespace
{

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('\'') || c == QLatin1Char('"');
}

// Follows quoted text ('...' or "...") through a pattern.
class QuoteScanner
{
public:
    // True when c is a quote mark or lies between quote marks, so it is no
    // pattern character.
    bool quoted(QChar c)
    {
        if (m_quote.isNull()) {
            m_mark = isQuote(c);
            if (m_mark)
                m_quote = c;
            return m_mark;
        }
        m_mark = c == m_quote;
        if (m_mark)
            m_quote = QChar();
        return true;
    }
    // The last character given to quoted() was a quote mark.
    bool wasMark() const { return m_mark; }

private:
    QChar m_quote;
    bool m_mark = false;
};

// Length of the run of `c` starting at i (case-sensitive, as the classic
// runtime counts repeated specifier letters).
int runLength(const QString& s, int i)
{
    int n = 1;
    while (i + n < s.size() && s[i + n] == s[i])
        ++n;
    return n;
}

// ---------------------------------------------------------------- numbers

// Splits a number pattern into its ';'-separated sections, ignoring ';'
// inside quoted text.
QStringList numberSections(const QString& pattern)
{
    QStringList out;
    QString cur;
    QuoteScanner q;
    for (const QChar c : pattern) {
        if (!q.quoted(c) && c == QLatin1Char(';')) {
            out << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    out << cur;
    return out;
}

struct NumberLayout {
    int intPlaces = 0;     // digit placeholders before the decimal point
    int fracPlaces = 0;    // digit placeholders after it
    int minIntDigits = 0;  // digits forced by the first '0' before the point
    int minFracDigits = 0; // decimals forced by the last '0' after the point
    bool grouping = false; // a ',' anywhere in the section
};

NumberLayout scanNumberSection(const QString& section)
{
    NumberLayout l;
    int digits = 0;
    int decimalIndex = -1;
    int firstZero = -1;
    int lastZero = 0;
    QuoteScanner q;
    for (const QChar c : section) {
        if (q.quoted(c))
            continue;
        switch (c.unicode()) {
        case '#':
            ++digits;
            break;
        case '0':
            if (firstZero < 0)
                firstZero = digits;
            lastZero = ++digits;
            break;
        case '.':
            if (decimalIndex < 0)
                decimalIndex = digits;
            break;
        case ',':
            l.grouping = true;
            break;
        default:
            break;
        }
    }
    if (decimalIndex < 0)
        decimalIndex = digits;
    l.intPlaces = decimalIndex;
    l.fracPlaces = digits - decimalIndex;
    l.minIntDigits = firstZero >= 0 && firstZero < decimalIndex ? decimalIndex - firstZero : 0;
    l.minFracDigits = std::max(0, lastZero - decimalIndex);
    return l;
}

struct DecimalDigits {
    QByteArray intPart;  // no leading zeros; empty for a value below 1
    QByteArray fracPart; // exactly the requested number of decimals
    bool isZero() const
    {
        return intPart.isEmpty() &&
               std::all_of(fracPart.begin(), fracPart.end(), [](char c) { return c == '0'; });
    }
};

// Decimal digits of |value| rounded half away from zero to `decimals` places.
// Like the classic runtime, rounding works on the first 18 significant digits
// of the value, so 2.675 (stored as 2.67499999999999982...) gives 2.67.
DecimalDigits roundedDigits(double value, int decimals)
{
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    const QByteArray sci(buf, int(res.ptr - buf)); // "d.ddddddddddddddddde+XX"
    const int e = sci.indexOf('e');
    const QByteArray mantissa = sci.left(1) + sci.mid(2, e - 2);
    const int intCount = std::atoi(sci.constData() + e + 1) + 1; // digits before the point

    QByteArray all;
    int point;
    if (intCount <= 0) {
        all = QByteArray(-intCount, '0') + mantissa;
        point = 0;
    } else {
        all = mantissa;
        if (intCount > all.size())
            all.append(QByteArray(intCount - all.size(), '0'));
        point = intCount;
    }
    const int keep = point + decimals;
    const bool roundUp = keep < all.size() && all[keep] >= '5';
    if (keep < all.size())
        all.truncate(keep);
    else
        all.append(QByteArray(keep - all.size(), '0'));
    if (roundUp) {
        int i = all.size() - 1;
        for (; i >= 0 && all[i] == '9'; --i)
            all[i] = '0';
        if (i >= 0) {
            ++all[i];
        } else {
            all.prepend('1');
            ++point;
        }
    }
    DecimalDigits d;
    d.intPart = all.left(point);
    d.fracPart = all.mid(point);
    int lead = 0;
    while (lead < d.intPart.size() && d.intPart[lead] == '0')
        ++lead;
    d.intPart.remove(0, lead);
    return d;
}

QString applyNumberSection(const QString& section, const NumberLayout& l, DecimalDigits d,
                           bool minus, const QLocale& locale)
{
    QByteArray& digits = d.intPart;
    QByteArray& frac = d.fracPart;
    while (frac.size() > l.minFracDigits && frac.endsWith('0'))
        frac.chop(1);
    if (digits.size() < l.minIntDigits)
        digits.prepend(QByteArray(l.minIntDigits - digits.size(), '0'));

    const QString group = locale.groupSeparator();
    const QString point = locale.decimalPoint();
    const int count = digits.size();
    QString out;
    if (minus)
        out += QLatin1Char('-');

    // place: position of the digit counted from the right, 1 = units
    auto putIntDigit = [&](int place) {
        out += QLatin1Char(digits[count - place]);
        if (l.grouping && place > 1 && (place - 1) % 3 == 0)
            out += group;
    };
    bool intDone = false;
    auto putAllIntDigitsFrom = [&](int place) {
        for (int p = count; p >= place; --p)
            putIntDigit(p);
        intDone = true;
    };

    int intSeen = 0;
    int fracSeen = 0;
    QuoteScanner q;
    for (const QChar c : section) {
        if (q.quoted(c)) {
            if (!q.wasMark())
                out += c;
            continue;
        }
        switch (c.unicode()) {
        case '#':
        case '0':
            if (intSeen < l.intPlaces) {
                // The first placeholder also takes the digits the pattern has
                // no room for.
                const int place = l.intPlaces - intSeen;
                if (intSeen == 0)
                    putAllIntDigitsFrom(place);
                else if (place <= count)
                    putIntDigit(place);
                ++intSeen;
            } else {
                if (!intDone)
                    putAllIntDigitsFrom(1);
                if (fracSeen < frac.size()) {
                    if (fracSeen == 0)
                        out += point;
                    out += QLatin1Char(frac[fracSeen]);
                }
                ++fracSeen;
            }
            break;
        case '.':
            if (!intDone && l.intPlaces == 0)
                putAllIntDigitsFrom(1);
            break;
        case ',':
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

// Plain number for an empty pattern: up to 15 significant digits, no grouping.
QString generalNumber(double value, const QLocale& locale)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    QString s = QString::fromLatin1(buf, int(res.ptr - buf)).toUpper();
    s.replace(QLatin1Char('.'), locale.decimalPoint());
    return s;
}

// ------------------------------------------------------------- date-times

struct DateTimeParts {
    int year, month, day, hour, minute, second, msec, isoWeekday;
};

DateTimeParts decode(TDateTime v)
{
    DateTimeParts p{};
    dt::decodeDate(v, p.year, p.month, p.day);
    dt::decodeTime(v, p.hour, p.minute, p.second, p.msec);
    p.isoWeekday = dt::isoDayOfWeek(v);
    return p;
}

QString number(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

// True when the hour at `from` must be shown on a 12-hour clock: the next
// 'a' (outside quotes, before any further 'h') starts an am/pm marker.
bool twelveHourClock(const QString& pattern, int from)
{
    QuoteScanner q;
    for (int i = from; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (q.quoted(c))
            continue;
        if (c == QLatin1Char('h') || c == QLatin1Char('H')) {
            return false;
        } else if (c == QLatin1Char('a') || c == QLatin1Char('A')) {
            const QStringView rest = QStringView(pattern).mid(i);
            return rest.startsWith(u"am/pm", Qt::CaseInsensitive) ||
                   rest.startsWith(u"a/p", Qt::CaseInsensitive) ||
                   rest.startsWith(u"ampm", Qt::CaseInsensitive);
        }
    }
    return false;
}

QString longDatePattern(const QLocale& locale);

void appendDateTime(QString& out, const QString& pattern, const DateTimeParts& p,
                    const QLocale& locale)
{
    QChar lastToken;
    int i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        if (isQuote(c)) {
            const int end = pattern.indexOf(c, i + 1);
            const int stop = end < 0 ? pattern.size() : end;
            out += QStringView(pattern).mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            if (c == QLatin1Char('/'))
                out += dateSeparator(locale);
            else if (c == QLatin1Char(':'))
                out += timeSeparator(locale);
            else
                out += c;
            ++i;
            continue;
        }

        char token = char(c.toUpper().unicode());
        // "m" right after an hour (separators and quoted text between do not
        // count) is the minute.
        if (token == 'M' && lastToken == QLatin1Char('H'))
            token = 'N';
        lastToken = QLatin1Char(token);
        int count = runLength(pattern, i);

        switch (token) {
        case 'Y':
            out += count <= 2 ? number(p.year % 100, 2) : number(p.year, 4);
            break;
        case 'M':
            if (count <= 2)
                out += number(p.month, count);
            else
                out += locale.monthName(p.month,
                                        count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case 'D':
            if (count <= 2)
                out += number(p.day, count);
            else if (count <= 4)
                out += locale.dayName(p.isoWeekday,
                                      count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            else
                appendDateTime(out, count == 5 ? shortDatePattern(locale) : longDatePattern(locale),
                               p, locale);
            break;
        case 'H': {
            int h = p.hour;
            if (twelveHourClock(pattern, i + count)) {
                if (h == 0)
                    h = 12;
                else if (h > 12)
                    h -= 12;
            }
            out += number(h, std::min(count, 2));
            break;
        }
        case 'N':
            out += number(p.minute, std::min(count, 2));
            break;
        case 'S':
            out += number(p.second, std::min(count, 2));
            break;
        case 'Z':
            out += number(p.msec, std::min(count, 3));
            break;
        case 'T':
            appendDateTime(out, count == 1 ? shortTimePattern(locale) : longTimePattern(locale), p,
                           locale);
            break;
        case 'C':
            appendDateTime(out, shortDatePattern(locale), p, locale);
            if (p.hour != 0 || p.minute != 0 || p.second != 0) {
                out += QLatin1Char(' ');
                appendDateTime(out, longTimePattern(locale), p, locale);
            }
            break;
        case 'A': {
            const QStringView rest = QStringView(pattern).mid(i);
            const bool pm = p.hour >= 12;
            if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
                out += rest.mid(pm ? 3 : 0, 2); // in the case the pattern writes it
                count = 5;
            } else if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
                out += rest.mid(pm ? 2 : 0, 1);
                count = 3;
            } else if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
                out += pm ? locale.pmText() : locale.amText();
                count = 4;
            } else {
                out += c;
                count = 1;
            }
            break;
        }
        default:
            out += QStringView(pattern).mid(i, count);
            break;
        }
        i += count;
    }
}

// Converts one of Qt's own locale formats ("dd/MM/yy", "HH:mm:ss t") to the
// pattern notation of this module. The time zone ('t') is dropped.
QString fromQtFormat(const QString& qt, bool widenYear)
{
    QString out;
    int i = 0;
    while (i < qt.size()) {
        const QChar c = qt[i];
        if (c == QLatin1Char('\'')) {
            // Quoted literal; '' stands for one quote character.
            QString text;
            int j = i + 1;
            while (j < qt.size()) {
                if (qt[j] == QLatin1Char('\'')) {
                    if (j + 1 < qt.size() && qt[j + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += qt[j++];
            }
            if (j == i + 1)
                text = QStringLiteral("'");
            const QChar q = text.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
            out += q + text + q;
            i = j + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            out += c;
            ++i;
            continue;
        }
        const int count = runLength(qt, i);
        const int two = std::min(count, 2);
        switch (c.unicode()) {
        case 'd':
            out += QString(std::min(count, 4), QLatin1Char('d'));
            break;
        case 'M':
            out += QString(std::min(count, 4), QLatin1Char('m'));
            break;
        case 'y':
            out += count <= 2 && !widenYear ? QStringLiteral("yy") : QStringLiteral("yyyy");
            break;
        case 'h':
        case 'H':
            out += QString(two, QLatin1Char('h'));
            break;
        case 'm':
            out += QString(two, QLatin1Char('n'));
            break;
        case 's':
            out += QString(two, QLatin1Char('s'));
            break;
        case 'z':
            out += QStringLiteral("zzz");
            break;
        case 'A':
        case 'a': {
            const bool pair = i + 1 < qt.size() &&
                              (qt[i + 1] == QLatin1Char('P') || qt[i + 1] == QLatin1Char('p'));
            out += c == QLatin1Char('A') ? QStringLiteral("ampm") : QStringLiteral("am/pm");
            i += pair ? 2 : 1;
            continue;
        }
        case 't':
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            break;
        default:
            out += QLatin1Char('"') + qt.mid(i, count) + QLatin1Char('"');
            break;
        }
        i += count;
    }
    return out.trimmed();
}

QString firstSeparator(const QString& qtFormat, const QString& fallback)
{
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && !isAsciiLetter(c))
            return QString(c);
    }
    return fallback;
}

QString longDatePattern(const QLocale& locale)
{
    return fromQtFormat(locale.dateFormat(QLocale::LongFormat), false);
}

// --------------------------------------------------------------- parsing

// An unsigned run of 1..maxDigits ASCII digits at `i`; advances `i`.
std::optional<int> readDigits(QStringView s, int& i, int maxDigits, int* digitsRead = nullptr)
{
    int n = 0;
    int v = 0;
    while (i < s.size() && isAsciiDigit(s[i])) {
        if (++n > maxDigits)
            return std::nullopt;
        v = v * 10 + (s[i].unicode() - '0');
        ++i;
    }
    if (n == 0)
        return std::nullopt;
    if (digitsRead)
        *digitsRead = n;
    return v;
}

// Month number of a month name of the locale (long or short, any case).
std::optional<int> monthFromName(QStringView name, const QLocale& locale)
{
    for (int m = 1; m <= 12; ++m) {
        for (const auto f : {QLocale::LongFormat, QLocale::ShortFormat}) {
            if (name.compare(locale.monthName(m, f), Qt::CaseInsensitive) == 0 ||
                name.compare(locale.standaloneMonthName(m, f), Qt::CaseInsensitive) == 0)
                return m;
        }
    }
    return std::nullopt;
}

} // namespace

// ------------------------------------------------------------------ public

QString formatFloat(const QString& pattern, double value, const QLocale& locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    const QStringList sections = numberSections(pattern);
    auto pick = [&](int index) {
        return index < sections.size() && !sections[index].isEmpty() ? index : 0;
    };
    int index = pick(value > 0 ? 0 : value < 0 ? 1 : 2);
    if (sections[index].isEmpty())
        return generalNumber(value, locale);

    NumberLayout layout = scanNumberSection(sections[index]);
    DecimalDigits digits = roundedDigits(value, layout.fracPlaces);
    // What rounds to zero is shown as zero: by the zero section if there is
    // one, else by the first, and never with a minus sign.
    if (digits.isZero() && index != pick(2)) {
        index = pick(2);
        layout = scanNumberSection(sections[index]);
        digits = roundedDigits(0, layout.fracPlaces);
    }
    const bool minus = value < 0 && index == 0 && !digits.isZero();
    return applyNumberSection(sections[index], layout, digits, minus, locale);
}

QString formatDateTime(const QString& pattern, TDateTime value, const QLocale& locale)
{
    QString out;
    appendDateTime(out, pattern.isEmpty() ? QStringLiteral("c") : pattern, decode(value), locale);
    return out;
}

QString dateSeparator(const QLocale& locale)
{
    return firstSeparator(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString timeSeparator(const QLocale& locale)
{
    return firstSeparator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

QString shortDatePattern(const QLocale& locale)
{
    return fromQtFormat(locale.dateFormat(QLocale::ShortFormat), true);
}

QString shortTimePattern(const QLocale& locale)
{
    return fromQtFormat(locale.timeFormat(QLocale::ShortFormat), false);
}

QString longTimePattern(const QLocale& locale)
{
    return fromQtFormat(locale.timeFormat(QLocale::LongFormat), false);
}

QString formatShortDate(TDateTime value, const QLocale& locale)
{
    return formatDateTime(shortDatePattern(locale), value, locale);
}

QString formatLongTime(TDateTime value, const QLocale& locale)
{
    return formatDateTime(longTimePattern(locale), value, locale);
}

std::optional<int> parseInt(const QString& text)
{
    const QString s = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        negative = s[i++] == QLatin1Char('-');
    if (i == s.size())
        return std::nullopt;
    qint64 v = 0;
    for (; i < s.size(); ++i) {
        if (!isAsciiDigit(s[i]))
            return std::nullopt;
        v = v * 10 + (s[i].unicode() - '0');
        if (v > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(v);
}

std::optional<double> parseFloat(const QString& text, const QLocale& locale)
{
    const QString s = text.trimmed();
    const QString point = locale.decimalPoint();
    QByteArray plain; // the same number in C notation
    int i = 0;
    auto sign = [&] {
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            plain += char(s[i++].unicode());
    };
    auto digits = [&] {
        int n = 0;
        for (; i < s.size() && isAsciiDigit(s[i]); ++i, ++n)
            plain += char(s[i].unicode());
        return n;
    };
    sign();
    int mantissaDigits = digits();
    if (!point.isEmpty() && QStringView(s).mid(i).startsWith(point)) {
        i += point.size();
        plain += '.';
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        plain += 'e';
        sign();
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(QLatin1String(plain), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<TDateTime> parseTime(const QString& text, const QLocale& locale)
{
    const QString s = text.trimmed();
    const QString sep = timeSeparator(locale);
    int fields[3] = {0, 0, 0};
    int n = 0;
    int i = 0;
    while (true) {
        const auto v = readDigits(s, i, 2);
        if (!v || n == 3)
            return std::nullopt;
        fields[n++] = *v;
        if (i == s.size())
            break;
        const QChar c = s[i];
        if (c != QLatin1Char(':') && c != QLatin1Char('.') && QString(c) != sep)
            return std::nullopt;
        ++i;
    }
    if (n < 2 || fields[0] > 23 || fields[1] > 59 || fields[2] > 59)
        return std::nullopt;
    return dt::encodeTime(fields[0], fields[1], fields[2]);
}

std::optional<TDateTime> parseShortDate(const QString& text, int currentYear, const QLocale& locale)
{
    // Field order from the locale's short date format.
    const QString qtFormat = locale.dateFormat(QLocale::ShortFormat);
    QString order;
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted &&
                 (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) &&
                 !order.contains(c))
            order += c;
    }
    if (order.size() != 3)
        order = QStringLiteral("dMy");

    const QChar localeSep = dateSeparator(locale).at(0);
    const QString s = text.trimmed();
    QList<QStringView> fields;
    QChar usedSep;
    int i = 0;
    while (true) {
        const int start = i;
        if (i < s.size() && isAsciiDigit(s[i])) {
            while (i < s.size() && isAsciiDigit(s[i]))
                ++i;
        } else {
            while (i < s.size() && s[i].isLetter())
                ++i;
        }
        if (i == start)
            return std::nullopt;
        fields << QStringView(s).mid(start, i - start);
        if (i == s.size())
            break;

        int j = i;
        while (j < s.size() && s[j].isSpace())
            ++j;
        QChar sep = j < s.size() ? s[j] : QChar();
        const bool marked = !sep.isSpace() && (sep == localeSep || sep == QLatin1Char('/') ||
                                               sep == QLatin1Char('.') || sep == QLatin1Char('-'));
        if (marked) {
            ++j;
            while (j < s.size() && s[j].isSpace())
                ++j;
        } else if (j > i && localeSep.isSpace()) {
            sep = localeSep;
        } else {
            return std::nullopt;
        }
        if (!usedSep.isNull() && sep != usedSep)
            return std::nullopt;
        usedSep = sep;
        // A closing separator is allowed where the locale writes one ("y. M. d.").
        if (j == s.size() && fields.size() == 3 && qtFormat.endsWith(sep))
            break;
        i = j;
    }
    if (fields.size() != 3)
        return std::nullopt;

    int day = 0, month = 0, year = 0;
    for (int f = 0; f < 3; ++f) {
        const QStringView field = fields[f];
        int pos = 0;
        int digitCount = 0;
        std::optional<int> v;
        switch (order[f].unicode()) {
        case 'd':
            v = readDigits(field, pos, 2);
            day = v.value_or(0);
            break;
        case 'M':
            v = isAsciiDigit(field[0]) ? readDigits(field, pos, 2) : monthFromName(field, locale);
            month = v.value_or(0);
            break;
        default:
            v = readDigits(field, pos, 4, &digitCount);
            if (v && digitCount == 3)
                v.reset();
            year = v.value_or(0);
            if (v && digitCount <= 2) {
                const int pivot = currentYear - 50;
                year += pivot / 100 * 100;
                if (year < pivot)
                    year += 100;
            }
            break;
        }
        if (!v)
            return std::nullopt;
    }
    if (!QDate(year, month, day).isValid())
        return std::nullopt;
    return dt::encodeDate(year, month, day);
}

std::optional<TDateTime> parseShortDate(const QString& text, const QLocale& locale)
{
    return parseShortDate(text, QDate::currentDate().year(), locale);
}

} // namespace fmt
