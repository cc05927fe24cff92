// The password scrambler. Its table and key are part of the provider-record
// file format, so the vectors below pin them: if one of these checks fails,
// stored passwords can no longer be read back.
#include "dialup/Crypt.h"

#include <QCryptographicHash>
#include <QTest>

class TestCrypt : public QObject
{
    Q_OBJECT

private:
    static QByteArray scrambled(QByteArray text, const QByteArray& key = TCrypt::recordKey())
    {
        TCrypt c;
        c.setPassword(key);
        c.scramble(text);
        return text;
    }

private slots:
    void tableAndKeyArePinned()
    {
        const auto& t = TCrypt::table();
        const QByteArray bytes(reinterpret_cast<const char*>(t.data()), qsizetype(t.size()));
        QCOMPARE(bytes.size(), 101);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex(),
                 QByteArray("3619b6a7f76372e716d8e5ca2f1dd1ad203003c5"));
        QCOMPARE(TCrypt::recordKey(), QByteArray("Scatti, Lire & 56k: linea 1999!?"));
        QCOMPARE(TCrypt::recordKey().size(), 32);
    }

    void pinnedVectors_data()
    {
        QTest::addColumn<QByteArray>("clear");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("word") << QByteArray("segreto") << TCrypt::recordKey()
                              << QByteArray("6e4d702d3119b3");
        QTest::newRow("one character")
            << QByteArray("x") << TCrypt::recordKey() << QByteArray("65");
        QTest::newRow("sixty characters")
            << QByteArray("Password-di-prova-lunga-sessanta-caratteri-0123456789ABCDEFG")
            << TCrypt::recordKey()
            << QByteArray("4d49642c2302ae654dc5cd33675e7a16899fd1a21b1a8dc62704d1a5ef4f77d1"
                          "054674aed31c6feafe4a1d99eb939a58469ab97d0f631dec2d25122e");
        QTest::newRow("other key") << QByteArray("abc") << QByteArray("k") << QByteArray("a4b841");
    }
    void pinnedVectors()
    {
        QFETCH(QByteArray, clear);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, hex);
        QCOMPARE(scrambled(clear, key).toHex(), hex);
    }

    void scramblingTwiceRestores_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("plain") << QByteArray("pippo123");
        QTest::newRow("high bytes") << QByteArray("\xe0\xe8\xff\x01 \x80", 6);
        QTest::newRow("zeros") << QByteArray(60, '\0');
    }
    void scramblingTwiceRestores()
    {
        QFETCH(QByteArray, text);
        const QByteArray once = scrambled(text);
        QCOMPARE(once.size(), text.size());
        if (!text.isEmpty())
            QVERIFY(once != text);
        QCOMPARE(scrambled(once), text);
    }

    // One character is changed only by the first table byte, the one the key
    // sum picks; so the same byte masks every one-character password.
    void oneCharacterUsesTheKeySumByte()
    {
        const uint8_t mask = uint8_t(scrambled("A")[0]) ^ uint8_t('A');
        for (char c : QByteArray("Zz09 ~"))
            QCOMPARE(uint8_t(scrambled(QByteArray(1, c))[0]) ^ uint8_t(c), mask);
    }

    // The same instance keeps working: index and key are restored after each use.
    void instanceIsReusable()
    {
        TCrypt c;
        c.setPassword(TCrypt::recordKey());
        QByteArray a("segreto"), b("segreto");
        c.scramble(a);
        c.scramble(b);
        QCOMPARE(a, b);
    }

    void emptyKeyIsAnError()
    {
        TCrypt c;
        QByteArray text("x");
        try {
            c.scramble(text);
            QFAIL("no error without a key");
        } catch (const TCryptError& e) {
            QCOMPARE(
                e.text(),
                QStringLiteral(
                    "Password non inizializzata !\rUtilizzare il metodo .SetPassword(Password)!"));
        }
        QCOMPARE(text, QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestCrypt)
#include "tst_crypt.moc"
