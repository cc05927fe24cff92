#include "platform/system/Registry.h"

#include "common/Ansi.h"
#include "platform/file/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

RegValue RegValue::ofDword(uint32_t v)
{
    RegValue r;
    r.type = RegType::Dword;
    r.dword = v;
    return r;
}

RegValue RegValue::ofString(const QString& s)
{
    RegValue r;
    r.type = RegType::String;
    r.text = s;
    return r;
}

RegValue RegValue::ofBinary(const QByteArray& b)
{
    RegValue r;
    r.type = RegType::Binary;
    r.bytes = b;
    return r;
}

RegValue RegValue::ofOther(int type, const QByteArray& b, bool wide)
{
    RegValue r;
    r.type = RegType::Other;
    r.otherType = type;
    r.bytes = b;
    r.otherWide = wide;
    return r;
}

// ---------------------------------------------------------------------------
// In-memory tree

bool TMemRegistry::KeyOrder::operator()(const QString& a, const QString& b) const
{
    const QChar* p = a.constData();
    const QChar* q = b.constData();
    const qsizetype n = std::min(a.size(), b.size());
    const auto [x, y] = std::mismatch(p, p + n, q);
    if (x == p + n)
        return a.size() < b.size();
    // The separator sorts before every character.
    if (*x == u'\\')
        return true;
    if (*y == u'\\')
        return false;
    return x->unicode() < y->unicode();
}

QString TMemRegistry::normalizeKey(const QString& key)
{
    const QLatin1Char sep('\\');
    if (!key.startsWith(sep) && !key.endsWith(sep) && !key.contains(QLatin1String("\\\\")))
        return key;
    return key.split(sep, Qt::SkipEmptyParts).join(sep);
}

QString TMemRegistry::keyId(const QString& key)
{
    return normalizeKey(key).toCaseFolded();
}

const TMemRegistry::Key* TMemRegistry::findKey(const QString& key) const
{
    const auto it = m_keys.find(keyId(key));
    return it == m_keys.end() ? nullptr : &it->second;
}

TMemRegistry::Key& TMemRegistry::ensureKey(const QString& key)
{
    const QString id = keyId(key);
    auto it = m_keys.find(id);
    if (it == m_keys.end()) {
        Key k;
        k.path = normalizeKey(key);
        it = m_keys.emplace(id, std::move(k)).first;
        m_dirty = true;
    }
    return it->second;
}

RegValue TMemRegistry::readValue(const QString& key, const QString& name) const
{
    if (const Key* k = findKey(key)) {
        const auto i = k->index.constFind(name.toCaseFolded());
        if (i != k->index.constEnd())
            return k->values.at(*i).value;
    }
    return {};
}

void TMemRegistry::writeValue(const QString& key, const QString& name, const RegValue& value)
{
    if (value.isAbsent()) {
        deleteValue(key, name);
        return;
    }
    if (normalizeKey(key).isEmpty())
        return; // values directly under HKEY_CURRENT_USER are not ours to write
    setEntry(ensureKey(key), name, name.toCaseFolded(), value);
}

void TMemRegistry::setEntry(Key& k, const QString& name, const QString& nameId,
                            const RegValue& value)
{
    m_dirty = true;
    const auto i = k.index.constFind(nameId);
    if (i != k.index.constEnd()) {
        k.values[*i].value = value;
        return;
    }
    k.index.insert(nameId, k.values.size());
    k.values.append(Entry{name, value, true});
}

void TMemRegistry::deleteValue(const QString& key, const QString& name)
{
    const auto it = m_keys.find(keyId(key));
    if (it != m_keys.end())
        removeEntry(it->second, name.toCaseFolded());
}

void TMemRegistry::removeEntry(Key& k, const QString& nameId)
{
    const auto i = k.index.find(nameId);
    if (i == k.index.end())
        return;
    k.values[*i].alive = false;
    k.index.erase(i);
    ++k.removed;
    m_dirty = true;
    // Dropped entries are squeezed out now and then, so that many deletions
    // cost no more than many writes.
    if (k.removed > 16 && k.removed * 2 > k.values.size()) {
        k.values.removeIf([](const Entry& e) { return !e.alive; });
        k.index.clear();
        for (qsizetype p = 0; p < k.values.size(); ++p)
            k.index.insert(k.values.at(p).name.toCaseFolded(), p);
        k.removed = 0;
    }
}

bool TMemRegistry::keyExists(const QString& key) const
{
    const QString id = keyId(key);
    if (id.isEmpty())
        return true;
    const auto it = m_keys.lower_bound(id);
    return it != m_keys.end() && (it->first == id || it->first.startsWith(id + QLatin1Char('\\')));
}

void TMemRegistry::createKey(const QString& key)
{
    if (!normalizeKey(key).isEmpty())
        ensureKey(key);
}

