#include "app/SettingsStore.h"

#include "common/ByteIO.h"

#include <cmath>

namespace
{

const QString TabellaAttualeName = QStringLiteral("TabellaAttuale");
const QString TabDefaultName = QStringLiteral("TabDefault");
const QString DescrizioneName = QStringLiteral("FDescrizioneAttuale");

// Walks the settings record in the order of the load and the save; each
// value with its section, name and storage type. Load and save share it so
// the two can never disagree on a name, a section or the order.
template <class V> void forEachValue(Settings& s, V& v)
{
    using S = TSettingsStore;
    v.text(S::Tariffe, TabDefaultName, s.tabDefault, 0);
    v.text(S::Tariffe, TabellaAttualeName, s.tabellaAttuale, 0);
    v.integer(S::Main, QStringLiteral("MainTop"), s.mainTop);
    v.integer(S::Main, QStringLiteral("MainLeft"), s.mainLeft);
    v.integer(S::Main, QStringLiteral("TipoVisualiz"), s.tipoVisualiz);
    v.boolean(S::Main, QStringLiteral("NascondiIcone"), s.nascondiIcone);
    v.integer(S::Sett, QStringLiteral("IVA"), s.iva);
    v.single(S::Sett, QStringLiteral("CambioEcu"), s.cambioEcu);
    for (int i = 0; i < 3; ++i)
        v.dateTime(S::Sett, QStringLiteral("arrDialingTime%1").arg(i + 1), s.arrDialingTime[i]);
    v.integer(S::Sett, QStringLiteral("DialingIndex"), s.dialingIndex);
    v.integer(S::Sett, QStringLiteral("DialTime"), s.dialTime);
    v.boolean(S::Sett, QStringLiteral("AvviaWind"), s.avviaWind);
    v.boolean(S::Sett, QStringLiteral("NormWind"), s.normWind);
    v.boolean(S::Sett, QStringLiteral("RidottoIcona"), s.ridottoIcona);
    v.boolean(S::Sett, QStringLiteral("MostraSeConn"), s.mostraSeConn);
    v.integer(S::Sett, QStringLiteral("CPmin"), s.cpMin);
    v.dateTime(S::Sett, QStringLiteral("UltSearchAgg"), s.ultSearchAgg);
    v.boolean(S::Sett, QStringLiteral("AggAuto"), s.aggAuto);
    v.text(S::AutoDial, QStringLiteral("Provider"), s.provider, AutoDialTextMax);
    v.integer(S::AutoDial, QStringLiteral("Tentativi1"), s.tentativi1);
    v.integer(S::AutoDial, QStringLiteral("Tentativi2"), s.tentativi2);
    v.boolean(S::AutoDial, QStringLiteral("Rinuncia"), s.rinuncia);
    v.boolean(S::AutoDial, QStringLiteral("Prosegui"), s.prosegui);
    v.boolean(S::AutoDial, QStringLiteral("Successivo"), s.successivo);
    v.boolean(S::AutoDial, QStringLiteral("Interrompi"), s.interrompi);
    for (int i = 0; i < 20; ++i)
        v.text(S::AutoDial, QStringLiteral("altri%1").arg(i + 1), s.altri[i], AutoDialTextMax);
    v.text(S::Sett, QStringLiteral("RasBackend"), s.rasBackend, 0);
    v.text(S::Sett, QStringLiteral("PppCommand"), s.pppCommand, 0);
    v.text(S::Sett, QStringLiteral("PppPeers"), s.pppPeers, 0);
    v.text(S::Sett, QStringLiteral("PppRun"), s.pppRun, 0);
    v.text(S::Sett, QStringLiteral("ServerOraEsatta"), s.serverOraEsatta, 0);
    v.text(S::Sett, QStringLiteral("IndirizzoAggiornamento"), s.indirizzoAggiornamento, 0);
}

// maxLen 0: unbounded.
QString bounded(const QString& text, int maxLen)
{
    return maxLen > 0 ? bio::cutTo(text, maxLen) : text;
}

// Reads every value; the field's value on entry (the record's default) is
// what an absent or unreadable value leaves.
struct Loader {
    const TSettingsStore& store;
    void integer(const QString& sec, const QString& name, int32_t& f)
    {
        f = store.readInteger(sec, name, f);
    }
    void boolean(const QString& sec, const QString& name, bool& f)
    {
        f = store.readBool(sec, name, f);
    }
    void single(const QString& sec, const QString& name, float& f)
    {
        f = float(store.readFloat(sec, name, f));
    }
    void dateTime(const QString& sec, const QString& name, double& f)
    {
        f = store.readFloat(sec, name, f);
    }
    void text(const QString& sec, const QString& name, QString& f, int maxLen)
    {
        f = bounded(store.readString(sec, name, f), maxLen);
    }
};

struct Saver {
    TSettingsStore& store;
    void integer(const QString& sec, const QString& name, int32_t& f)
    {
        store.writeInteger(sec, name, f);
    }
    void boolean(const QString& sec, const QString& name, bool& f)
    {
        store.writeBool(sec, name, f);
    }
    void single(const QString& sec, const QString& name, float& f)
    {
        store.writeFloat(sec, name, double(f));
    }
    void dateTime(const QString& sec, const QString& name, double& f)
    {
        store.writeFloat(sec, name, f);
    }
    void text(const QString& sec, const QString& name, QString& f, int maxLen)
    {
        // Only the tariff editor writes the profile it shows.
        if (sec == TSettingsStore::Tariffe && name == TabellaAttualeName)
            return;
        store.writeString(sec, name, bounded(f, maxLen));
    }
};

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

TSettingsStore::TSettingsStore(IRegistry& registry) : m_registry(registry) {}

QString TSettingsStore::keyOf(const QString& section)
{
    return RootKey + QLatin1Char('\\') + section;
}

QString TSettingsStore::periodValueName(Period p)
{
    switch (p) {
    case Period::Oggi:
        return QStringLiteral("oggi");
    case Period::UltSett:
        return QStringLiteral("ultsett");
    case Period::Ult15gg:
        return QStringLiteral("ult15gg");
    case Period::Ult30gg:
        return QStringLiteral("ult30gg");
    case Period::UltMese:
        return QStringLiteral("ultmese");
    case Period::UltBimestre:
        return QStringLiteral("ultbimestre");
    }
    return {};
}

bool TSettingsStore::load(Settings& s, QString* error)
{
    QString err;
    bool ok = m_registry.reload(&err);
    if (!m_registry.keyExists(RootKey)) {
        m_registry.createKey(RootKey);
        // Written at once on a first start; not over a file that could not be
        // read, which the next save would replace with what it knows anyway.
        if (ok)
            ok = m_registry.commit(&err);
    }
    s = Settings{};
    Loader loader{*this};
    forEachValue(s, loader);
    return ok || setError(error, err);
}

void TSettingsStore::peek(Settings& s)
{
    m_registry.reload();
    s = Settings{};
    Loader loader{*this};
    forEachValue(s, loader);
}

bool TSettingsStore::save(const Settings& s, QString* error)
{
    // Start from the file as it is now, so values changed by hand while the
    // program ran (and not written here) survive. A file that cannot be read
    // is never written over: the values stay in memory and the reason is
    // reported, once (the registry keeps itself in memory from then on).
    QString unread;
    const bool read = m_registry.reload(&unread);
    Settings copy = s;
    Saver saver{*this};
    forEachValue(copy, saver);
    if (!read) {
        m_registry.commit();
        return setError(error, unread);
    }
    return commit(error);
}

bool TSettingsStore::commit(QString* error)
{
    QString err;
    return m_registry.commit(&err) || setError(error, err);
}

// --- typed readers and writers ---------------------------------------------

int32_t TSettingsStore::readInteger(const QString& section, const QString& name, int32_t def) const
{
    const RegValue v = m_registry.readValue(keyOf(section), name);
    if (v.type == RegType::Dword)
        return int32_t(v.dword);
    if (v.type == RegType::String) {
        bool ok = false;
        const int32_t n = v.text.trimmed().toInt(&ok, 10);
        return ok ? n : def;
    }
    return def;
}

bool TSettingsStore::readBool(const QString& section, const QString& name, bool def) const
{
    return readInteger(section, name, def ? 1 : 0) != 0;
}

double TSettingsStore::readFloat(const QString& section, const QString& name, double def) const
{
    const RegValue v = m_registry.readValue(keyOf(section), name);
    if (v.type != RegType::Binary || v.bytes.size() != 8)
        return def;
    const double d = bio::getF64(v.bytes, 0);
    // Not a number or infinite: nothing the program could compute with.
    return std::isfinite(d) ? d : def;
}

QString TSettingsStore::readString(const QString& section, const QString& name,
                                   const QString& def) const
{
    const RegValue v = m_registry.readValue(keyOf(section), name);
    return v.type == RegType::String ? v.text : def;
}

void TSettingsStore::writeInteger(const QString& section, const QString& name, int32_t v)
{
    const QString key = keyOf(section);
    if (m_registry.readValue(key, name).type == RegType::String)
        m_registry.writeValue(key, name, RegValue::ofString(QString::number(v)));
    else
        m_registry.writeValue(key, name, RegValue::ofDword(uint32_t(v)));
}

void TSettingsStore::writeBool(const QString& section, const QString& name, bool v)
{
    m_registry.writeValue(keyOf(section), name,
                          RegValue::ofString(v ? QStringLiteral("1") : QStringLiteral("0")));
}

void TSettingsStore::writeFloat(const QString& section, const QString& name, double v)
{
    QByteArray b(8, '\0');
    bio::putF64(b, 0, v);
    m_registry.writeValue(keyOf(section), name, RegValue::ofBinary(b));
}

void TSettingsStore::writeString(const QString& section, const QString& name, const QString& v)
{
    m_registry.writeValue(keyOf(section), name, RegValue::ofString(v));
}

// --- values kept by other windows ------------------------------------------

QString TSettingsStore::tabellaAttuale() const
{
    return readString(Tariffe, TabellaAttualeName, DefaultProfileName);
}

bool TSettingsStore::setTabellaAttuale(const QString& name, QString* error)
{
    writeString(Tariffe, TabellaAttualeName, name);
    return commit(error);
}

QString TSettingsStore::tabDefault() const
{
    return readString(Tariffe, TabDefaultName, DefaultProfileName);
}

bool TSettingsStore::setTabDefault(const QString& name, QString* error)
{
    writeString(Tariffe, TabDefaultName, name);
    return commit(error);
}

QString TSettingsStore::fDescrizioneAttuale() const
{
    return bio::cutTo(readString(Connessioni, DescrizioneName, DefaultDescrizione), DescrizioneMax);
}

bool TSettingsStore::setFDescrizioneAttuale(const QString& text, QString* error)
{
    writeString(Connessioni, DescrizioneName, bio::cutTo(text, DescrizioneMax));
    return commit(error);
}

bool TSettingsStore::period(Period p, bool defaultValue) const
{
    return readBool(Connessioni, periodValueName(p), defaultValue);
}

bool TSettingsStore::setPeriod(Period p, bool on, QString* error)
{
    writeBool(Connessioni, periodValueName(p), on);
    return commit(error);
}
