// The "Providers" page without widgets: the entries offered, a record shown
// and saved, the profile kept only while its file exists, unknown entries.

#include "common/Clock.h"
#include "common/ScriptedPrompt.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "options/ProviderPage.h"
#include "tests/support/FakeRasService.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace
{

struct Fixture {
    QTemporaryDir tmp;
    QString folder = tmp.path() + QLatin1Char('/');
    FakeRasService service;
    RasState state;
    TManualClock clock;
    TDialUp dialUp{service, state, clock};
    TProviderRecord current;
    TScriptedPrompt prompt;
    TProviderPage page{dialUp, current, folder, prompt};
    const QStringList profiles{QStringLiteral("Notturna"), QStringLiteral("Urbana")};

    ProviderFields sample() const
    {
        return ProviderFields{QStringLiteral("mario"),          QStringLiteral("segreta"),
                              QStringLiteral("0701234"),        QStringLiteral("Urbana"),
                              QStringLiteral("http://home.it"), QStringLiteral("www.utenti.it")};
    }
};

} // namespace

class TestProviderPage : public QObject
{
    Q_OBJECT
private slots:
    void entriesSortedOnceEach();
    void noEntries();
    void saveAndShowAgain();
    void profileNoLongerListed();
    void unknownEntryRefused_data();
    void unknownEntryRefused();
    void fieldsCutToTheirSize();
    void failedSaveReported();
    void webAddress_data();
    void webAddress();
};

void TestProviderPage::entriesSortedOnceEach()
{
    Fixture f;
    f.current.userName = QStringLiteral("left over");
    f.service.names = {QStringLiteral("tiscali"), QStringLiteral("Libero"),
                       QStringLiteral("albacom"), QStringLiteral("Libero")};
    QCOMPARE(f.page.enumerateEntries(),
             QStringList(
                 {QStringLiteral("albacom"), QStringLiteral("Libero"), QStringLiteral("tiscali")}));
    QCOMPARE(f.current, TProviderRecord()); // enumerating empties the current record
}

void TestProviderPage::noEntries()
{
    Fixture f;
    QVERIFY(f.page.enumerateEntries().isEmpty());
}

void TestProviderPage::saveAndShowAgain()
{
    Fixture f;
    f.service.names = {QStringLiteral("Libero")};
    f.page.enumerateEntries();
    QCOMPARE(f.page.show(QStringLiteral("Libero"), f.profiles), ProviderFields());

    QCOMPARE(f.page.save(QStringLiteral("Libero"), f.sample(), f.profiles),
             TProviderPage::SaveResult::Saved);
    QVERIFY(f.prompt.requests().isEmpty());
    const QString path = f.folder + QStringLiteral("Libero.ras");
    QFileInfo info(path);
    QCOMPARE(info.size(), TProviderRecord::Size);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    // The password is not in the file as typed.
    QVERIFY(!testsupport::readFileBytes(path).contains("segreta"));

    f.current.reset();
    QCOMPARE(f.page.show(QStringLiteral("Libero"), f.profiles), f.sample());
    QCOMPARE(f.current.entryName, QStringLiteral("Libero"));
    QCOMPARE(f.current.password, QStringLiteral("segreta"));
}

void TestProviderPage::profileNoLongerListed()
{
    Fixture f;
    f.service.names = {QStringLiteral("Libero")};
    f.page.enumerateEntries();
    QCOMPARE(f.page.save(QStringLiteral("Libero"), f.sample(), f.profiles),
             TProviderPage::SaveResult::Saved);
    const QStringList without{QStringLiteral("Notturna")};
    ProviderFields shown = f.page.show(QStringLiteral("Libero"), without);
    QCOMPARE(shown.profile, QString());
    QCOMPARE(f.current.profile, QStringLiteral("Urbana")); // the record itself still names it

    // Saving what is shown clears the name; so does a typed name with no file.
    QCOMPARE(f.page.save(QStringLiteral("Libero"), shown, without),
             TProviderPage::SaveResult::Saved);
    QCOMPARE(f.page.show(QStringLiteral("Libero"), f.profiles).profile, QString());
    shown.profile = QStringLiteral("Inventata");
    f.page.save(QStringLiteral("Libero"), shown, f.profiles);
    TProviderRecord r;
    r.load(f.folder, QStringLiteral("Libero"), f.prompt);
    QCOMPARE(r.profile, QString());
}

