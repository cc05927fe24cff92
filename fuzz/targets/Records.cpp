// The binary records read from files: tariff profiles, provider records and
// saved queries. Whatever the bytes, what is read writes back to bytes that
// read the same again; for a profile this goes through the files as the
// program reads and writes them.
#include "archive/SavedQuery.h"
#include "dialup/ProviderRecord.h"
#include "fuzz/FuzzTargets.h"
#include "tariff/ProfileFiles.h"

#include <QFile>

namespace fuzz
{

namespace
{

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

} // namespace

void profile(const QByteArray& data)
{
    const QString path = scratchFolder() + QStringLiteral("profilo.trf");
    writeFile(path, data);
    ProfileHeader header;
    TariffTable table;
    FUZZ_CHECK(TProfileFiles::readProfileFile(path, header, table));
    // A file of the right size reads byte for byte.
    const QByteArray written = TProfileFiles::fileBytes(header, table);
    FUZZ_CHECK(written.size() == TProfileFiles::FileSize);
    if (data.size() == TProfileFiles::FileSize)
        FUZZ_CHECK(written == data);
    writeFile(path, written);
    ProfileHeader header2;
    TariffTable table2;
    FUZZ_CHECK(TProfileFiles::readProfileFile(path, header2, table2));
    FUZZ_CHECK(TProfileFiles::fileBytes(header2, table2) == written);
}

void provider(const QByteArray& data)
{
    const TProviderRecord r = TProviderRecord::fromBytes(data);
    const QByteArray bytes = r.toBytes();
    FUZZ_CHECK(bytes.size() == TProviderRecord::Size);
    const TProviderRecord back = TProviderRecord::fromBytes(bytes);
    FUZZ_CHECK(back == r);
    FUZZ_CHECK(back.toBytes() == bytes);
}

void query(const QByteArray& data)
{
    const SavedQuery q = SavedQuery::fromBytes(data);
    const QByteArray bytes = q.toBytes();
    FUZZ_CHECK(bytes.size() == SavedQuery::Size);
    const SavedQuery back = SavedQuery::fromBytes(bytes);
    FUZZ_CHECK(back.toBytes() == bytes);
    FUZZ_CHECK(back.descriz == q.descriz && back.tel == q.tel && back.provider == q.provider &&
               back.nomeTar == q.nomeTar && back.provTutti == q.provTutti &&
               back.tarTutti == q.tarTutti);
}

} // namespace fuzz
