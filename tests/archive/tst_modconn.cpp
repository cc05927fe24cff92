// The edit dialog: what it shows of a connection and how it cuts what the
// user types to the record's fields.
#include "archive/ConnRecord.h"
#include "archive/uModConn.h"
#include "common/Format.h"
#include "common/ScriptedPrompt.h"
#include "platform/gui/HelpKey.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;

namespace
{

ConnRecord sampleRecord()
{
    ConnRecord r;
    r.inizio = dt::encode(2000, 1, 3, 12, 0, 5);
    r.fine = dt::encode(2000, 1, 3, 13, 2, 9);
    r.costo = 1481.28f;
    r.provider = QStringLiteral("Prova");
    r.telefono = QStringLiteral("0114567");
    r.motivo = QStringLiteral("prima riga\r\nseconda riga");
    r.indice = 4;
    return r;
}

} // namespace

class TstModConn : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void fillsTheControls()
    {
        ConnRecord r = sampleRecord();
        TScriptedPrompt prompt;
        TfModConn d(r, prompt);
        d.fill();
        QCOMPARE(d.windowTitle(), QStringLiteral("Modifica dati Connessione"));
        QCOMPARE(d.size(), QSize(269, 332));
        QCOMPARE(testsupport::layoutProblems(&d), QString());
        QCOMPARE(child<QLineEdit>(&d, "provider")->text(), QStringLiteral("Prova"));
        QCOMPARE(child<QLineEdit>(&d, "telefono")->text(), QStringLiteral("0114567"));
        QCOMPARE(child<QPlainTextEdit>(&d, "motivo")->toPlainText(),
                 QStringLiteral("prima riga\nseconda riga"));
        QCOMPARE(child<QPushButton>(&d, "SpeedButton1")->text(), QStringLiteral("&Ok"));
        QCOMPARE(child<QPushButton>(&d, "SpeedButton2")->text(), QStringLiteral("&Annulla"));
    }

    // Date, time and amount come from the program's formatting patterns.
    void formattedFields_data()
    {
        QTest::addColumn<float>("costo");
        QTest::addColumn<QString>("lire");
        QTest::newRow("surcharge rounds up") << 1481.28f << "1.482";
        QTest::newRow("below half") << 1000.0f << "1.000";
    }
    void formattedFields()
    {
        QFETCH(float, costo);
        QFETCH(QString, lire);
        if (fmt::formatFloat(QStringLiteral("#"), 1).isEmpty())
            QSKIP("the formatting module is not built yet");
        ConnRecord r = sampleRecord();
        r.costo = costo;
        TScriptedPrompt prompt;
        TfModConn d(r, prompt);
        d.fill();
        QCOMPARE(child<QLabel>(&d, "inizio")->text(),
                 QStringLiteral("03/01/2000 ") + fmt::formatLongTime(r.inizio));
        QCOMPARE(child<QLabel>(&d, "fine")->text(),
                 QStringLiteral("03/01/2000 ") + fmt::formatLongTime(r.fine));
        QVERIFY(child<QLabel>(&d, "fine")->text().contains(QStringLiteral("13")));
        QVERIFY(child<QLabel>(&d, "fine")->text().contains(QStringLiteral("09")));
        QCOMPARE(child<QLabel>(&d, "lire")->text(), lire);
    }

    void cuts_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("telefono");
        QTest::addColumn<QString>("motivo");
        QTest::addColumn<QString>("storedMotivo");
        const QString p60(60, QLatin1Char('p'));
        const QString t40(40, QLatin1Char('7'));
        QTest::newRow("within the fields") << "Altro"
                                           << "02123"
                                           << "breve"
                                           << "breve";
        QTest::newRow("too long") << p60 << t40 << QString(200, QLatin1Char('m'))
                                  << QString(150, QLatin1Char('m'));
        QTest::newRow("line breaks count") << ""
                                           << ""
                                           << "a\nb\n" + QString(200, QLatin1Char('c'))
                                           << "a\r\nb\r\n" + QString(144, QLatin1Char('c'));
        QTest::newRow("line break cut in half")
            << ""
            << "" << QString(149, QLatin1Char('x')) + "\nyy" << QString(149, QLatin1Char('x'));
    }
    void cuts()
    {
        QFETCH(QString, provider);
        QFETCH(QString, telefono);
        QFETCH(QString, motivo);
        QFETCH(QString, storedMotivo);
        ConnRecord r = sampleRecord();
        const ConnRecord before = r;
        TScriptedPrompt prompt;
        TfModConn d(r, prompt);
        d.fill();
        child<QLineEdit>(&d, "provider")->setText(provider);
        child<QLineEdit>(&d, "telefono")->setText(telefono);
        child<QPlainTextEdit>(&d, "motivo")->setPlainText(motivo);
        child<QPushButton>(&d, "SpeedButton1")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(r.provider, provider.left(50));
        QCOMPARE(r.telefono, telefono.left(30));
        QCOMPARE(r.motivo, storedMotivo);
        // Start, end and cost cannot be changed here.
        QCOMPARE(r.inizio, before.inizio);
        QCOMPARE(r.fine, before.fine);
        QCOMPARE(r.costo, before.costo);
        QCOMPARE(r.indice, before.indice);
    }

    void cancelKeepsTheRecord()
    {
        ConnRecord r = sampleRecord();
        TScriptedPrompt prompt;
        TfModConn d(r, prompt);
        d.fill();
        child<QLineEdit>(&d, "provider")->setText(QStringLiteral("cambiato"));
        child<QPlainTextEdit>(&d, "motivo")->setPlainText(QStringLiteral("cambiato"));
        child<QPushButton>(&d, "SpeedButton2")->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(r, sampleRecord());
    }

    void helpKey()
    {
        ConnRecord r = sampleRecord();
        TScriptedPrompt prompt;
        TfModConn d(r, prompt);
        d.show();
        QTest::keyClick(child<QLineEdit>(&d, "provider"), Qt::Key_F1);
        QCOMPARE(prompt.requests().size(), 1);
        QCOMPARE(prompt.requests()[0].text, NoHelpText);
        QCOMPARE(prompt.requests()[0].title, QStringLiteral("Tarvelo!..."));
        QCOMPARE(prompt.requests()[0].icon, PromptIcon::Warning);
    }
};

QTEST_MAIN(TstModConn)
#include "tst_modconn.moc"