void TestProviderPage::unknownEntryRefused_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("not in the phone book") << "Tiscali";
    QTest::newRow("other case") << "libero";
    QTest::newRow("empty") << "";
}

void TestProviderPage::unknownEntryRefused()
{
    QFETCH(QString, entry);
    Fixture f;
    f.service.names = {QStringLiteral("Libero")};
    f.page.enumerateEntries();
    QCOMPARE(f.page.save(entry, f.sample(), f.profiles), TProviderPage::SaveResult::UnknownEntry);
    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& r = f.prompt.requests().first();
    QCOMPARE(r.text, QStringLiteral("Nome di Connessione Ras Inesistente"));
    QCOMPARE(r.icon, PromptIcon::None);
    QCOMPARE(r.buttons, int(PbOk));
    QCOMPARE(QDir(f.folder).entryList(QDir::Files), QStringList());
}

void TestProviderPage::fieldsCutToTheirSize()
{
    Fixture f;
    const QString longName = QString(70, QLatin1Char('e'));
    f.service.names = {longName};
    f.page.enumerateEntries();
    ProviderFields in{QString(70, QLatin1Char('u')),  QString(70, QLatin1Char('p')),
                      QString(30, QLatin1Char('7')),  QString(),
                      QString(120, QLatin1Char('h')), QString(120, QLatin1Char('w'))};
    QCOMPARE(f.page.save(longName, in, f.profiles), TProviderPage::SaveResult::Saved);
    const ProviderFields out = f.page.show(longName, f.profiles);
    QCOMPARE(out.userName, in.userName.left(60));
    QCOMPARE(out.password, in.password.left(60));
    QCOMPARE(out.phoneNumber, in.phoneNumber.left(25));
    QCOMPARE(out.homePage, in.homePage.left(100));
    QCOMPARE(out.userPage, in.userPage.left(100));
    QCOMPARE(f.current.entryName, longName.left(60));
}

void TestProviderPage::failedSaveReported()
{
    Fixture f;
    // A folder where the record file should be: it cannot be written.
    f.service.names = {QStringLiteral("casa")};
    QVERIFY(QDir(f.folder).mkdir(QStringLiteral("casa.ras")));
    f.page.enumerateEntries();
    QCOMPARE(f.page.save(QStringLiteral("casa"), f.sample(), f.profiles),
             TProviderPage::SaveResult::Failed);
    QCOMPARE(f.prompt.beeps(), 1);
}

void TestProviderPage::webAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("url");
    QTest::newRow("http") << "http://www.esempio.it/"
                          << "http://www.esempio.it/";
    QTest::newRow("https") << "https://utenti.esempio.it/a?b=1"
                           << "https://utenti.esempio.it/a?b=1";
    QTest::newRow("bare host") << "www.esempio.it"
                               << "http://www.esempio.it";
    QTest::newRow("bare host with port") << "www.esempio.it:8080/x"
                                         << "http://www.esempio.it:8080/x";
    QTest::newRow("spaces around") << "  www.esempio.it "
                                   << "http://www.esempio.it";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("local file") << "file:///bin/sh"
                                << "";
    QTest::newRow("absolute path") << "/etc/passwd"
                                   << "";
    QTest::newRow("other scheme") << "ftp://esempio.it"
                                  << "";
    QTest::newRow("no host") << "http://"
                             << "";
}

void TestProviderPage::webAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, url);
    const QUrl u = TProviderPage::webAddress(text);
    QCOMPARE(u.isValid() ? u.toString() : QString(), url);
}

QTEST_GUILESS_MAIN(TestProviderPage)
#include "tst_providerpage.moc"
