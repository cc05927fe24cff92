#include "archive/ConnRecord.h"

#include "common/ByteIO.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

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
