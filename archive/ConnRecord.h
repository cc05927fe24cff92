#pragma once
// One connection as stored in the archive: 308 bytes, little-endian, fields
// at fixed offsets. The archive is shared with files written years ago, so
// the layout is encoded field by field and never changes.

#include "common/DateTime.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

struct ConnRecord {
    static constexpr int Size = 308;

    // Field offsets and the longest text each field holds.
    static constexpr int OffInizio = 0;
    static constexpr int OffFine = 8;
    static constexpr int OffIndice = 16;
    static constexpr int OffCosto = 20;
    static constexpr int OffTelefono = 24;
    static constexpr int OffProvider = 55;
    static constexpr int OffNomeTar = 106;
    static constexpr int OffMotivo = 157;
    static constexpr int TelefonoMax = 30;
    static constexpr int ProviderMax = 50;
    static constexpr int NomeTarMax = 50;
    static constexpr int MotivoMax = 150;

    TDateTime inizio = 0;
    TDateTime fine = 0; // while the session runs: the time of the last tick
    int32_t indice = 0; // position the record was read from
    float costo = 0;    // Lire, VAT included
    QString telefono;
    QString provider;
    QString nomeTar;
    QString motivo;

    // How a stored record reads back.
    enum class Kind {
        Stored,  // a real connection
        Deleted, // the empty record, or a start or end not after day 0
        Damaged, // neither: torn or foreign bytes; readers skip it
    };

    // Texts longer than their fields are cut; the bytes after each text are zero.
    QByteArray toBytes() const;
    // Decodes whatever is there; use classify() first to know whether to trust it.
    static ConnRecord fromBytes(const QByteArray& bytes);
    static Kind classify(const QByteArray& bytes);
    // The same on Size bytes in place.
    static ConnRecord fromBytes(const char* bytes);
    static Kind classify(const char* bytes);

    // A record whose start or end is not after day 0 counts as deleted.
    bool isDeleted() const { return !(inizio > 0) || !(fine > 0); }
    // Elapsed whole seconds between start and end. The difference is taken
    // to the millisecond first (the precision of the clock that wrote it),
    // so 12 min 5 s stored as day fractions is 725 s, not 724.999... cut to 724.
    int64_t durationSeconds() const { return durationSeconds(inizio, fine); }
    static int64_t durationSeconds(TDateTime inizio, TDateTime fine);

    // Cuts texts the way storing the record would, so an in-memory copy
    // compares equal to what a reader gets back.
    void cutTexts();

    friend bool operator==(const ConnRecord&, const ConnRecord&) = default;
};

inline int64_t ConnRecord::durationSeconds(TDateTime inizio, TDateTime fine)
{
    const double ms = (fine - inizio) / dt::OneMillisecond;
    // To the nearest millisecond, halves away from zero, without a library
    // call: what is left after truncating is exact, and so is adding 1.
    const double whole = std::trunc(ms);
    const double rest = ms - whole;
    const double rounded = whole + (rest >= 0.5 ? 1.0 : rest <= -0.5 ? -1.0 : 0.0);
    return std::isfinite(rounded) ? int64_t(rounded) / 1000 : 0;
}

// A stored record read in place, in a block of whole records: each field is
// decoded only when asked for, so that scanning many records to pick a few
// costs no text decoding.
class RecordView
{
public:
    explicit RecordView(const char* bytes) : m_p(bytes) {}

    const char* data() const { return m_p; }
    TDateTime inizio() const { return f64(ConnRecord::OffInizio); }
    TDateTime fine() const { return f64(ConnRecord::OffFine); }
    float costo() const
    {
        const quint32 u = qFromLittleEndian<quint32>(m_p + ConnRecord::OffCosto);
        float f;
        std::memcpy(&f, &u, sizeof f);
        return f;
    }
    ConnRecord::Kind kind() const { return ConnRecord::classify(m_p); }
    // The characters of a length-prefixed field, as stored (Windows-1252),
    // without decoding them; the length is capped to the field.
    QByteArrayView text(int offset, int maxLen) const
    {
        return QByteArrayView(m_p + offset + 1, std::min<int>(uint8_t(m_p[offset]), maxLen));
    }
    // The whole record, with indice set to the position it was read from.
    ConnRecord decode(int32_t indice) const;

private:
    double f64(int offset) const
    {
        const quint64 u = qFromLittleEndian<quint64>(m_p + offset);
        double d;
        std::memcpy(&d, &u, sizeof d);
        return d;
    }
    const char* m_p;
};

inline ConnRecord::Kind ConnRecord::classify(const char* p)
{
    // Day counts beyond 9999-12-31 or non-finite values cannot come from a clock.
    const auto plausibleDate = [](double d) { return std::isfinite(d) && d < 2958466.0; };
    // The empty record (all zeros) passes every check below and counts as
    // deleted by its start of 0.
    const RecordView v(p);
    const double inizio = v.inizio();
    const double fine = v.fine();
    if (!plausibleDate(inizio) || !plausibleDate(fine) || !std::isfinite(v.costo()))
        return Kind::Damaged;
    if (uint8_t(p[OffTelefono]) > TelefonoMax || uint8_t(p[OffProvider]) > ProviderMax ||
        uint8_t(p[OffNomeTar]) > NomeTarMax || uint8_t(p[OffMotivo]) > MotivoMax)
        return Kind::Damaged;
    if (!(inizio > 0) || !(fine > 0))
        return Kind::Deleted;
    return Kind::Stored;
}
