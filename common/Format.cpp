#include "common/Format.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <utility>

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

// Length of the run of the letter at i (case matters: "mM" is two runs of
// one).
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
// Rounding works on the first 18 significant digits of the value, so 2.675
// (stored as 2.67499999999999982...) gives 2.67.
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

// The am/pm markers of a pattern. "am/pm" and "a/p" write the pattern's own
// letters, in the case it writes them; "ampm" writes the locale's texts.
struct AmPmMarker {
    QStringView spelling; // as a pattern writes it, in any case
    QString (*text)(QStringView written, bool pm, const QLocale& locale);
};

const AmPmMarker AmPmMarkers[] = {
    {u"am/pm",
     [](QStringView w, bool pm, const QLocale&) { return w.mid(pm ? 3 : 0, 2).toString(); }},
    {u"a/p",
     [](QStringView w, bool pm, const QLocale&) { return w.mid(pm ? 2 : 0, 1).toString(); }},
    {u"ampm", [](QStringView, bool pm, const QLocale& l) { return pm ? l.pmText() : l.amText(); }},
};

// The am/pm marker text starts with, if any.
const AmPmMarker* amPmMarkerAt(QStringView text)
{
    for (const AmPmMarker& m : AmPmMarkers)
        if (text.startsWith(m.spelling, Qt::CaseInsensitive))
            return &m;
    return nullptr;
}

// True when an hour followed by `rest` must be shown on a 12-hour clock: the
// next 'a' (outside quotes, before any further 'h') starts an am/pm marker.
bool twelveHourClock(QStringView rest)
{
    QuoteScanner q;
    for (int i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (q.quoted(c))
            continue;
        if (c == QLatin1Char('h') || c == QLatin1Char('H'))
            return false;
        if (c == QLatin1Char('a') || c == QLatin1Char('A'))
            return amPmMarkerAt(rest.mid(i)) != nullptr;
    }
    return false;
}

QString longDatePattern(const QLocale& locale);
void appendDateTime(QString& out, const QString& pattern, const DateTimeParts& p,
                    const QLocale& locale);

// One piece of a date-time pattern: text written as it stands, or a field.
struct PatternToken {
    QString literal; // the text, when letter is 0
    char letter = 0; // the field's letter in upper case; 'N' for minutes
    int length = 0;  // pattern characters taken
};

// The token at i. lastLetter: the previous field's, since "m" right after an
// hour is the minute (separators and quoted text between do not count).
PatternToken nextToken(const QString& pattern, int i, char lastLetter, const QLocale& locale)
{
    const QChar c = pattern[i];
    if (isQuote(c)) {
        const int end = pattern.indexOf(c, i + 1);
        const int stop = end < 0 ? int(pattern.size()) : end;
        return {pattern.mid(i + 1, stop - i - 1), 0, stop + 1 - i};
    }
    if (!isAsciiLetter(c)) {
        if (c == QLatin1Char('/'))
            return {dateSeparator(locale), 0, 1};
        if (c == QLatin1Char(':'))
            return {timeSeparator(locale), 0, 1};
        return {QString(c), 0, 1};
    }
    char letter = char(c.toUpper().unicode());
    if (letter == 'M' && lastLetter == 'H')
        letter = 'N';
    return {QString(), letter, runLength(pattern, i)};
}

// A field being written: its run of count letters starts `rest`.
struct Field {
    QString& out;
    const DateTimeParts& p;
    const QLocale& locale;
    QStringView rest;
    int count;
};

// Each writer returns how many pattern characters the field took.
using FieldWriter = int (*)(const Field&);

int writeYear(const Field& f)
{
    f.out += f.count <= 2 ? number(f.p.year % 100, 2) : number(f.p.year, 4);
    return f.count;
}

