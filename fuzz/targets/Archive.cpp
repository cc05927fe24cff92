// The archive: whatever bytes it holds, every record reads without a crash,
// and an append leaves every earlier byte in place and reads back as written.
#include "archive/ArchiveFile.h"
#include "common/DateTime.h"
#include "fuzz/FuzzTargets.h"

#include <QFile>

namespace fuzz
{

void archive(const QByteArray& data)
{
    const QString folder = scratchFolder();
    const QString path = folder + TArchiveFile::DefaultFileName;
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(data) == data.size());
    }
    TArchiveFile a(folder);
    FUZZ_CHECK(a.open());
    const int count = a.count();
    FUZZ_CHECK(count == int(data.size() / ConnRecord::Size));
    QList<int> damaged;
    const QList<ConnRecord> stored = a.readStored(&damaged);
    FUZZ_CHECK(stored.size() + damaged.size() <= count);

    ConnRecord rec;
    rec.inizio = dt::encode(2001, 3, 4, 20, 15, 0);
    rec.fine = rec.inizio + 725 * dt::OneSecond;
    rec.costo = 1234.5f;
    rec.telefono = QStringLiteral("0701234567");
    rec.provider = QStringLiteral("Casa");
    rec.nomeTar = QStringLiteral("Telecom Urbana 50%");
    rec.motivo = QStringLiteral("Connessione di prova");
    FUZZ_CHECK(a.write(count, rec));
    FUZZ_CHECK(a.count() == count + 1);
    a.close();

    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    const qsizetype kept = qsizetype(count) * ConnRecord::Size;
    FUZZ_CHECK(after.size() == kept + ConnRecord::Size);
    FUZZ_CHECK(after.left(kept) == data.left(kept));
    FUZZ_CHECK(after.mid(kept) == rec.toBytes());

    ConnRecord back;
    FUZZ_CHECK(a.open(TArchiveFile::Access::ReadOnly));
    FUZZ_CHECK(a.read(count, back) == TArchiveFile::ReadStatus::Stored);
    rec.indice = count;
    FUZZ_CHECK(back == rec);
}

} // namespace fuzz