QStringList TMemRegistry::valueNames(const QString& key) const
{
    QStringList names;
    if (const Key* k = findKey(key)) {
        for (const Entry& e : k->values)
            if (e.alive)
                names.append(e.name);
    }
    return names;
}

bool TMemRegistry::reload(QString* error)
{
    // Nothing behind it to read: the tree is what it holds.
    if (error)
        error->clear();
    m_dirty = false;
    return true;
}

bool TMemRegistry::commit(QString* error)
{
    if (error)
        error->clear();
    if (m_dirty)
        ++m_commits;
    m_dirty = false;
    return true;
}

QStringList TMemRegistry::keys() const
{
    QStringList out;
    out.reserve(qsizetype(m_keys.size()));
    for (const auto& [id, k] : m_keys)
        out.append(k.path);
    return out;
}

void TMemRegistry::deleteKey(const QString& key)
{
    const QString id = keyId(key);
    if (id.isEmpty())
        return;
    const QString below = id + QLatin1Char('\\');
    auto it = m_keys.lower_bound(id);
    while (it != m_keys.end() && (it->first == id || it->first.startsWith(below))) {
        it = m_keys.erase(it);
        m_dirty = true;
    }
}

void TMemRegistry::clear()
{
    if (!m_keys.empty())
        m_dirty = true;
    m_keys.clear();
}

// ---------------------------------------------------------------------------
// The .reg file format

namespace
{

const QString Regedit4 = QStringLiteral("REGEDIT4");
const QString Regedit5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString Hkcu = QStringLiteral("HKEY_CURRENT_USER");
constexpr int HexLineWidth = 76;

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// Registry types whose data is text: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ.
bool isTextType(int type)
{
    return type == 1 || type == 2 || type == 7;
}

bool fitsAnsi(const QString& s)
{
    return ansi::toUnicode(ansi::fromUnicode(s)) == s;
}

QByteArray utf16le(const QString& s)
{
    QByteArray out(s.size() * 2, '\0');
    for (qsizetype i = 0; i < s.size(); ++i)
        qToLittleEndian<quint16>(s.at(i).unicode(), out.data() + 2 * i);
    return out;
}

QString fromUtf16le(const QByteArray& b)
{
    QString out;
    out.reserve(b.size() / 2);
    for (qsizetype i = 0; i + 1 < b.size(); i += 2)
        out.append(QChar(qFromLittleEndian<quint16>(b.constData() + i)));
    return out;
}

// The text held by the raw bytes of a text-typed value, terminators included.
QString otherText(const RegValue& v)
{
    return v.otherWide ? fromUtf16le(v.bytes) : ansi::toUnicode(v.bytes);
}

// A text that a quoted .reg string cannot carry (line breaks, NUL, other
// control characters) is written as hex(1) instead.
bool needsHexString(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x20; });
}

QString quoted(const QString& s)
{
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out.append(QLatin1Char('\\'));
        out.append(c);
    }
    out.append(QLatin1Char('"'));
    return out;
}

QString hexData(const QString& prefix, const QByteArray& bytes)
{
    QString out = prefix;
    qsizetype column = prefix.size();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(QString::asprintf("%02x", unsigned(uchar(bytes[i]))));
        column += 2;
        if (i + 1 < bytes.size()) {
            out.append(QLatin1Char(','));
            ++column;
            if (column >= HexLineWidth) {
                out.append(QStringLiteral("\\\r\n  "));
                column = 2;
            }
        }
    }
    return out;
}

QString valueLine(const QString& name, const RegValue& v, bool wide)
{
    const QString lead = (name.isEmpty() ? QStringLiteral("@") : quoted(name)) + QLatin1Char('=');
    switch (v.type) {
    case RegType::Dword:
        return lead + QString::asprintf("dword:%08x", v.dword);
    case RegType::String:
        if (needsHexString(v.text)) {
            const QString z = v.text + QChar(0);
            return hexData(lead + QStringLiteral("hex(1):"),
                           wide ? utf16le(z) : ansi::fromUnicode(z));
        }
        return lead + quoted(v.text);
    case RegType::Binary:
        return hexData(lead + QStringLiteral("hex:"), v.bytes);
    case RegType::Other: {
        QByteArray bytes = v.bytes;
        if (isTextType(v.otherType) && v.otherWide != wide)
            bytes = wide ? utf16le(otherText(v)) : ansi::fromUnicode(otherText(v));
        return hexData(lead + QStringLiteral("hex(%1):").arg(v.otherType, 0, 16), bytes);
    }
    case RegType::Absent:
        break;
    }
    return {};
}