int writeMonth(const Field& f)
{
    if (f.count <= 2)
        f.out += number(f.p.month, f.count);
    else
        f.out += f.locale.monthName(f.p.month,
                                    f.count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
    return f.count;
}

// d, dd: the day; ddd, dddd: the weekday's name; ddddd, dddddd: the
// locale's short or long date.
int writeDay(const Field& f)
{
    if (f.count <= 2)
        f.out += number(f.p.day, f.count);
    else if (f.count <= 4)
        f.out += f.locale.dayName(f.p.isoWeekday,
                                  f.count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
    else
        appendDateTime(f.out, f.count == 5 ? shortDatePattern(f.locale) : longDatePattern(f.locale),
                       f.p, f.locale);
    return f.count;
}

int writeHour(const Field& f)
{
    int h = f.p.hour;
    if (twelveHourClock(f.rest.mid(f.count))) {
        if (h == 0)
            h = 12;
        else if (h > 12)
            h -= 12;
    }
    f.out += number(h, std::min(f.count, 2));
    return f.count;
}

// Minutes, seconds and milliseconds: the number, at most maxWidth digits
// wide.
template <int DateTimeParts::*part, int maxWidth> int writeNumber(const Field& f)
{
    f.out += number(f.p.*part, std::min(f.count, maxWidth));
    return f.count;
}

// t: the locale's short time; tt: its long time.
int writeTime(const Field& f)
{
    appendDateTime(f.out, f.count == 1 ? shortTimePattern(f.locale) : longTimePattern(f.locale),
                   f.p, f.locale);
    return f.count;
}

// c: the short date, and the long time unless it is midnight.
int writeDateTime(const Field& f)
{
    appendDateTime(f.out, shortDatePattern(f.locale), f.p, f.locale);
    if (f.p.hour != 0 || f.p.minute != 0 || f.p.second != 0) {
        f.out += QLatin1Char(' ');
        appendDateTime(f.out, longTimePattern(f.locale), f.p, f.locale);
    }
    return f.count;
}

// An am/pm marker; an 'a' that starts none is written as it stands.
int writeAmPm(const Field& f)
{
    const AmPmMarker* marker = amPmMarkerAt(f.rest);
    if (!marker) {
        f.out += f.rest.front();
        return 1;
    }
    f.out += marker->text(f.rest, f.p.hour >= 12, f.locale);
    return int(marker->spelling.size());
}

const std::pair<char, FieldWriter> FieldWriters[] = {
    {'Y', writeYear},
    {'M', writeMonth},
    {'D', writeDay},
    {'H', writeHour},
    {'N', writeNumber<&DateTimeParts::minute, 2>},
    {'S', writeNumber<&DateTimeParts::second, 2>},
    {'Z', writeNumber<&DateTimeParts::msec, 3>},
    {'T', writeTime},
    {'C', writeDateTime},
    {'A', writeAmPm},
};

// Letters that name no field are written as they stand.
int writeField(char letter, const Field& f)
{
    for (const auto& [l, write] : FieldWriters)
        if (l == letter)
            return write(f);
    f.out += f.rest.left(f.count);
    return f.count;
}

void appendDateTime(QString& out, const QString& pattern, const DateTimeParts& p,
                    const QLocale& locale)
{
    char lastLetter = 0;
    for (int i = 0; i < pattern.size();) {
        const PatternToken t = nextToken(pattern, i, lastLetter, locale);
        if (!t.letter) {
            out += t.literal;
            i += t.length;
            continue;
        }
        lastLetter = t.letter;
        i += writeField(t.letter, Field{out, p, locale, QStringView(pattern).mid(i), t.length});
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

// The order of day, month and year in one of Qt's date formats ("dMy" for
// "dd/MM/yyyy"); day, month, year when the format does not name all three.
QString dateFieldOrder(const QString& qtFormat)
{
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
    return order.size() == 3 ? order : QStringLiteral("dMy");
}

// What may separate the fields of a typed date, besides the locale's own
// separator.
constexpr char16_t DateSeparators[] = {u'/', u'.', u'-'};

// The field of a typed date at i, a number or a month name; advances i.
// Empty where neither stands.
QStringView takeDateField(QStringView s, int& i)
{
    const int start = i;
    const bool digits = i < s.size() && isAsciiDigit(s[i]);
    while (i < s.size() && (digits ? isAsciiDigit(s[i]) : s[i].isLetter()))
        ++i;
    return s.mid(start, i - start);
}

// The separator after a field at i, with the spaces around it; advances i.
// Spaces alone separate only where the locale separates with a space.
std::optional<QChar> takeDateSeparator(QStringView s, int& i, QChar localeSep)
{
    int j = i;
    while (j < s.size() && s[j].isSpace())
        ++j;
    const QChar c = j < s.size() ? s[j] : QChar();
    const bool marked =
        !c.isSpace() &&
        (c == localeSep || std::find(std::begin(DateSeparators), std::end(DateSeparators),
                                     c.unicode()) != std::end(DateSeparators));
    if (marked) {
        ++j;
        while (j < s.size() && s[j].isSpace())
            ++j;
        i = j;
        return c;
    }
    if (j > i && localeSep.isSpace()) {
        i = j;
        return localeSep;
    }
    return std::nullopt;
}

// The three fields of a typed date, with one separator throughout; a closing
// separator is allowed where the locale writes one ("y. M. d.").
std::optional<std::array<QStringView, 3>> splitDateFields(QStringView s, QChar localeSep,
                                                          QStringView qtFormat)
{
    std::array<QStringView, 3> fields;
    int n = 0;
    std::optional<QChar> used;
    int i = 0;
    while (true) {
        const QStringView field = takeDateField(s, i);
        if (field.isEmpty() || n == 3)
            return std::nullopt;
        fields[n++] = field;
        if (i == s.size())
            break;
        const std::optional<QChar> sep = takeDateSeparator(s, i, localeSep);
        if (!sep || (used && *sep != *used))
            return std::nullopt;
        used = sep;
        if (i == s.size() && n == 3 && qtFormat.endsWith(*sep))
            break;
    }
    if (n != 3)
        return std::nullopt;
    return fields;
}

// A year of one or two digits is the one from 50 years before currentYear
// up to 49 years after it.
int fullYear(int shortYear, int currentYear)
{
    const int pivot = currentYear - 50;
    const int year = shortYear + pivot / 100 * 100;
    return year < pivot ? year + 100 : year;
}

std::optional<int> readDay(QStringView field)
{
    int pos = 0;
    return readDigits(field, pos, 2);
}

// A number of at most two digits, or a month name of the locale.
std::optional<int> readMonth(QStringView field, const QLocale& locale)
{
    int pos = 0;
    return isAsciiDigit(field[0]) ? readDigits(field, pos, 2) : monthFromName(field, locale);
}

// Four digits as they stand; one or two as the nearest year (fullYear).
std::optional<int> readYear(QStringView field, int currentYear)
{
    int pos = 0;
    int digits = 0;
    const std::optional<int> v = readDigits(field, pos, 4, &digits);
    if (!v || digits == 3)
        return std::nullopt;
    return digits <= 2 ? fullYear(*v, currentYear) : *v;
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
    const QString qtFormat = locale.dateFormat(QLocale::ShortFormat);
    const auto fields =
        splitDateFields(text.trimmed(), dateSeparator(locale).at(0), QStringView(qtFormat));
    if (!fields)
        return std::nullopt;
    const QString order = dateFieldOrder(qtFormat);
    std::optional<int> day, month, year;
    for (int f = 0; f < 3; ++f) {
        const QStringView field = (*fields)[f];
        switch (order[f].unicode()) {
        case 'd':
            day = readDay(field);
            break;
        case 'M':
            month = readMonth(field, locale);
            break;
        default:
            year = readYear(field, currentYear);
            break;
        }
    }
    if (!day || !month || !year || !QDate(*year, *month, *day).isValid())
        return std::nullopt;
    return dt::encodeDate(*year, *month, *day);
}

std::optional<TDateTime> parseShortDate(const QString& text, const QLocale& locale)
{
    return parseShortDate(text, QDate::currentDate().year(), locale);
}

} // namespace fmt
