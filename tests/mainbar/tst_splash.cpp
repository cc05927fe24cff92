// The splash/about window and the version line.

#include "options/uSplash.h"
#include "platform/system/VersionInfo.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/WidgetSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using testsupport::child;

class TestSplash : public QObject
{
    Q_OBJECT
private slots:
    void versionLine_data();
    void versionLine();
    void compiledVersion();
    void layout();
    void noticeScrollsAndWraps();
    void aboutMode();
};

void TestSplash::versionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("release");
    QTest::addColumn<int>("build");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("line");
    QTest::newRow("3.1.1.5") << 3 << 1 << 1 << 5 << "3.1 Beta"
                             << "Versione 3.1.1.5 3.1 Beta";
    QTest::newRow("no product version") << 3 << 1 << 1 << 5 << ""
                                        << "Versione 3.1.1.5 ";
    QTest::newRow("no version at all") << 0 << 0 << 0 << 0 << ""
                                       << "Versione 0.0.0.0 ";
    QTest::newRow("plain decimal") << 10 << 0 << 12 << 305 << "x"
                                   << "Versione 10.0.12.305 x";
}

void TestSplash::versionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, release);
    QFETCH(int, build);
    QFETCH(QString, product);
    QFETCH(QString, line);
    VersionInfo v;
    v.major = major;
    v.minor = minor;
    v.release = release;
    v.build = build;
    v.productVersion = product;
    QCOMPARE(v.versionLine(), line);
}

void TestSplash::compiledVersion()
{
    const VersionInfo v = VersionInfo::compiled();
    QCOMPARE(v.major, 3);
    QCOMPARE(v.minor, 1);
    QVERIFY(v.versionLine().startsWith(QStringLiteral("Versione 3.1.")));
    QVERIFY(v.versionLine().endsWith(QLatin1Char(' ') + v.productVersion));
    QCOMPARE(v.productName, QStringLiteral("Tarvelo!"));
}

void TestSplash::layout()
{
    const VersionInfo v = VersionInfo::compiled();
    TfSplash splash(v);
    QCOMPARE(splash.size(), QSize(335, 186));
    QCOMPARE(child<QLabel>(&splash, "lProductName")->text(), v.productName);
    QCOMPARE(child<QLabel>(&splash, "lVer")->text(), v.versionLine());
    QCOMPARE(child<QLabel>(&splash, "loading")->text(), QStringLiteral(" L O A D I N G . . . "));
    // The notice scrolls through its box, which cuts it off.
    QCOMPARE(testsupport::layoutProblems(&splash, testsupport::LayoutExceptions().clipped("re1")),
             QString());
    auto* re1 = child<QTextEdit>(&splash, "re1");
    QVERIFY(re1->height() > child<QWidget>(&splash, "sb1")->height());
    QVERIFY(re1->isReadOnly());
    QVERIFY(!re1->isEnabled());
    QVERIFY(!re1->toPlainText().isEmpty());
    QVERIFY(child<QPushButton>(&splash, "OK")->isHidden());
    QCOMPARE(splash.scrollTimer().interval(), 100);
    QVERIFY(splash.scrollTimer().isActive());
}

void TestSplash::noticeScrollsAndWraps()
{
    TfSplash splash(VersionInfo::compiled());
    auto* re1 = child<QTextEdit>(&splash, "re1");
    const int boxHeight = child<QWidget>(&splash, "sb1")->height();
    QCOMPARE(re1->y(), boxHeight); // starts just below the visible area

    for (int i = 0; i < 500; ++i) // 50 seconds
        splash.scrollTick();
    QCOMPARE(re1->y(), boxHeight - 500);

    // Completely out of view (bottom edge at the box's top): one more step...
    while (re1->y() > -re1->height())
        splash.scrollTick();
    QCOMPARE(re1->y(), -500);
    splash.scrollTick();
    QCOMPARE(re1->y(), -501);
    // ...then it comes back in from the bottom edge.
    splash.scrollTick();
    QCOMPARE(re1->y(), boxHeight - 1);
}

void TestSplash::aboutMode()
{
    TfSplash about(VersionInfo::compiled());
    about.prepareAbout();
    QVERIFY(child<QLabel>(&about, "loading")->isHidden());
    auto* ok = child<QPushButton>(&about, "OK");
    QCOMPARE(ok->text(), QStringLiteral("&OK"));
    QVERIFY(!ok->isHidden());
    QCOMPARE(testsupport::layoutProblems(&about, testsupport::LayoutExceptions().clipped("re1")),
             QString());

    bool wasModal = false;
    QTimer::singleShot(0, ok, [&] {
        wasModal = QApplication::activeModalWidget() == &about;
        ok->click();
    });
    QTimer::singleShot(5000, &about, &QDialog::reject); // never hang the test run
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QVERIFY(wasModal);
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