bool needsWide(const TMemRegistry& reg)
{
    for (const QString& key : reg.keys()) {
        if (!fitsAnsi(key))
            return true;
        for (const QString& name : reg.valueNames(key)) {
            if (!fitsAnsi(name))
                return true;
            const RegValue v = reg.readValue(key, name);
            if (v.type == RegType::String && !fitsAnsi(v.text))
                return true;
            if (v.type == RegType::Other && isTextType(v.otherType) && v.otherWide &&
                !fitsAnsi(otherText(v)))
                return true;
        }
    }
    return false;
}

QString decodeFile(const QByteArray& data)
{
    if (data.startsWith("\xFF\xFE"))
        return fromUtf16le(data.mid(2));
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(data.mid(3));
    if (data.size() >= 2 && data[0] != 0 && data[1] == 0)
        return fromUtf16le(data);
    // Plain bytes: Windows-1252 as regedit writes them, unless they are valid
    // UTF-8 (a file saved by a Linux editor). Pure ASCII reads the same both ways.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    return ansi::toUnicode(data);
}

// Reads a quoted string starting at pos (at the opening quote); pos ends
// after the closing quote. False when it is not closed.
bool readQuoted(const QString& line, qsizetype& pos, QString& out)
{
    out.clear();
    if (pos >= line.size() || line[pos] != QLatin1Char('"'))
        return false;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < line.size())
            ++pos;
        out.append(line[pos]);
    }
    return false;
}

bool readHexBytes(const QString& text, QByteArray& out)
{
    out.clear();
    const QString t = text.trimmed();
    if (t.isEmpty())
        return true;
    const QStringList parts = t.split(QLatin1Char(','));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        if (p.isEmpty() && i == parts.size() - 1)
            break; // a trailing comma
        bool ok = false;
        const uint b = p.toUInt(&ok, 16);
        if (!ok || p.size() > 2 || b > 0xFF)
            return false;
        out.append(char(b));
    }
    return true;
}

// "..." : text.
bool readStringData(const QString& data, bool, RegValue& v)
{
    qsizetype pos = 0;
    QString s;
    if (!readQuoted(data, pos, s) || !data.mid(pos).trimmed().isEmpty())
        return false;
    v = RegValue::ofString(s);
    return true;
}

// dword:0000002a : a number, at most eight hex digits.
bool readDwordData(const QString& data, bool, RegValue& v)
{
    const QString digits = data.mid(6).trimmed();
    bool ok = false;
    const uint n = digits.toUInt(&ok, 16);
    if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+')))
        return false;
    v = RegValue::ofDword(n);
    return true;
}

// The value type of "hex" (binary) or "hex(n)".
std::optional<int> hexType(const QString& kind)
{
    if (kind.size() <= 3)
        return 3; // REG_BINARY
    if (!kind.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) ||
        !kind.endsWith(QLatin1Char(')')))
        return std::nullopt;
    bool ok = false;
    const int type = kind.mid(4, kind.size() - 5).toInt(&ok, 16);
    if (!ok || type < 0)
        return std::nullopt;
    return type;
}

// hex:01,02 or hex(n):01,02 : bytes, read as text for hex(1) and as a
// number for hex(4) of four bytes.
bool readHexData(const QString& data, bool wideFile, RegValue& v)
{
    const qsizetype colon = data.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    const std::optional<int> type = hexType(data.left(colon).trimmed());
    QByteArray bytes;
    if (!type || !readHexBytes(data.mid(colon + 1), bytes))
        return false;
    if (*type == 3) {
        v = RegValue::ofBinary(bytes);
    } else if (*type == 4 && bytes.size() == 4) {
        v = RegValue::ofDword(qFromLittleEndian<quint32>(bytes.constData()));
    } else if (*type == 1) {
        if (wideFile && bytes.size() % 2 != 0)
            return false;
        // One NUL ends the text; any other belongs to it, so a text holding a
        // NUL (written this way) reads back whole.
        QString s = wideFile ? fromUtf16le(bytes) : ansi::toUnicode(bytes);
        if (s.endsWith(QChar(0)))
            s.chop(1);
        v = RegValue::ofString(s);
    } else {
        // Only text types depend on the flavour of the file.
        v = RegValue::ofOther(*type, bytes, wideFile && isTextType(*type));
    }
    return true;
}

// The forms of a value's data, by how the data starts (in any case).
struct DataForm {
    QLatin1String start;
    bool (*read)(const QString& data, bool wideFile, RegValue& v);
};
const DataForm DataForms[] = {
    {QLatin1String("\""), readStringData},
    {QLatin1String("dword:"), readDwordData},
    {QLatin1String("hex"), readHexData},
};

