#pragma once
// The part of the Windows registry the program uses: typed values under
// HKEY_CURRENT_USER. Keys are paths relative to HKEY_CURRENT_USER with
// backslashes, e.g. "Tarvelo! Pindral(C)\Sett". As in the Windows registry,
// key paths and value names are compared without regard to case and keep the
// case they were first written with.
//
// Changes are made in memory; reload() and commit() move the whole tree from
// and to the backing store, so a settings save reads and writes the file once
// instead of once per value.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>

enum class RegType {
    Absent, // no such value (or a line of the file that could not be read)
    Dword,  // REG_DWORD, 32-bit number
    String, // REG_SZ
    Binary, // REG_BINARY
    Other,  // any other registry type, kept as raw bytes so it survives a save
};

struct RegValue {
    RegType type = RegType::Absent;
    uint32_t dword = 0;
    QString text;
    // Binary data; for RegType::Other the raw bytes as they appeared in the file.
    QByteArray bytes;
    // For RegType::Other: the registry type number, as in "hex(2):".
    int otherType = 0;
    // For RegType::Other read from a Unicode (version 5.00) file: the bytes of
    // text types are UTF-16LE there, ANSI in a REGEDIT4 file.
    bool otherWide = false;

    bool isAbsent() const { return type == RegType::Absent; }
    static RegValue ofDword(uint32_t v);
    static RegValue ofString(const QString& s);
    static RegValue ofBinary(const QByteArray& b);
    static RegValue ofOther(int type, const QByteArray& b, bool wide);
    bool operator==(const RegValue& o) const = default;
};

class IRegistry
{
public:
    virtual ~IRegistry() = default;

    // Absent when the key or the value does not exist. An empty name is the
    // key's default value ("@" in a .reg file).
    virtual RegValue readValue(const QString& key, const QString& name) const = 0;
    // Creates the key (and its parents) when needed. Takes effect on commit().
    virtual void writeValue(const QString& key, const QString& name, const RegValue& value) = 0;
    virtual void deleteValue(const QString& key, const QString& name) = 0;
    // True when the key exists or has subkeys.
    virtual bool keyExists(const QString& key) const = 0;
    virtual void createKey(const QString& key) = 0;
    // Value names of the key in the order they were created.
    virtual QStringList valueNames(const QString& key) const = 0;

    // Re-reads the backing store, dropping changes not yet committed. An
    // absent store is an empty registry, not an error. On failure the tree is
    // left as it was and error (if given) says why.
    virtual bool reload(QString* error = nullptr) = 0;
    // Writes every change made since the last reload/commit to the backing
    // store; does nothing when nothing changed. On failure the changes stay
    // pending (a later commit retries) and error (if given) says why.
    virtual bool commit(QString* error = nullptr) = 0;

    // True once the backing store was found but could not be read: for the
    // rest of the run it is neither read nor written again (reload keeps the
    // tree, commit writes nothing and succeeds), so whatever it holds is never
    // replaced by what the program knows; changes live in memory only.
    virtual bool keptInMemory() const { return false; }
};

// A registry held in memory only: for tests and as the base of TRegFile.
class TMemRegistry : public IRegistry
{
    friend class TRegFile; // reads files into any registry

public:
    RegValue readValue(const QString& key, const QString& name) const override;
    void writeValue(const QString& key, const QString& name, const RegValue& value) override;
    void deleteValue(const QString& key, const QString& name) override;
    bool keyExists(const QString& key) const override;
    void createKey(const QString& key) override;
    QStringList valueNames(const QString& key) const override;
    bool reload(QString* error = nullptr) override;
    bool commit(QString* error = nullptr) override;

    // True when something changed since the last reload/commit.
    bool isDirty() const { return m_dirty; }
    // Number of successful commit() calls that had something to write.
    int commitCount() const { return m_commits; }
    // Every key, sorted so that a parent comes before its subkeys.
    QStringList keys() const;
    // Removes the key with all its subkeys and values.
    void deleteKey(const QString& key);
    void clear();

    // The same keys holding the same values, whatever their order. A text
    // value of another type (hex(2), hex(7)) held as UTF-16 in one and as
    // ANSI in the other counts as the same when each converts to the other
    // byte for byte.
    static bool sameContent(const TMemRegistry& a, const TMemRegistry& b);

    // Key paths and value names compare without regard to case: this is the
    // form they are looked up by.
    static QString keyId(const QString& key);

    // Orders key ids so that a parent sorts right before its subkeys: the
    // keys under one key form one range.
    struct KeyOrder {
        bool operator()(const QString& a, const QString& b) const;
    };

protected:
    struct Entry {
        QString name;
        RegValue value;
        bool alive = true;
    };
    struct Key {
        QString path; // as first written
        QList<Entry> values;
        QHash<QString, qsizetype> index; // case-folded name -> position in values
        qsizetype removed = 0;           // entries no longer alive
    };
    using KeyMap = std::map<QString, Key, KeyOrder>; // by keyId

