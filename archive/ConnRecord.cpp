#include "archive/ConnRecord.h"

#include "common/ByteIO.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace
{

// Day counts beyond 9999-12-31 or non-finite values cannot come from a clock.
constexpr double LastDay = 2958466.0;

bool plausibleDate(double d)
{
    return std::isfinite(d) && d < LastDay;
}

} // namespace

QByteArray ConnRecord::toBytes() const
{
    QByteArray b(Size, '\0');
    bio::putF64(b, OffInizio, inizio);
    bio::putF64(b, OffFine, fine);
    bio::putI32(b, OffIndice, indice);
    bio::putF32(b, OffCosto, costo);
    bio::putPStr(b, OffTelefono, TelefonoMax, telefono);
    bio::putPStr(b, OffProvider, ProviderMax, provider);
    bio::putPStr(b, OffNomeTar, NomeTarMax, nomeTar);
    bio::putPStr(b, OffMotivo, MotivoMax, motivo);
    return b;
}

ConnRecord ConnRecord::fromBytes(const char* bytes)
{
    return fromBytes(QByteArray::fromRawData(bytes, Size));
}

ConnRecord ConnRecord::fromBytes(const QByteArray& b)
{
    ConnRecord r;
    r.inizio = bio::getF64(b, OffInizio);
    r.fine = bio::getF64(b, OffFine);
    r.indice = bio::getI32(b, OffIndice);
    r.costo = bio::getF32(b, OffCosto);
    r.telefono = bio::getPStr(b, OffTelefono, TelefonoMax);
    r.provider = bio::getPStr(b, OffProvider, ProviderMax);
    r.nomeTar = bio::getPStr(b, OffNomeTar, NomeTarMax);
    r.motivo = bio::getPStr(b, OffMotivo, MotivoMax);
    return r;
}

ConnRecord::Kind ConnRecord::classify(const QByteArray& b)
{
    return b.size() == Size ? classify(b.constData()) : Kind::Damaged;
}

ConnRecord::Kind ConnRecord::classify(const char* p)
{
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

void ConnRecord::cutTexts()
{
    telefono = bio::cutTo(telefono, TelefonoMax);
    provider = bio::cutTo(provider, ProviderMax);
    nomeTar = bio::cutTo(nomeTar, NomeTarMax);
    motivo = bio::cutTo(motivo, MotivoMax);
}

ConnRecord RecordView::decode(int32_t indice) const
{
    ConnRecord r = ConnRecord::fromBytes(m_p);
    r.indice = indice;
    return r;
}
