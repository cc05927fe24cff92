#include "archive/ConnRecord.h"

#include "common/ByteIO.h"

#include <cmath>

namespace
{

// Day counts beyond 9999-12-31 or non-finite values cannot come from a clock.
constexpr double LastDay = 2958466.0;

bool plausibleDate(double d)
{
    return std::isfinite(d) && d < LastDay;
}

bool lengthFits(const QByteArray& b, int off, int maxLen)
{
    return bio::getU8(b, off) <= maxLen;
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
    if (b.size() != Size)
        return Kind::Damaged;
    if (b.count('\0') == Size)
        return Kind::Deleted;
    const double inizio = bio::getF64(b, OffInizio);
    const double fine = bio::getF64(b, OffFine);
    if (!plausibleDate(inizio) || !plausibleDate(fine) || !std::isfinite(bio::getF32(b, OffCosto)))
        return Kind::Damaged;
    if (!lengthFits(b, OffTelefono, TelefonoMax) || !lengthFits(b, OffProvider, ProviderMax) ||
        !lengthFits(b, OffNomeTar, NomeTarMax) || !lengthFits(b, OffMotivo, MotivoMax))
        return Kind::Damaged;
    if (!(inizio > 0) || !(fine > 0))
        return Kind::Deleted;
    return Kind::Stored;
}

int64_t ConnRecord::durationSeconds() const
{
    const double ms = std::round((fine - inizio) / dt::OneMillisecond);
    return std::isfinite(ms) ? int64_t(ms) / 1000 : 0;
}

void ConnRecord::cutTexts()
{
    telefono = bio::cutTo(telefono, TelefonoMax);
    provider = bio::cutTo(provider, ProviderMax);
    nomeTar = bio::cutTo(nomeTar, NomeTarMax);
    motivo = bio::cutTo(motivo, MotivoMax);
}
