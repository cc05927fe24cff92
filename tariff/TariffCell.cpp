#include "tariff/TariffCell.h"

#include "common/ByteIO.h"
#include "common/DateTime.h"

#include <cmath>
#include <cstring>

namespace
{

template <std::size_t N> void loadRaw(std::array<uint8_t, N>& a, const QByteArray& b, int off)
{
    if (bio::fits(b, off, int(N)))
        std::memcpy(a.data(), b.constData() + off, N);
}

template <std::size_t N> void storeRaw(const std::array<uint8_t, N>& a, QByteArray& b, int off)
{
    if (bio::fits(b, off, int(N)))
        std::memcpy(b.data() + off, a.data(), N);
}

} // namespace

int TariffCell::startMinutes() const
{
    // A damaged file may hold anything here; such a band starts at midnight.
    if (!std::isfinite(dalle) || std::fabs(dalle) > 1e9)
        return 0;
    int h, m, s, ms;
    dt::decodeTime(dalle, h, m, s, ms);
    return h * 60 + m;
}

TariffCell TariffCell::fromBytes(const QByteArray& b, int off)
{
    TariffCell c;
    c.scrsi = bio::getU8(b, off + 0);
    loadRaw(c.pad1, b, off + 1);
    c.costorisp = bio::getF32(b, off + 4);
    c.dalle = bio::getF64(b, off + 8);
    loadRaw(c.reserved1, b, off + 16);
    c.doposec = bio::getI32(b, off + 20);
    c.costo1 = bio::getF32(b, off + 24);
    loadRaw(c.reserved2, b, off + 28);
    c.costo2 = bio::getF32(b, off + 32);
    c.sco.attivo = bio::getU8(b, off + 36);
    loadRaw(c.sco.pad, b, off + 37);
    c.sco.percent = bio::getI32(b, off + 40);
    c.sco.doposec = bio::getI32(b, off + 44);
    return c;
}

void TariffCell::toBytes(QByteArray& b, int off) const
{
    bio::putU8(b, off + 0, scrsi);
    storeRaw(pad1, b, off + 1);
    bio::putF32(b, off + 4, costorisp);
    bio::putF64(b, off + 8, dalle);
    storeRaw(reserved1, b, off + 16);
    bio::putI32(b, off + 20, doposec);
    bio::putF32(b, off + 24, costo1);
    storeRaw(reserved2, b, off + 28);
    bio::putF32(b, off + 32, costo2);
    bio::putU8(b, off + 36, sco.attivo);
    storeRaw(sco.pad, b, off + 37);
    bio::putI32(b, off + 40, sco.percent);
    bio::putI32(b, off + 44, sco.doposec);
}