// Parses the data after '='; false when it cannot be read. "-" deletes the
// value.
bool readData(const QString& data, bool wideFile, RegValue& v, bool& isDelete)
{
    isDelete = data == QLatin1String("-");
    if (isDelete)
        return true;
    for (const DataForm& form : DataForms)
        if (data.startsWith(form.start, Qt::CaseInsensitive))
            return form.read(data, wideFile, v);
    return false;
}

// A value line: "name"= or @= (the default value), then its data. False
// when it cannot be read.
bool readValueLine(const QString& line, bool wideFile, QString& name, RegValue& v, bool& isDelete)
{
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@')))
        pos = 1;
    else if (!readQuoted(line, pos, name))
        return false;
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    if (pos >= line.size() || line[pos] != QLatin1Char('='))
        return false;
    return readData(line.mid(pos + 1).trimmed(), wideFile, v, isDelete);
}

// The key of a "[...]" line relative to HKEY_CURRENT_USER; empty for other
// hives or the hive itself.
QString keyOfHeader(const QString& inside)
{
    const qsizetype slash = inside.indexOf(QLatin1Char('\\'));
    const QString hive = slash < 0 ? inside : inside.left(slash);
    if (!sameName(hive.trimmed(), Hkcu) && !sameName(hive.trimmed(), QStringLiteral("HKCU")))
        return {};
    return slash < 0 ? QString() : inside.mid(slash + 1);
}

bool isHexValueLine(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1String("=hex"), 0, Qt::CaseInsensitive);
    return eq > 0 && !line.startsWith(QLatin1Char(';'));
}

} // namespace

// ---------------------------------------------------------------------------
// Content comparison

namespace
{

// The text-typed raw bytes of v in the other flavour (ANSI <-> UTF-16LE).
QByteArray inFlavour(const RegValue& v, bool wide)
{
    if (!isTextType(v.otherType) || v.otherWide == wide)
        return v.bytes;
    return wide ? utf16le(otherText(v)) : ansi::fromUnicode(otherText(v));
}

bool sameValue(const RegValue& a, const RegValue& b)
{
    if (a == b)
        return true;
    return a.type == RegType::Other && b.type == RegType::Other && a.otherType == b.otherType &&
           isTextType(a.otherType) && a.otherWide != b.otherWide &&
           inFlavour(b, a.otherWide) == a.bytes && inFlavour(a, b.otherWide) == b.bytes;
}

} // namespace

