#pragma once
// Loads and saves the settings record in the registry key "Tarvelo! Pindral(C)"
// (directly under HKEY_CURRENT_USER, one subkey per section), and gives typed
// access to the few values the archive window and the tariff editor keep in
// the same key.
//
// Storage rules:
// - integers are registry numbers; a value that already exists as text keeps
//   being written as decimal text. Reading accepts a number or decimal text.
// - booleans are written as the text "0" or "1" and read through the integer
//   reader, so a number 1 entered by hand is true as well.
// - floats and date-times are 8-byte binary IEEE doubles.
// - a value that is absent, or stored with a registry type other than the one
//   expected (text where 8 binary bytes belong, a number where text belongs,
//   binary data of another length, text that is not a decimal number), reads
//   as its default; the program starts with the default instead of stopping,
//   and the next save writes the value in the right type.
//
// The registry file is read once per load() and written once per save() and
// once per accessor write.

#include "app/Settings.h"
#include "platform/system/Registry.h"

#include <QString>

class TSettingsStore
{
public:
    static inline const QString RootKey = QStringLiteral("Tarvelo! Pindral(C)");

    // Sections (subkeys of RootKey).
    static inline const QString Main = QStringLiteral("Main");
    static inline const QString Tariffe = QStringLiteral("Tariffe");
    static inline const QString Sett = QStringLiteral("Sett");
    static inline const QString AutoDial = QStringLiteral("AutoDial");
    static inline const QString Connessioni = QStringLiteral("Connessioni");

    static inline const QString DefaultDescrizione = QStringLiteral("01 Bimestre 1 nov - 31 dic");
    static constexpr int DescrizioneMax = 60;

    // The period choices of the archive window, stored as booleans in
    // "Connessioni".
    enum class Period { Oggi, UltSett, Ult15gg, Ult30gg, UltMese, UltBimestre };
    static QString periodValueName(Period p); // "oggi", "ultsett", ...

    explicit TSettingsStore(IRegistry& registry);

    // Re-reads the registry, creates RootKey when absent (writing it at
    // once), and fills every field of s from it; a field whose value is absent
    // or unreadable gets its default. "Provider" and the "altri" texts are cut
    // to 60 characters. Returns false (error says why) when the registry could
    // not be read or the new key could not be written; s is filled all the
    // same. The caller applies mainTop/mainLeft to the bar.
    bool load(Settings& s, QString* error = nullptr);

    // Fills s from the registry as it is, creating and writing nothing: for
    // the few choices made before the main bar loads the settings (the
    // dial-up backend). Unreadable values and files give the defaults.
    void peek(Settings& s);

    // Writes every value of s in the load order, except "TabellaAttuale",
    // which only the tariff editor writes (setTabellaAttuale). mainTop and
    // mainLeft are written as the record holds them: the caller copies the
    // bar's current position into the record first. Returns false (error says
    // why) when the file could not be written, or could not be read first (it
    // is then left as it is and the values are kept in memory only; see
    // IRegistry::keptInMemory).
    bool save(const Settings& s, QString* error = nullptr);

    // "Tariffe": the tariff editor reads and writes these two on its own.
    QString tabellaAttuale() const;
    bool setTabellaAttuale(const QString& name, QString* error = nullptr);
    QString tabDefault() const;
    bool setTabDefault(const QString& name, QString* error = nullptr);

    // "Connessioni": the archive window's current saved query (cut to 60) and
    // period choices. Reads come from the registry as last loaded or saved;
    // each set writes the file.
    QString fDescrizioneAttuale() const;
    bool setFDescrizioneAttuale(const QString& text, QString* error = nullptr);
    // defaultValue: what an absent value means ("oggi": the window's current
    // state of that choice; false for the others).
    bool period(Period p, bool defaultValue = false) const;
    bool setPeriod(Period p, bool on, QString* error = nullptr);

    // The typed readers and writers, public for the windows that keep values
    // of their own in the key. section is a subkey of RootKey. Writers change
    // the registry in memory only; commit with commit().
    int32_t readInteger(const QString& section, const QString& name, int32_t def) const;
    bool readBool(const QString& section, const QString& name, bool def) const;
    double readFloat(const QString& section, const QString& name, double def) const;
    QString readString(const QString& section, const QString& name, const QString& def) const;
    void writeInteger(const QString& section, const QString& name, int32_t v);
    void writeBool(const QString& section, const QString& name, bool v);
    void writeFloat(const QString& section, const QString& name, double v);
    void writeString(const QString& section, const QString& name, const QString& v);
    bool commit(QString* error = nullptr);

private:
    static QString keyOf(const QString& section);
    IRegistry& m_registry;
};
