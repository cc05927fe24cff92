// tarvelo-cli archive list [--csv], run in-process on a temporary folder.
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/support/CliRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace archivetest;

namespace
{

using testsupport::CliRun;

CliRun cli(const QString& folder, const QStringList& args)
{
    return testsupport::runCliIn(folder, args);
}

// Record 0 and 3 stored, 1 deleted, 2 torn.
void writeArchive(const QString& folder)
{
    ConnRecord a = sample(0);
    a.inizio = dt::encode(2001, 5, 14, 21, 30, 0);
    a.fine = dt::encode(2001, 5, 14, 21, 42, 5);
    a.costo = 1481.28f;
    a.motivo = QString();
    ConnRecord b = sample(3);
    b.inizio = dt::encode(2001, 12, 31, 23, 59, 50);
    b.fine = dt::encode(2002, 1, 1, 0, 0, 20);
    b.costo = 12.5f;
    b.provider = QStringLiteral("Rete, \"veloce\"");
    b.motivo = QStringLiteral("riga uno\r\nriga\tdue");
    QByteArray torn = sample(2).toBytes();
    torn[24] = char(99);
    QVERIFY(writeFileBytes(folder + QStringLiteral("/Archivio.sto"),
                           a.toBytes() + QByteArray(308, '\0') + torn + b.toBytes() +
                               QByteArray(50, 'z')));
}

const QString Header =
    QStringLiteral("posizione,inizio,fine,secondi,costo,telefono,provider,profilo,descrizione");

} // namespace

class TstCliArchive : public QObject
{
    Q_OBJECT
private slots:
    void plainList()
    {
        QTemporaryDir dir;
        writeArchive(dir.path());
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list")});
        QCOMPARE(r.status, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4); // header, two records, final empty piece
        QCOMPARE(lines[0], QString(Header).replace(QLatin1Char(','), QLatin1Char('\t')));
        QCOMPARE(lines[1], QStringLiteral("0\t2001-05-14 21:30:00\t2001-05-14 21:42:05\t725\t"
                                          "1481.28\t01100\tProva 0\tTelecom Urbana 50%\t"));
        QCOMPARE(lines[2], QStringLiteral("3\t2001-12-31 23:59:50\t2002-01-01 00:00:20\t30\t"
                                          "12.50\t01103\tRete, \"veloce\"\tTelecom Urbana 50%\t"
                                          "riga uno  riga due"));
        QCOMPARE(lines[3], QString());
        QCOMPARE(r.err, QStringLiteral("record 2 danneggiato o illeggibile: ignorato\n"));
    }

    void csvList()
    {
        QTemporaryDir dir;
        writeArchive(dir.path());
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list"),
                                          QStringLiteral("--csv")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, Header + QStringLiteral("\r\n") +
                            QStringLiteral("0,2001-05-14 21:30:00,2001-05-14 21:42:05,725,1481.28,"
                                           "01100,Prova 0,Telecom Urbana 50%,\r\n") +
                            QStringLiteral("3,2001-12-31 23:59:50,2002-01-01 00:00:20,30,12.50,"
                                           "01103,\"Rete, \"\"veloce\"\"\",Telecom Urbana 50%,"
                                           "\"riga uno\r\nriga\tdue\"\r\n"));
    }

    void missingArchiveIsEmpty()
    {
        QTemporaryDir dir;
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list"),
                                          QStringLiteral("--csv")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, Header + QStringLiteral("\r\n"));
    }

    void unreadableArchive()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Archivio.sto")));
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.startsWith(QStringLiteral("Cannot open file ")));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no word") << QStringList{"archive"};
        QTest::newRow("unknown word") << QStringList{"archive", "show"};
        QTest::newRow("unknown option") << QStringList{"archive", "list", "--xml"};
        QTest::newRow("extra") << QStringList{"archive", "list", "--csv", "x"};
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const CliRun r = cli(dir.path(), args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("archive list")));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCliArchive)
#include "tst_cliarchive.moc"