bool TMemRegistry::sameContent(const TMemRegistry& a, const TMemRegistry& b)
{
    if (a.m_keys.size() != b.m_keys.size())
        return false;
    for (auto i = a.m_keys.begin(), j = b.m_keys.begin(); i != a.m_keys.end(); ++i, ++j) {
        if (i->first != j->first || i->second.index.size() != j->second.index.size())
            return false;
        for (auto v = i->second.index.constBegin(); v != i->second.index.constEnd(); ++v) {
            const auto w = j->second.index.constFind(v.key());
            if (w == j->second.index.constEnd() ||
                !sameValue(i->second.values.at(*v).value, j->second.values.at(*w).value))
                return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Reading, with the layout of the file remembered

struct TRegFile::Document {
    struct Item {
        enum Kind : quint8 {
            Raw,    // kept as it was: comments, blank and unreadable lines, other hives
            Banner, // the "REGEDIT4" line
            Header, // "[HKEY_CURRENT_USER\...]" of a key of ours
            Value,  // a value of ours, written from the tree
        };
        Kind kind = Raw;
        // Header: a later "[-key]" removes the key again. Value: overridden
        // or deleted by a later line of the file.
        bool dead = false;
        // Raw: a "[...]" line; what follows it is not in any section of ours.
        bool opensSection = false;
        // Raw: the line lies in a section of ours (its text could be read).
        bool inOurKey = false;
        qsizetype first = 0; // its lines in Document::lines
        qsizetype count = 0;
        QString key;  // Header, Value: keyId
        QString name; // Value: case-folded name

        bool startsSection() const
        {
            return kind == Banner || kind == Header || (kind == Raw && opensSection);
        }
    };
    QStringList lines; // every line of the file, as read
    QList<Item> items;
    bool endsWithNewline = true;
    // The last item is data continued with '\' that reached the end of the
    // file: whether it took the empty line after the last line break, and
    // the backslashes it still ends with.
    bool lastTookEnd = false;
    int lastOpenBackslashes = 0;
};

namespace
{

int trailingBackslashes(const QString& s)
{
    int n = 0;
    for (qsizetype i = s.size() - 1; i >= 0 && s.at(i) == QLatin1Char('\\'); --i)
        ++n;
    return n;
}

using ValueId = std::pair<QString, QString>; // keyId, case-folded name

// The lines of a file as they are read: long hex data goes on over several
// lines, each ending with '\', and is joined into one.
class LogicalLines
{
public:
    struct Line {
        QString text;        // trimmed, continued data joined
        qsizetype first = 0; // its lines in the file
        qsizetype count = 0;
        bool last = false; // nothing follows it
        // Continued data: whether it took the empty line after the last line
        // break, and the backslashes it still ends with.
        bool tookEnd = false;
        int openBackslashes = 0;
    };

    explicit LogicalLines(QString text)
    {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        m_lines = text.split(QLatin1Char('\n'));
        // After a final line break the split gives one more, empty line that
        // is not in the file; continued data may still take it.
        m_physical = text.endsWith(QLatin1Char('\n')) ? m_lines.size() - 1 : m_lines.size();
    }

    bool endsWithNewline() const
    {
        return m_physical < m_lines.size() || m_lines.isEmpty() ||
               (m_lines.size() == 1 && m_lines.first().isEmpty());
    }

    std::optional<Line> next()
    {
        if (m_next >= m_lines.size())
            return std::nullopt;
        Line l;
        l.first = m_next;
        qsizetype i = m_next;
        l.text = m_lines[i].trimmed();
        const bool continued = isHexValueLine(l.text);
        bool joined = false;
        while (continued && l.text.endsWith(QLatin1Char('\\')) && i + 1 < m_lines.size()) {
            l.text.chop(1);
            l.text += m_lines[++i].trimmed();
            joined = true;
        }
        l.count = std::min(i + 1, m_physical) - l.first;
        l.last = i + 1 >= m_lines.size();
        l.tookEnd = continued && joined && i >= m_physical;
        l.openBackslashes = continued ? trailingBackslashes(l.text) : 0;
        m_next = i + 1;
        return l;
    }

    // The lines of the file itself.
    QStringList takeFileLines()
    {
        m_lines.resize(m_physical);
        return std::move(m_lines);
    }

private:
    QStringList m_lines;
    qsizetype m_physical = 0;
    qsizetype m_next = 0;
};

enum class LineKind {
    Comment, // blank, or ";"
    Section, // "[...]"
    Value,   // anything else: a value line, or one that cannot be read
};

LineKind kindOf(const QString& line)
{
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
        return LineKind::Comment;
    return line.startsWith(QLatin1Char('[')) ? LineKind::Section : LineKind::Value;
}

} // namespace

// Reads lines into a registry and, with a document, the file's layout: one
// item per line read.
struct TRegFile::Reader {
    using Item = Document::Item;

    Reader(TMemRegistry& reg, Document* doc) : reg(reg), doc(doc) {}

    TMemRegistry& reg;
    Document* doc;
    int skipped = 0;
    bool wide = false;
    bool bannerLooked = false;
    // Values go into the current key while there is one; under a key of
    // another hive they are passed over without counting as damage.
    Key* current = nullptr;
    bool foreign = false;
    QString keyId;
    // The live line of each value, and, once the file deletes a key, the
    // items of each key, so that a "[-key]" line finds those of the key and
    // of its subkeys at once.
    QHash<ValueId, qsizetype> valueItem;
    std::map<QString, QList<qsizetype>, KeyOrder> itemsOfKey;
    bool keyIndex = false;

    void read(const QString& line, Item item)
    {
        const LineKind kind = kindOf(line);
        if (kind == LineKind::Comment)
            return keepRaw(item);
        if (!bannerLooked) {
            bannerLooked = true;
            if (line == Regedit4 || line == Regedit5)
                return banner(line, item);
            ++skipped; // no banner: read on as REGEDIT4, what fits is kept
        }
        if (kind == LineKind::Section)
            return section(line, item);
        value(line, item);
    }

    void banner(const QString& line, Item& item)
    {
        wide = line == Regedit5;
        item.kind = Item::Banner;
        keep(item);
    }

    void section(const QString& line, Item& item)
    {
        current = nullptr;
        foreign = false;
        item.opensSection = true;
        if (!line.endsWith(QLatin1Char(']'))) {
            ++skipped;
            return keepRaw(item);
        }
        QString inside = line.mid(1, line.size() - 2);
        const bool remove = inside.startsWith(QLatin1Char('-'));
        if (remove)
            inside.remove(0, 1);
        const QString path = normalizeKey(keyOfHeader(inside));
        keyId = path.toCaseFolded();
        if (keyId.isEmpty()) {
            foreign = true; // another hive, or values of the hive itself: not ours
            return keepRaw(item);
        }
        if (remove) {
            deleteKey(path);
            return keepRaw(item);
        }
        current = &reg.ensureKey(path);
        if (doc) {
            item.kind = Item::Header;
            item.key = keyId;
            noteItemOfKey(keyId, doc->items.size());
            keep(item);
        }
    }

    // "[-key]": what the file said of the key and its subkeys so far is gone;
    // the line itself stays, so that those lines, kept as they are, go again.
    void deleteKey(const QString& path)
    {
        reg.deleteKey(path);
        if (!doc)
            return;
        if (!keyIndex) {
            keyIndex = true;
            for (qsizetype n = 0; n < doc->items.size(); ++n) {
                const Item& it = doc->items.at(n);
                if (it.kind == Item::Header || (it.kind == Item::Value && !it.dead))
                    itemsOfKey[it.key].append(n);
            }
        }
        const QString below = keyId + QLatin1Char('\\');
        auto it = itemsOfKey.lower_bound(keyId);
        while (it != itemsOfKey.end() && (it->first == keyId || it->first.startsWith(below))) {
            for (qsizetype n : std::as_const(it->second)) {
                Item& gone = doc->items[n];
                gone.dead = true;
                if (gone.kind == Item::Value)
                    valueItem.remove({gone.key, gone.name});
            }
            it = itemsOfKey.erase(it);
        }
    }

    void value(const QString& line, Item& item)
    {
        if (!current) {
            if (!foreign)
                ++skipped;
            return keepRaw(item);
        }
        QString name;
        RegValue v;
        bool isDelete = false;
        if (!readValueLine(line, wide, name, v, isDelete)) {
            ++skipped;
            return keepRaw(item);
        }
        const QString nameId = name.toCaseFolded();
        if (isDelete)
            reg.removeEntry(*current, nameId);
        else
            reg.setEntry(*current, name, nameId, v);
        if (!doc)
            return;
        // The value is written where it first appeared; a later line that
        // changed or deleted it goes, and so does a deleted value's first line.
        item.kind = Item::Value;
        item.key = keyId;
        item.name = nameId;
        const auto earlier = valueItem.constFind({keyId, nameId});
        if (isDelete) {
            item.dead = true;
            if (earlier != valueItem.constEnd()) {
                doc->items[*earlier].dead = true;
                valueItem.erase(earlier);
            }
        } else if (earlier != valueItem.constEnd()) {
            item.dead = true;
        } else {
            valueItem.insert({keyId, nameId}, doc->items.size());
            noteItemOfKey(keyId, doc->items.size());
        }
        keep(item);
    }

    void noteItemOfKey(const QString& id, qsizetype n)
    {
        if (keyIndex)
            itemsOfKey[id].append(n);
    }

    void keep(Item& item)
    {
        if (doc && item.count > 0)
            doc->items.append(std::move(item));
    }

    // A line kept as it was read.
    void keepRaw(Item& item)
    {
        item.inOurKey = current != nullptr;
        keep(item);
    }
};

int TRegFile::parseInto(const QByteArray& data, TMemRegistry& reg, Document* doc)
{
    LogicalLines lines(decodeFile(data));
    if (doc) {
        doc->endsWithNewline = lines.endsWithNewline();
        doc->lastTookEnd = false;
        doc->lastOpenBackslashes = 0;
    }
    Reader reader(reg, doc);
    while (const std::optional<LogicalLines::Line> line = lines.next()) {
        Document::Item item;
        item.first = line->first;
        item.count = line->count;
        if (doc && line->last) {
            doc->lastTookEnd = line->tookEnd;
            doc->lastOpenBackslashes = line->openBackslashes;
        }
        reader.read(line->text, std::move(item));
    }
    if (doc)
        doc->lines = lines.takeFileLines();
    return reader.skipped;
}

int TRegFile::parse(const QByteArray& data, TMemRegistry& reg)
{
    return parseInto(data, reg, nullptr);
}

// ---------------------------------------------------------------------------
// Writing

namespace
{

QString headerLine(const QString& key)
{
    return QStringLiteral("[%1\\%2]").arg(Hkcu, key);
}

QString bannerOf(bool wide)
{
    return wide ? Regedit5 : Regedit4;
}

QString joinLines(const QStringList& lines, bool finalBreak)
{
    QString out = lines.join(QStringLiteral("\r\n"));
    if (finalBreak && !lines.isEmpty())
        out += QStringLiteral("\r\n");
    return out;
}

QByteArray encode(const QString& text, bool wide)
{
    if (wide)
        return QByteArray("\xFF\xFE") + utf16le(text);
    return ansi::fromUnicode(text);
}

// The whole tree as a fresh file.
QStringList plainLines(const TMemRegistry& reg, bool wide)
{
    QStringList out{bannerOf(wide), QString()};
    for (const QString& key : reg.keys()) {
        out.append(headerLine(key));
        for (const QString& name : reg.valueNames(key))
            out.append(valueLine(name, reg.readValue(key, name), wide));
        out.append(QString());
    }
    return out;
}

} // namespace

// The tree written in the layout of the file as read (see the class
// comment): the file's own lines where they still hold, the values and keys
// it has no line for added where they belong.
struct TRegFile::Layout {
    using Item = Document::Item;

    // Where the values of a key that have no line of their own go: after the
    // last value line of the key's last section in the file (or its header),
    // and how many of its values have a line.
    struct Place {
        qsizetype after = -1;
        qsizetype placed = 0;
    };

    // The lines written so far; lastAsRead: the last is one of the file's own.
    struct Out {
        QStringList lines;
        bool lastAsRead = false;

        void add(const QStringList& more)
        {
            if (more.isEmpty())
                return;
            lines += more;
            lastAsRead = false;
        }
    };

    const TRegFile& file;
    const Document& doc;
    const bool wide;

    const Entry* valueOf(const Item& it) const
    {
        const auto k = file.m_keys.find(it.key);
        if (k == file.m_keys.end())
            return nullptr;
        const auto e = k->second.index.constFind(it.name);
        return e == k->second.index.constEnd() ? nullptr : &k->second.values.at(*e);
    }

    QHash<QString, Place> places() const
    {
        QHash<QString, Place> out;
        QString sectionKey; // the key whose section the walk is in, while it is ours and alive
        for (qsizetype n = 0; n < doc.items.size(); ++n) {
            const Item& it = doc.items.at(n);
            if (it.startsSection())
                sectionKey.clear();
            if (it.kind == Item::Header && !it.dead && file.m_keys.count(it.key)) {
                out[it.key].after = n;
                sectionKey = it.key;
            } else if (it.kind == Item::Value && !it.dead && valueOf(it)) {
                Place& p = out[it.key];
                ++p.placed;
                if (sectionKey == it.key)
                    p.after = n;
            }
        }
        return out;
    }

    // Before which item new keys go (doc.items.size(): at the end), and the
    // blank lines they need before them there. A file that ends inside
    // continued data of a section of ours cannot have lines added after it
    // without changing what that data says: new keys then go before that
    // last section. Elsewhere the data means nothing, and blank lines for it
    // to take keep the new keys whole.
    std::pair<qsizetype, int> newKeysPlace() const
    {
        const QList<Item>& items = doc.items;
        if (items.isEmpty() || items.last().kind != Item::Raw ||
            (!doc.lastTookEnd && doc.lastOpenBackslashes == 0))
            return {items.size(), 0};
        if (!items.last().inOurKey || doc.lastOpenBackslashes == 0)
            return {items.size(), doc.lastOpenBackslashes + (doc.lastTookEnd ? 1 : 0)};
        for (qsizetype n = items.size() - 1; n >= 0; --n)
            if (items.at(n).startsSection())
                return {n, 0};
        return {items.size(), 0};
    }

    // The lines of the values and keys the file has no line for yet: values
    // after the item of their key's place, keys of their own.
    void pending(const QHash<QString, Place>& places, QHash<qsizetype, QStringList>& after,
                 QStringList& newKeys) const
    {
        for (const auto& [id, key] : file.m_keys) {
            const auto p = places.constFind(id);
            const bool hasSection = p != places.constEnd() && p->after >= 0;
            const qsizetype alive = key.values.size() - key.removed;
            if (hasSection && p->placed == alive)
                continue;
            QSet<QString> placed;
            if (p != places.constEnd() && p->placed > 0) {
                for (const Item& it : doc.items)
                    if (it.kind == Item::Value && !it.dead && it.key == id)
                        placed.insert(it.name);
            }
            QStringList values;
            for (const Entry& e : key.values)
                if (e.alive && !placed.contains(e.name.toCaseFolded()))
                    values.append(valueLine(e.name, e.value, wide));
            if (hasSection) {
                after[p->after] += values;
            } else {
                newKeys.append(headerLine(key.path));
                newKeys += values;
                newKeys.append(QString());
            }
        }
    }

    void asRead(const Item& it, Out& out) const
    {
        for (qsizetype l = it.first; l < it.first + it.count; ++l)
            out.lines.append(doc.lines.at(l));
        out.lastAsRead = true;
    }

    void write(const Item& it, Out& out) const
    {
        out.lastAsRead = false;
        switch (it.kind) {
        case Item::Banner:
            out.lines.append(bannerOf(wide));
            break;
        case Item::Raw:
            asRead(it, out);
            break;
        case Item::Header:
            // A key no longer in the tree loses its header; what followed it
            // reads the same under the section before. A header the file
            // itself deletes again further on stays, as the deletion does.
            if (it.dead || file.m_keys.count(it.key))
                asRead(it, out);
            break;
        case Item::Value:
            if (!it.dead) {
                if (const Entry* e = valueOf(it))
                    out.lines.append(valueLine(e->name, e->value, wide));
            }
            break;
        }
    }

    static void addNewKeys(const QStringList& newKeys, Out& out)
    {
        if (newKeys.isEmpty())
            return;
        if (!out.lines.isEmpty() && !out.lines.last().isEmpty())
            out.lines.append(QString());
        out.add(newKeys);
    }

    QStringList lines(bool& finalBreak) const
    {
        QHash<qsizetype, QStringList> after;
        QStringList newKeys;
        pending(places(), after, newKeys);
        const auto [newKeysAt, padding] = newKeysPlace();

        const QList<Item>& items = doc.items;
        Out out;
        out.lines.reserve(doc.lines.size() + newKeys.size() + 2);
        if (std::none_of(items.begin(), items.end(),
                         [](const Item& it) { return it.kind == Item::Banner; }))
            out.lines << bannerOf(wide) << QString();
        for (qsizetype n = 0; n < items.size(); ++n) {
            if (n == newKeysAt)
                addNewKeys(newKeys, out);
            write(items.at(n), out);
            out.add(after.value(n));
        }
        if (newKeysAt == items.size() && !newKeys.isEmpty()) {
            for (int p = 0; p < padding; ++p)
                out.lines.append(QString());
            addNewKeys(newKeys, out);
        }
        finalBreak = doc.endsWithNewline || !out.lastAsRead;
        return out.lines;
    }
};

QStringList TRegFile::layoutLines(bool wide, bool& finalBreak) const
{
    return Layout{*this, *m_doc, wide}.lines(finalBreak);
}

TRegFile::TRegFile(const QString& filePath) : m_path(filePath) {}

TRegFile::~TRegFile() = default;

QString TRegFile::defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tarvelo/HKCU.reg");
}

QByteArray TRegFile::serialize(const TMemRegistry& reg)
{
    const bool wide = needsWide(reg);
    return encode(joinLines(plainLines(reg, wide), true), wide);
}

void TRegFile::readFrom(const QByteArray& data)
{
    clear();
    auto doc = std::make_unique<Document>();
    m_skipped = parseInto(data, *this, doc.get());
    m_doc = std::move(doc);
    m_dirty = false;
}

QByteArray TRegFile::contents() const
{
    return render(nullptr);
}

QByteArray TRegFile::render(std::unique_ptr<Document>* written) const
{
    // The file must read back as the tree it was written from: the first
    // form that does is written. The ANSI flavour unless the tree (or a kept
    // line) needs Unicode; the file's own layout unless, by a fault of ours,
    // it cannot carry the tree.
    const auto readsBack = [&](const QByteArray& bytes) {
        TMemRegistry back;
        auto doc = std::make_unique<Document>();
        parseInto(bytes, back, doc.get());
        if (!sameContent(back, *this))
            return false;
        if (written)
            *written = std::move(doc);
        return true;
    };
    m_layoutKept = true;
    const bool mustBeWide = needsWide(*this);
    if (m_doc) {
        for (const bool wide : {false, true}) {
            if (!wide && mustBeWide)
                continue;
            bool finalBreak = true;
            const QString text = joinLines(layoutLines(wide, finalBreak), finalBreak);
            const QByteArray bytes = encode(text, wide);
            // Kept lines hold any text: they must come back as they were, too
            // (no character lost to the ANSI code page, no bytes that read
            // as UTF-8).
            if ((wide || decodeFile(bytes) == text) && readsBack(bytes))
                return bytes;
        }
        m_layoutKept = false;
    }
    const QByteArray plain = serialize(*this);
    if (mustBeWide || readsBack(plain))
        return plain;
    const QByteArray wide = encode(joinLines(plainLines(*this, true), true), true);
    readsBack(wide);
    return wide;
}

bool TRegFile::reload(QString* error)
{
    if (error)
        error->clear();
    // A file found unreadable once stays out of reach for the whole run.
    if (m_kept)
        return true;
    const WholeFileRead r = readWholeFile(m_path, MaxFileSize);
    if (!r.ok) {
        clear();
        m_doc.reset();
        m_dirty = false;
        m_skipped = 0;
        if (!r.exists)
            return true;
        m_kept = true;
        if (error)
            *error = QStringLiteral("%1: %2\r%3").arg(m_path, r.error, KeptInMemoryText);
        return false;
    }
    readFrom(r.data);
    return true;
}

bool TRegFile::commit(QString* error)
{
    if (error)
        error->clear();
    if (!m_dirty || m_kept)
        return true;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("%1: impossibile creare la cartella").arg(folder);
        return false;
    }
    std::unique_ptr<Document> written;
    const QByteArray bytes = render(&written);
    const AtomicWriteResult r = writeFileAtomically(m_path, bytes, true);
    if (!r.ok) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, r.error);
        return false;
    }
    // What is on disk now is the layout later saves keep.
    if (written)
        m_doc = std::move(written);
    m_dirty = false;
    ++m_commits;
    return true;
}
