#include "platform/system/Registry.h"

#include "common/Ansi.h"
#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

namespace
{

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// A parent sorts before its subkeys and siblings sort by name, ignoring case.
QString sortKey(const QString& path)
{
    QString k = path.toLower();
    k.replace(QLatin1Char('\\'), QChar(1));
    return k;
}

} // namespace

QString TMemRegistry::normalizeKey(const QString& key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

const TMemRegistry::Key* TMemRegistry::findKey(const QString& key) const
{
    const QString path = normalizeKey(key);
    for (const Key& k : m_keys) {
        if (sameName(k.path, path))
            return &k;
    }
    return nullptr;
}

TMemRegistry::Key& TMemRegistry::ensureKey(const QString& key)
{
    if (const Key* k = findKey(key))
        return const_cast<Key&>(*k);
    m_keys.append(Key{normalizeKey(key), {}});
    m_dirty = true;
    return m_keys.last();
}

RegValue TMemRegistry::readValue(const QString& key, const QString& name) const
{
    if (const Key* k = findKey(key)) {
        for (const Entry& e : k->values) {
            if (sameName(e.name, name))
                return e.value;
        }
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
    Key& k = ensureKey(key);
    m_dirty = true;
    for (Entry& e : k.values) {
        if (sameName(e.name, name)) {
            e.value = value;
            return;
        }
    }
    k.values.append(Entry{name, value});
}

void TMemRegistry::deleteValue(const QString& key, const QString& name)
{
    if (const Key* found = findKey(key)) {
        auto& values = const_cast<Key*>(found)->values;
        const auto n = values.removeIf([&](const Entry& e) { return sameName(e.name, name); });
        if (n > 0)
            m_dirty = true;
    }
}

bool TMemRegistry::keyExists(const QString& key) const
{
    const QString path = normalizeKey(key);
    if (path.isEmpty())
        return true;
    const QString prefix = path + QLatin1Char('\\');
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const Key& k) {
        return sameName(k.path, path) || k.path.startsWith(prefix, Qt::CaseInsensitive);
    });
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
    for (const Key& k : m_keys)
        out.append(k.path);
    std::sort(out.begin(), out.end(),
              [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    return out;
}

void TMemRegistry::deleteKey(const QString& key)
{
    const QString path = normalizeKey(key);
    if (path.isEmpty())
        return;
    const QString prefix = path + QLatin1Char('\\');
    const auto n = m_keys.removeIf([&](const Key& k) {
        return sameName(k.path, path) || k.path.startsWith(prefix, Qt::CaseInsensitive);
    });
    if (n > 0)
        m_dirty = true;
}

void TMemRegistry::clear()
{
    if (!m_keys.isEmpty())
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
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
constexpr int HexLineWidth = 76;

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

// Parses the data after '='; false when it cannot be read.
bool readData(const QString& data, bool wideFile, RegValue& v, bool& isDelete)
{
    isDelete = false;
    if (data == QLatin1String("-")) {
        isDelete = true;
        return true;
    }
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        QString s;
        if (!readQuoted(data, pos, s) || !data.mid(pos).trimmed().isEmpty())
            return false;
        v = RegValue::ofString(s);
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const uint n = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+')))
            return false;
        v = RegValue::ofDword(n);
        return true;
    }
    if (!data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
        return false;
    int type = 3; // REG_BINARY
    qsizetype colon = data.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    const QString kind = data.left(colon).trimmed();
    if (kind.size() > 3) {
        if (!kind.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) ||
            !kind.endsWith(QLatin1Char(')')))
            return false;
        bool ok = false;
        type = kind.mid(4, kind.size() - 5).toInt(&ok, 16);
        if (!ok || type < 0)
            return false;
    }
    QByteArray bytes;
    if (!readHexBytes(data.mid(colon + 1), bytes))
        return false;
    if (type == 3) {
        v = RegValue::ofBinary(bytes);
    } else if (type == 4 && bytes.size() == 4) {
        v = RegValue::ofDword(qFromLittleEndian<quint32>(bytes.constData()));
    } else if (type == 1) {
        if (wideFile && bytes.size() % 2 != 0)
            return false;
        QString s = wideFile ? fromUtf16le(bytes) : ansi::toUnicode(bytes);
        const qsizetype nul = s.indexOf(QChar(0));
        if (nul >= 0)
            s.truncate(nul);
        v = RegValue::ofString(s);
    } else {
        v = RegValue::ofOther(type, bytes, wideFile);
    }
    return true;
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

int TRegFile::parse(const QByteArray& data, TMemRegistry& reg)
{
    QString text = decodeFile(data);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));

    int skipped = 0;
    bool wide = false;
    bool headerSeen = false;
    // Values go into key while inKey; under a key of another hive they are
    // passed over without counting as damage.
    bool inKey = false;
    bool foreign = false;
    QString key;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        // Long hex data goes on over several lines, each ending with '\'.
        if (isHexValueLine(line)) {
            while (line.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                line.chop(1);
                line += lines[++i].trimmed();
            }
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (!headerSeen) {
            headerSeen = true;
            if (line == Regedit4)
                continue;
            if (line == Regedit5) {
                wide = true;
                continue;
            }
            ++skipped; // no header: read on as REGEDIT4, what fits is kept
        }
        if (line.startsWith(QLatin1Char('['))) {
            inKey = false;
            foreign = false;
            if (!line.endsWith(QLatin1Char(']'))) {
                ++skipped;
                continue;
            }
            QString inside = line.mid(1, line.size() - 2);
            const bool remove = inside.startsWith(QLatin1Char('-'));
            if (remove)
                inside.remove(0, 1);
            key = keyOfHeader(inside);
            if (key.split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty()) {
                foreign = true; // another hive, or values of the hive itself: not ours
                continue;
            }
            if (remove) {
                reg.deleteKey(key);
                continue;
            }
            reg.createKey(key);
            inKey = true;
            continue;
        }
        if (!inKey) {
            if (!foreign)
                ++skipped;
            continue;
        }
        QString name;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!readQuoted(line, pos, name)) {
            ++skipped;
            continue;
        }
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            ++skipped;
            continue;
        }
        RegValue v;
        bool isDelete = false;
        if (!readData(line.mid(pos + 1).trimmed(), wide, v, isDelete)) {
            ++skipped;
            continue;
        }
        if (isDelete)
            reg.deleteValue(key, name);
        else
            reg.writeValue(key, name, v);
    }
    return skipped;
}

