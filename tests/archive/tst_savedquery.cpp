// Saved query files: the 364-byte record at its offsets, reserved fields
// carried forward, the listing of "Int/", and names that cannot be files.

#include "archive/SavedQuery.h"
#include "common/ByteIO.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TstSavedQuery : public QObject
{
    Q_OBJECT
private slots:
    void layout()
    {
        SavedQuery q;
        q.descriz = QStringLiteral("Febbraio caffè");
        q.dal = dt::encodeDate(2001, 2, 1);
        q.al = dt::encodeDate(2001, 2, 28);
        q.tel = QStringLiteral("0101");
        q.provider = QStringLiteral("Alfa");
        q.provTutti = true;
        q.nomeTar = QStringLiteral("Telecom Urbana 50%");
        q.tarTutti = false;
        const QByteArray b = q.toBytes();
        QCOMPARE(b.size(), 364);
        QCOMPARE(int(uint8_t(b[0])), 14);
        QCOMPARE(b.mid(1, 14), QByteArray("Febbraio caff\xe8"));
        QCOMPARE(bio::getF64(b, 64), dt::encodeDate(2001, 2, 1));
        QCOMPARE(bio::getF64(b, 72), dt::encodeDate(2001, 2, 28));
        QCOMPARE(b.mid(80, 5), QByteArray("\x04"
                                          "0101"));
        QCOMPARE(b.mid(111, 5), QByteArray("\x04"
                                           "Alfa"));
        QCOMPARE(int(b[162]), 1);
        QCOMPARE(b.mid(163, 19), QByteArray("\x12Telecom Urbana 50%"));
        QCOMPARE(int(b[214]), 0);
        QCOMPARE(b.mid(354, 5), QByteArray("\x04"
                                           "0300"));
        QCOMPARE(bio::getU16(b, 360), uint16_t(364));

        const SavedQuery back = SavedQuery::fromBytes(b);
        QCOMPARE(back.descriz, q.descriz);
        QCOMPARE(back.dal, q.dal);
        QCOMPARE(back.al, q.al);
        QCOMPARE(back.tel, q.tel);
        QCOMPARE(back.provider, q.provider);
        QCOMPARE(back.provTutti, true);
        QCOMPARE(back.nomeTar, q.nomeTar);
        QCOMPARE(back.tarTutti, false);
    }

    void reservedCarriedForward()
    {
        QByteArray b(364, '\0');
        b.replace(216, 8, QByteArray(8, '\x11'));
        b.replace(232, 4, QByteArray("\x03xyz"));
        b.replace(61, 3, QByteArray("pad"));
        b[162] = 7; // any non-zero byte is true
        SavedQuery q = SavedQuery::fromBytes(b);
        QVERIFY(q.provTutti);
        q.tel = QStringLiteral("a very long telephone number beyond thirty characters");
        const QByteArray out = q.toBytes();
        QCOMPARE(out.mid(216, 8), QByteArray(8, '\x11'));
        QCOMPARE(out.mid(232, 4), QByteArray("\x03xyz"));
        QCOMPARE(out.mid(61, 3), QByteArray("pad"));
        QCOMPARE(int(uint8_t(out[80])), 30);
        QCOMPARE(int(out[162]), 1);
        // A short file reads as if padded with zeros.
        QCOMPARE(SavedQuery::fromBytes(b.left(70)).dal, 0.0);
    }

    void roundTripAndList()
    {
        QTemporaryDir dir;
        const TSavedQueries files(dir.path() + QLatin1Char('/'));
        QVERIFY(files.list().isEmpty()); // no "Int" folder yet
        SavedQuery q;
        q.dal = dt::encodeDate(2000, 11, 1);
        q.al = dt::encodeDate(2000, 12, 31);
        q.tarTutti = true;
        QVERIFY(files.save(QStringLiteral("01 Bimestre 1 nov - 31 dic"), q));
        QVERIFY(files.save(QStringLiteral("Agosto"), q));
        QVERIFY(files.save(QStringLiteral("agosto"), q)); // another file on Linux
        QCOMPARE(QFileInfo(files.path(QStringLiteral("Agosto"))).size(), 364);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Int/dir.int")));
        testsupport::writeFileBytes(dir.path() + QStringLiteral("/Int/note.txt"), "x");
        QCOMPARE(files.list(), (QStringList{"01 Bimestre 1 nov - 31 dic", "Agosto", "agosto"}));

        SavedQuery back;
        QVERIFY(files.load(QStringLiteral("Agosto"), back));
        QCOMPARE(back.dal, q.dal);
        QCOMPARE(back.al, q.al);
        QVERIFY(back.tarTutti);
        QVERIFY(files.exists(QStringLiteral("Agosto")));
        QVERIFY(files.remove(QStringLiteral("Agosto")));
        QVERIFY(!files.exists(QStringLiteral("Agosto")));
        QString error;
        QVERIFY(!files.load(QStringLiteral("Agosto"), back, &error));
        QCOMPARE(error, QStringLiteral("Cannot open file ") + files.path(QStringLiteral("Agosto")));
    }

    void unsafeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("dot dot") << QStringLiteral("..");
        QTest::newRow("slash") << QStringLiteral("../Archivio");
        QTest::newRow("backslash") << QStringLiteral("a\\b");
        QTest::newRow("control") << QStringLiteral("a\nb");
        QTest::newRow("too long") << QString(220, QLatin1Char('x'));
    }
    void unsafeNames()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const TSavedQueries files(dir.path() + QLatin1Char('/'));
        QString error;
        QVERIFY(!files.save(name, SavedQuery{}, &error));
        QVERIFY(error.startsWith(QStringLiteral("Cannot create file")));
        QVERIFY(!files.exists(name));
        QVERIFY(!files.remove(name));
        QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() <= 1);
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/Archivio.int")));
    }

    void folderCannotBeCreated()
    {
        // "Int" is a file: the query is refused like a file that cannot be created.
        QTemporaryDir dir;
        QVERIFY(testsupport::writeFileBytes(dir.path() + QStringLiteral("/Int"), "x"));
        const TSavedQueries files(dir.path() + QLatin1Char('/'));
        QString error;
        QVERIFY(!files.save(QStringLiteral("Q"), SavedQuery{}, &error));
        QCOMPARE(error, QStringLiteral("Cannot create file ") + files.path(QStringLiteral("Q")));
    }
};

QTEST_GUILESS_MAIN(TstSavedQuery)
#include "tst_savedquery.moc"