    // Strips surrounding and doubled backslashes: "\A\\B\" becomes "A\B".
    static QString normalizeKey(const QString& key);
    const Key* findKey(const QString& key) const;
    Key& ensureKey(const QString& key);
    // nameId: the name case-folded.
    void setEntry(Key& k, const QString& name, const QString& nameId, const RegValue& value);
    void removeEntry(Key& k, const QString& nameId);

    KeyMap m_keys;
    bool m_dirty = false;
    int m_commits = 0;
};

// The registry persisted in one per-user file in the format of a REGEDIT4
// export, so it can be imported into a Windows registry and a Windows export
// can be copied over it:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Tarvelo! Pindral(C)\Sett]
//   "IVA"=dword:00000014
//   "NormWind"="1"
//   "CambioEcu"=hex:00,00,00,e0,51,40,9e,40
//
// Written with CRLF line ends, Windows-1252 text, and through the atomic
// whole-file replace with owner-only permissions. Should any text hold a
// character that Windows-1252 cannot represent, the file is written in the
// Unicode flavour instead ("Windows Registry Editor Version 5.00", UTF-16LE
// with a byte-order mark), which Windows imports as well, so no character is
// ever replaced by '?'.
//
// Reading accepts both flavours: UTF-16LE (with or without a byte-order
// mark), UTF-8 with a byte-order mark, and otherwise UTF-8 when the bytes are
// valid UTF-8 (a file edited by hand in a Linux editor) or Windows-1252.
// Comments (";"), "@" default values, hex lines continued with a trailing
// backslash, deletions ("[-key]", "name"=-) are understood. "hex(1)" is read
// as text (one terminating NUL dropped, any other kept) and "hex(4)" as a
// number; other "hex(n)" values are kept as RegType::Other. Keys outside
// HKEY_CURRENT_USER are skipped. A line that cannot be read is skipped: its
// value counts as absent. A malformed file never stops the program.
//
// A save keeps the file as it was read, line for line: comments, blank
// lines, lines that could not be read and the keys of other hives stay
// where they were; a value is written in place of the line it was read
// from, new values go at the end of their key's section and new keys at the
// end of the file; deleted values and lines that a later line overrode are
// dropped. Whatever the reader accepts reads back the same after a save
// (the Unicode flavour is taken where only it can carry the file).
//
// A file that exists but cannot be read (too large, no permission, a
// folder in its place) is never written over: see keptInMemory().
class TRegFile : public TMemRegistry
{
public:
    // The largest file read; a larger one is no settings file of ours.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    explicit TRegFile(const QString& filePath);
    ~TRegFile() override;

    // $XDG_CONFIG_HOME/tarvelo/HKCU.reg, ~/.config/tarvelo/HKCU.reg without it.
    static QString defaultPath();
    QString filePath() const { return m_path; }

    // Reads the file (absent file: empty registry). A file that cannot be
    // read empties the tree and makes the registry keptInMemory(); the error
    // then says so.
    bool reload(QString* error = nullptr) override;
    // Writes the whole file when something changed; creates its folder.
    bool commit(QString* error = nullptr) override;
    bool keptInMemory() const override { return m_kept; }

    // Replaces the tree and the remembered layout with those of data, as if
    // the file held it.
    void readFrom(const QByteArray& data);
    // The bytes a commit would write now.
    QByteArray contents() const;
    // False when the last contents() could not keep the layout of the file
    // as read and fell back to a plain listing of the tree (a fault of ours,
    // looked for by the fuzz tests).
    bool layoutKept() const { return m_layoutKept; }

    // The file format, exposed for tests and the command-line tool.
    // Number of lines that could not be read (for the caller's information).
    int skippedLines() const { return m_skipped; }
    static QByteArray serialize(const TMemRegistry& reg);
    // Parses a .reg file into reg (added to what it holds); returns the number
    // of lines that could not be read.
    static int parse(const QByteArray& data, TMemRegistry& reg);

    // The explanation that follows the reason when the file cannot be read.
    static inline const QString KeptInMemoryText = QStringLiteral(
        "Tarvelo! usa le impostazioni predefinite e non modificherà questo file: le modifiche "
        "fatte fino all'uscita restano solo in memoria e non saranno salvate.");

private:
    struct Document;
    struct Reader;
    struct Layout;
    static int parseInto(const QByteArray& data, TMemRegistry& reg, Document* doc);
    QStringList layoutLines(bool wide, bool& finalBreak) const;
    // The file bytes; written (if given) receives their layout.
    QByteArray render(std::unique_ptr<Document>* written) const;

    QString m_path;
    int m_skipped = 0;
    bool m_kept = false;
    mutable bool m_layoutKept = true;
    std::unique_ptr<Document> m_doc; // the file as read; none for a new file
};