QByteArray TRegFile::serialize(const TMemRegistry& reg)
{
    const bool wide = needsWide(reg);
    QString out = (wide ? Regedit5 : Regedit4) + QStringLiteral("\r\n\r\n");
    for (const QString& key : reg.keys()) {
        out += QStringLiteral("[%1\\%2]\r\n").arg(Hkcu, key);
        for (const QString& name : reg.valueNames(key))
            out += valueLine(name, reg.readValue(key, name), wide) + QStringLiteral("\r\n");
        out += QStringLiteral("\r\n");
    }
    if (wide)
        return QByteArray("\xFF\xFE") + utf16le(out);
    return ansi::fromUnicode(out);
}

TRegFile::TRegFile(const QString& filePath) : m_path(filePath) {}

QString TRegFile::defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tarvelo/HKCU.reg");
}

bool TRegFile::reload(QString* error)
{
    if (error)
        error->clear();
    QFile f(m_path);
    if (!f.exists()) {
        clear();
        m_dirty = false;
        m_skipped = 0;
        return true;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (f.size() > MaxFileSize) {
        if (error)
            *error = QStringLiteral("%1: file too large").arg(m_path);
        return false;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    clear();
    m_skipped = parse(data, *this);
    m_dirty = false;
    return true;
}

bool TRegFile::commit(QString* error)
{
    if (error)
        error->clear();
    if (!m_dirty)
        return true;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("%1: cannot create the folder").arg(folder);
        return false;
    }
    const AtomicWriteResult r = writeFileAtomically(m_path, serialize(*this), true);
    if (!r.ok) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, r.error);
        return false;
    }
    m_dirty = false;
    ++m_commits;
    return true;
}
