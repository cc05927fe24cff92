// The tariff profile editor window, offscreen, on a temporary program folder
// with profiles laid out by the test and a scripted prompt.

#include "app/SettingsStore.h"
#include "app/WindowContexts.h"
#include "platform/gui/HelpKey.h"
#include "tariff/KvStringGrid.h"
#include "tariff/ProfileFiles.h"
#include "tariff/uTariffe.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"
#include "tests/tariff/TariffFixtures.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using testsupport::child;

namespace
{

const QString Alfa = QStringLiteral("Alfa");
const QString Beta = QStringLiteral("beta");
const QString NumberFormatText = QStringLiteral("Il Formato del Numero immesso è Errato !");

QByteArray bytesOf(const TariffCell& c)
{
    QByteArray b(TariffCell::Size, '\0');
    c.toBytes(b, 0);
    return b;
}

// A program folder with three profiles: "Alfa" (every row: 00:00 at 10 and
// 18:30 at 5 Lire/min), "beta" (one band 08:00 at 20 on Monday) and "Casa"
// (empty). The editor opens on "Alfa", which is also the default profile.
struct EditorFixture : ProgramFixture {
    EditorFixture()
    {
        saveProfile(Alfa, fixtures::evening());
        TariffTable beta;
        fixtures::setBand(beta, 1, 0, 8, 0, 20);
        saveProfile(Beta, beta);
        saveProfile(QStringLiteral("Casa"), TariffTable{});
        setNames(Alfa, Alfa);
    }

    void saveProfile(const QString& name, const TariffTable& table)
    {
        TariffProfiles p;
        p.working = table;
        QVERIFY(TProfileFiles(p, folder, prompt).SaveProfile(name));
    }
    TariffTable readProfile(const QString& name)
    {
        ProfileHeader h;
        TariffTable t;
        [&] { QVERIFY(TProfileFiles::readProfileFile(profilePath(name), h, t)); }();
        return t;
    }
    QString profilePath(const QString& name) const { return folder + "Trf/" + name + ".trf"; }
    void setNames(const QString& attuale, const QString& def)
    {
        TSettingsStore s(registry);
        s.setTabellaAttuale(attuale);
        s.setTabDefault(def);
    }

    std::unique_ptr<TfTariffe> open()
    {
        auto w = std::make_unique<TfTariffe>(tariffeContext(program));
        w->show();
        QCoreApplication::processEvents(); // the opening runs once the window is up
        return w;
    }
};

QLineEdit* field(const TfTariffe& w, const char* name)
{
    return child<QLineEdit>(w, name);
}
QComboBox* nometab(const TfTariffe& w)
{
    return child<QComboBox>(w, "nometab");
}
QCheckBox* tabDefault(const TfTariffe& w)
{
    return child<QCheckBox>(w, "TabDefault");
}

void clickCell(TfTariffe& w, int col, int row)
{
    TKvStringGrid* g = w.grid();
    QTest::mouseClick(g, Qt::LeftButton, {}, g->cellRect(col, row).center());
}
void chooseFromList(TfTariffe& w, const QString& name)
{
    QComboBox* box = nometab(w);
    const int i = box->findText(name);
    QVERIFY(i >= 0);
    box->setCurrentIndex(i);
    emit box->activated(i);
}
void typeAndEnter(TfTariffe& w, const QString& name)
{
    QComboBox* box = nometab(w);
    box->setEditText(name);
    // Typed keys reach the combo box: it holds the focus for its line edit.
    QTest::keyClick(box, Qt::Key_Return);
}
void salva(TfTariffe& w)
{
    child<QPushButton>(w, "SalvaTariffa")->click();
}
QStringList items(const QComboBox* box)
{
    QStringList l;
    for (int i = 0; i < box->count(); ++i)
        l << box->itemText(i);
    return l;
}

} // namespace

class TestTariffEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void openingShowsCurrentProfile();
    void openingWithUnknownProfileKeepsWorkingProfile();
    void storesCellFromFields();
    void refusesBadFields_data();
    void refusesBadFields();
    void gridShowsRatesWithVat();
    void dayLabelsFit_data();
    void dayLabelsFit();
    void opensCentredOnTheScreen();
    void copyPasteClear();
    void switchingSavesModifiedProfileFirst();
    void enterNewName_data();
    void enterNewName();
    void enterOnDefaultNameClearsDefault();
    void applicaTabellaSetsDefault();
    void deleteProfile();
    void closingKeepsEditsApartFromSessionLoads();
    void failedSaveOnCloseKeepsEdits_data();
    void failedSaveOnCloseKeepsEdits();
    void unshowableStartTime();
    void helpPage();
};

void TestTariffEditor::openingShowsCurrentProfile()
{
    EditorFixture f;
    auto w = f.open();
    QCOMPARE(w->windowTitle(), QStringLiteral(" Profili Tariffe Telefoniche"));
    QCOMPARE(testsupport::layoutProblems(w.get()), QString());
    QCOMPARE(items(nometab(*w)), (QStringList{Alfa, Beta, "Casa"}));
    QCOMPARE(nometab(*w)->currentText(), Alfa);
    QVERIFY(tabDefault(*w)->isChecked());
    QVERIFY(!w->editor().isModified());

    QCOMPARE(w->cellTexts(0, 0), (QStringList{"LUN", "CpM"}));
    QCOMPARE(w->cellTexts(0, 6), (QStringList{"DOM", "CpM"}));
    QCOMPARE(w->cellTexts(0, 7), (QStringList{"FESTIVI", "CpM"}));
    for (int row = 0; row < DayRows; ++row) {
        QCOMPARE(w->cellTexts(1, row), (QStringList{"00.00", "12"}));
        QCOMPARE(w->cellTexts(2, row), (QStringList{"18.30", "6"}));
        for (int col = 3; col <= 7; ++col)
            QVERIFY(w->cellTexts(col, row).isEmpty());
    }
    // The selected cell is shown in the fields.
    QCOMPARE(w->grid()->col(), 1);
    QCOMPARE(w->grid()->row(), 0);
    QCOMPARE(field(*w, "dalle")->text(), QStringLiteral("00:00"));
    QCOMPARE(field(*w, "costo1")->text(), QStringLiteral("10,00"));
    QVERIFY(!w->grab().isNull()); // every cell paints
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestTariffEditor::openingWithUnknownProfileKeepsWorkingProfile()
{
    EditorFixture f;
    f.setNames(QStringLiteral("Sparita"), Alfa);
    TariffTable shown;
    fixtures::setBand(shown, 4, 5, 9, 15, 7);
    f.program.profiles.working = shown;
    auto w = f.open();
    QCOMPARE(nometab(*w)->currentText(), QString());
    QVERIFY(!tabDefault(*w)->isChecked());
    QCOMPARE(w->cellTexts(4, 5), (QStringList{"09.15", "8,4"}));
    QVERIFY(w->cellTexts(1, 0).isEmpty());
    w.reset();
    QCOMPARE(TSettingsStore(f.registry).tabellaAttuale(), QStringLiteral("Sparita"));
}

void TestTariffEditor::storesCellFromFields()
{
    EditorFixture f;
    auto w = f.open();
    // An empty cell keeps the fields of the cell shown before...
    clickCell(*w, 3, 0);
    QCOMPARE(w->grid()->col(), 3);
    QCOMPARE(field(*w, "costo1")->text(), QStringLiteral("10,00"));
    // ...so a new band is made from them; a rate of 0 is a free band.
    field(*w, "dalle")->setText(QStringLiteral("20:00"));
    field(*w, "costo1")->setText(QStringLiteral("0"));
    salva(*w);
    QVERIFY(f.prompt.requests().isEmpty());
    QCOMPARE(w->cellTexts(3, 0), (QStringList{"20.00", "Gratis"}));
    QCOMPARE(w->editor().cell(3, 0).costo1, FreeMarker);
    QVERIFY(w->editor().isModified());
    QCOMPARE(bytesOf(w->editBuffer()), bytesOf(w->editor().cell(3, 0)));

    // Discount, fixed charge and second rate reach the cell.
    clickCell(*w, 2, 4);
    child<QCheckBox>(*w, "scrsi")->setChecked(true);
    field(*w, "costorisp")->setText(QStringLiteral("127"));
    field(*w, "doposec")->setText(QStringLiteral("300"));
    field(*w, "costo2")->setText(QStringLiteral("2,5"));
    child<QCheckBox>(*w, "cbSconto")->setChecked(true);
    field(*w, "scopercent")->setText(QStringLiteral("30"));
    field(*w, "scodoposec")->setText(QStringLiteral("600"));
    salva(*w);
    const TariffCell& c = w->editor().cell(2, 4);
    QCOMPARE(c.scrsi, uint8_t(1));
    QCOMPARE(c.costorisp, 127.0f);
    QCOMPARE(c.startMinutes(), 18 * 60 + 30);
    QCOMPARE(c.costo1, 5.0f);
    QCOMPARE(c.doposec, 300);
    QCOMPARE(c.costo2, 2.5f);
    QCOMPARE(c.sco.attivo, uint8_t(1));
    QCOMPARE(c.sco.percent, 30);
    QCOMPARE(c.sco.doposec, 600);
    // "Applica Sconto del" is remembered in header byte 0.
    QVERIFY(w->editor().own().header.discountBox());

    // "&Azzera Campi" empties the fields, not the profile.
    child<QPushButton>(*w, "AzzeraCampi")->click();
    QCOMPARE(field(*w, "costo1")->text(), QString());
    QCOMPARE(field(*w, "dalle")->text(), QStringLiteral("00:00"));
    QVERIFY(!child<QCheckBox>(*w, "scrsi")->isChecked());
    QVERIFY(!child<QCheckBox>(*w, "cbSconto")->isChecked());
    QCOMPARE(w->editor().cell(2, 4).costo2, 2.5f);
}

void TestTariffEditor::refusesBadFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("start time") << "dalle"
                                << "" << QStringList{"Orario Errato !"};
    QTest::newRow("start hour 24") << "dalle"
                                   << "24:00" << QStringList{"Orario Errato !"};
    QTest::newRow("rate") << "costo1"
                          << "dieci" << QStringList{NumberFormatText};
    QTest::newRow("rate with dot groups") << "costo1"
                                          << "1.000,5" << QStringList{NumberFormatText};
    QTest::newRow("second rate") << "costo2"
                                 << "x" << QStringList{NumberFormatText};
    QTest::newRow("fixed charge 0") << "costorisp"
                                    << "0" << QStringList{};
}

void TestTariffEditor::refusesBadFields()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QStringList, messages);
    EditorFixture f;
    auto w = f.open();
    const QByteArray before = bytesOf(w->editor().cell(1, 0));
    child<QCheckBox>(*w, "scrsi")->setChecked(true);
    field(*w, "costorisp")->setText(QStringLiteral("100"));
    field(*w, name.toLatin1().constData())->setText(text);
    salva(*w);
    QCOMPARE(f.prompt.texts(), messages);
    for (const PromptRequest& r : f.prompt.requests()) {
        QCOMPARE(r.title, QStringLiteral("Errore..."));
        QCOMPARE(r.icon, PromptIcon::Error);
    }
    QCOMPARE(f.prompt.beeps(), 1);
    QCOMPARE(bytesOf(w->editor().cell(1, 0)), before);
    QVERIFY(!w->editor().isModified());
}

void TestTariffEditor::gridShowsRatesWithVat()
{
    EditorFixture f;
    f.program.settings.iva = 20;
    auto w = f.open();
    field(*w, "dalle")->setText(QStringLiteral("08:00"));
    field(*w, "costo1")->setText(QStringLiteral("100"));
    salva(*w);
    QCOMPARE(w->cellTexts(1, 0), (QStringList{"08.00", "120"}));
    clickCell(*w, 2, 0);
    clickCell(*w, 1, 0);
    QCOMPARE(field(*w, "costo1")->text(), QStringLiteral("100,00"));
}

// The day column keeps its design 60 pixels where the system font lets
// "FESTIVI" fit, and widens where it does not; the bands keep theirs.
void TestTariffEditor::dayLabelsFit_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("small font") << 7;
    QTest::newRow("large font") << 16;
}

void TestTariffEditor::dayLabelsFit()
{
    QFETCH(int, points);
    const QFont appFont = QApplication::font();
    QFont big = appFont;
    big.setPointSize(points);
    QApplication::setFont(big);
    EditorFixture f;
    auto w = f.open();
    QApplication::setFont(appFont);

    QFont bold = w->font();
    bold.setBold(true);
    const int label = QFontMetrics(bold).horizontalAdvance(QStringLiteral("FESTIVI"));
    const QRect day = w->grid()->cellRect(0, 7);
    QVERIFY2(7 + label + 2 <= day.width(), qPrintable(QString::number(day.width())));
    if (7 + label + 4 <= 60)
        QCOMPARE(day.width(), 60);
    QCOMPARE(w->grid()->cellRect(1, 7).width(), 60);
    QCOMPARE(w->grid()->cellRect(1, 7).left(), day.right() + 2);
    int col = -1, row = -1;
    QVERIFY(w->grid()->cellAt(w->grid()->cellRect(1, 7).center(), col, row));
    QCOMPARE(QPoint(col, row), QPoint(1, 7));
    QVERIFY(w->grid()->cellAt(day.center(), col, row));
    QCOMPARE(QPoint(col, row), QPoint(0, 7));
}

// Centred on the screen, not over the bar that opens it.
void TestTariffEditor::opensCentredOnTheScreen()
{
    EditorFixture f;
    QWidget bar;
    bar.setGeometry(0, 0, 300, 25);
    bar.show();
    TfTariffe w(tariffeContext(f.program), &bar);
    w.show();
    // Give or take the window's frame, which the desktop adds around it.
    const QPoint off =
        w.geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2(qAbs(off.x()) <= 30 && qAbs(off.y()) <= 30,
             qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
}

void TestTariffEditor::copyPasteClear()
{
    EditorFixture f;
    auto w = f.open();
    // An empty clipboard pastes nothing.
    clickCell(*w, 5, 3);
    w->IncollaClick();
    QVERIFY(w->cellTexts(5, 3).isEmpty());

    // The pop-up menu selects the cell under the mouse before it opens.
    w->gridMenuOpening(w->grid()->cellRect(2, 1).center());
    QCOMPARE(w->grid()->col(), 2);
    QCOMPARE(w->grid()->row(), 1);
    QVERIFY(testsupport::action(w->gridMenu(), QStringLiteral("Copia")));
    w->CopiaClick();
    w->IncollaClick(); // onto the cell copied from: nothing
    QVERIFY(!w->editor().isModified());
    clickCell(*w, 5, 3);
    w->IncollaClick();
    QCOMPARE(bytesOf(w->editor().cell(5, 3)), bytesOf(w->editor().cell(2, 1)));
    QVERIFY(w->editor().isModified());

    // Clearing asks first; No keeps the cell.
    f.prompt.answerNext(PbNo);
    w->CancellaClick();
    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest q = f.prompt.requests().first();
    QCOMPARE(q.text, QStringLiteral("Svuoto la Cella Selezionata ?"));
    QCOMPARE(q.title, QStringLiteral("Conferma..."));
    QCOMPARE(q.icon, PromptIcon::Question);
    QCOMPARE(q.buttons, PbYes | PbNo);
    QCOMPARE(q.defaultButton, int(PbNo));
    QCOMPARE(w->cellTexts(5, 3), (QStringList{"18.30", "6"}));

    // Del on the grid: Yes empties all 48 bytes.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->grid()->setFocus();
    f.prompt.answerNext(PbYes);
    QTest::keyClick(w->grid(), Qt::Key_Delete);
    QCOMPARE(f.prompt.requests().size(), 2);
    QCOMPARE(bytesOf(w->editor().cell(5, 3)), QByteArray(TariffCell::Size, '\0'));
}

void TestTariffEditor::switchingSavesModifiedProfileFirst()
{
    EditorFixture f;
    auto w = f.open();
    clickCell(*w, 3, 2);
    field(*w, "dalle")->setText(QStringLiteral("21:00"));
    field(*w, "costo1")->setText(QStringLiteral("3"));
    salva(*w);
    chooseFromList(*w, Beta);
    QCOMPARE(f.readProfile(Alfa).cell(3, 2).costo1, 3.0f);
    QCOMPARE(w->editor().currentName(), Beta);
    QVERIFY(!w->editor().isModified());
    QVERIFY(!tabDefault(*w)->isChecked()); // beta is not the default
    QCOMPARE(f.program.settings.tabDefault, Alfa);
    QCOMPARE(w->cellTexts(1, 0), (QStringList{"08.00", "24"}));
    QVERIFY(w->cellTexts(2, 0).isEmpty());
    // Choosing the default profile ticks the box again.
    chooseFromList(*w, Alfa);
    QVERIFY(tabDefault(*w)->isChecked());
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestTariffEditor::enterNewName_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("yes") << int(PbYes);
    QTest::newRow("no") << int(PbNo);
}

void TestTariffEditor::enterNewName()
{
    QFETCH(int, answer);
    EditorFixture f;
    auto w = f.open();
    f.prompt.answerNext(answer);
    typeAndEnter(*w, QStringLiteral("Nuova"));
    QCOMPARE(f.prompt.texts(), QStringList{"Creo la nuova tabella <Nuova> ?"});
    const QString path = f.profilePath(QStringLiteral("Nuova"));
    if (answer == PbYes) {
        QCOMPARE(QFileInfo(path).size(), qint64(TProfileFiles::FileSize));
        QCOMPARE(f.readProfile(QStringLiteral("Nuova")).toBytes(), TariffTable{}.toBytes());
        QCOMPARE(items(nometab(*w)), (QStringList{Alfa, Beta, "Casa", "Nuova"}));
        QCOMPARE(w->editor().currentName(), QStringLiteral("Nuova"));
        QVERIFY(!tabDefault(*w)->isChecked());
        QVERIFY(w->cellTexts(1, 0).isEmpty());
    } else {
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(items(nometab(*w)), (QStringList{Alfa, Beta, "Casa"}));
        QCOMPARE(w->editor().currentName(), Alfa);
        QVERIFY(tabDefault(*w)->isChecked());
        QCOMPARE(w->cellTexts(1, 0), (QStringList{"00.00", "12"}));
    }
    QCOMPARE(f.program.settings.tabDefault, Alfa);
}

void TestTariffEditor::enterOnDefaultNameClearsDefault()
{
    EditorFixture f;
    auto w = f.open();
    QVERIFY(tabDefault(*w)->isChecked());
    typeAndEnter(*w, Alfa);
    QVERIFY(!tabDefault(*w)->isChecked());
    QCOMPARE(f.program.settings.tabDefault, QString());
    w.reset();
    QCOMPARE(TSettingsStore(f.registry).tabDefault(), QString());
    QCOMPARE(TSettingsStore(f.registry).tabellaAttuale(), Alfa);
}

void TestTariffEditor::applicaTabellaSetsDefault()
{
    EditorFixture f;
    auto w = f.open();
    chooseFromList(*w, Beta);
    tabDefault(*w)->click();
    QCOMPARE(f.program.settings.tabDefault, Beta);
    w.reset();
    TSettingsStore store(f.registry);
    QCOMPARE(store.tabDefault(), Beta);
    QCOMPARE(store.tabellaAttuale(), Beta);
    QCOMPARE(f.program.settings.tabellaAttuale, Beta);
}

void TestTariffEditor::deleteProfile()
{
    EditorFixture f;
    auto w = f.open();
    // Unsaved changes of the deleted profile are dropped with it.
    clickCell(*w, 4, 0);
    salva(*w);
    QVERIFY(w->editor().isModified());

    f.prompt.answerNext(PbNo);
    child<QPushButton>(*w, "EliminaTabella")->click();
    const PromptRequest q = f.prompt.requests().first();
    QCOMPARE(q.text, QStringLiteral("Elimino la Tabella <Alfa> ?"));
    QCOMPARE(q.title, QStringLiteral("Conferma..."));
    QCOMPARE(q.defaultButton, int(PbNo));
    QVERIFY(QFileInfo::exists(f.profilePath(Alfa)));

    f.prompt.answerNext(PbYes);
    child<QPushButton>(*w, "EliminaTabella")->click();
    QVERIFY(!QFileInfo::exists(f.profilePath(Alfa)));
    QCOMPARE(items(nometab(*w)), (QStringList{Beta, "Casa"}));
    for (int row = 0; row < DayRows; ++row)
        for (int col = 1; col <= 7; ++col)
            QVERIFY(w->cellTexts(col, row).isEmpty());
    w.reset();
    QVERIFY(!QFileInfo::exists(f.profilePath(Alfa)));

    // A name that is not in the list is not asked about.
    auto w2 = f.open();
    f.prompt.clear();
    nometab(*w2)->setEditText(QStringLiteral("Altro"));
    child<QPushButton>(*w2, "EliminaTabella")->click();
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestTariffEditor::closingKeepsEditsApartFromSessionLoads()
{
    EditorFixture f;
    auto w = f.open();
    clickCell(*w, 6, 1);
    field(*w, "dalle")->setText(QStringLiteral("23:00"));
    field(*w, "costo1")->setText(QStringLiteral("1"));
    salva(*w);
    // A session starting now loads another profile into the working profile.
    TariffTable other;
    fixtures::setBand(other, 1, 0, 0, 0, 99);
    f.program.profiles.working = other;
    QCOMPARE(w->cellTexts(6, 1), (QStringList{"23.00", "1,2"}));
    QCOMPARE(w->cellTexts(1, 0), (QStringList{"00.00", "12"}));
    const TariffTable edited = w->editor().own().working;
    w.reset();
    // Closing saves the edited profile under its own name and leaves it as
    // the working profile.
    QCOMPARE(f.readProfile(Alfa).toBytes(), edited.toBytes());
    QCOMPARE(f.program.profiles.working.toBytes(), edited.toBytes());
}

// Closing saves the edits; on a full disk the save fails and the window stays
// open with them, for another try once there is room, or until the user
// chooses to leave without them.
void TestTariffEditor::failedSaveOnCloseKeepsEdits_data()
{
    QTest::addColumn<bool>("leave");
    QTest::newRow("tried again once there is room") << false;
    QTest::newRow("left without the edits") << true;
}

void TestTariffEditor::failedSaveOnCloseKeepsEdits()
{
    QFETCH(bool, leave);
    QTemporaryDir dir;
    const QByteArray disk = QFile::encodeName(dir.filePath(QStringLiteral("disco")));
    QVERIFY(QDir().mkpath(QFile::decodeName(disk)));
    // A private mount namespace for this thread, then a 64 KiB disk.
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("a private tmpfs cannot be mounted here (needs root and mount rights)");
    const auto unmount = qScopeGuard([&] { ::umount2(disk.constData(), MNT_DETACH); });

    ProgramFixture f(ProgramFixture::Options().inFolder(QFile::decodeName(disk)));
    Program& program = f.program;
    TariffProfiles p;
    p.working = fixtures::evening();
    QVERIFY(TProfileFiles(p, program.programFolder, f.prompt).SaveProfile(Alfa));
    TSettingsStore(f.registry).setTabellaAttuale(Alfa);
    const QString path = program.path(QStringLiteral("Trf/Alfa.trf"));
    const QByteArray before = testsupport::readFileBytes(path);
    QFile filler(program.path(QStringLiteral("riempitivo")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'f')) == 4096) {
    }
    filler.close();

    auto w = std::make_unique<TfTariffe>(tariffeContext(program));
    w->show();
    QCoreApplication::processEvents(); // the opening runs once the window is up
    clickCell(*w, 6, 1);
    field(*w, "dalle")->setText(QStringLiteral("23:00"));
    field(*w, "costo1")->setText(QStringLiteral("1"));
    salva(*w);
    QVERIFY(w->editor().isModified());
    f.prompt.answerNext(PbOk);
    f.prompt.answerNext(leave ? PbYes : PbNo);
    child<QPushButton>(*w, "Chiudi")->click();
    QCOMPARE(f.prompt.texts(),
             (QStringList{QStringLiteral("Impossibile salvare la tabella <Alfa>.\r"
                                         "scrittura: spazio esaurito sul dispositivo"),
                          TfTariffe::leaveWithoutSavingText(Alfa)}));
    QCOMPARE(testsupport::readFileBytes(path), before);
    if (leave) {
        QVERIFY(!w->isVisible());
        w.reset();
        QCOMPARE(testsupport::readFileBytes(path), before);
        return;
    }
    QVERIFY(w->isVisible());
    QVERIFY(w->editor().isModified());
    QCOMPARE(w->cellTexts(6, 1), (QStringList{"23.00", "1,2"}));

    QVERIFY(filler.remove());
    f.prompt.clear();
    child<QPushButton>(*w, "Chiudi")->click();
    QVERIFY(!w->isVisible());
    QVERIFY(f.prompt.texts().isEmpty());
    const TariffTable edited = w->editor().own().working;
    QCOMPARE(testsupport::readFileBytes(path), TProfileFiles::fileBytes(p.header, edited));
}

void TestTariffEditor::unshowableStartTime()
{
    EditorFixture f;
    TariffTable t = fixtures::evening();
    t.cell(1, 0).dalle = std::numeric_limits<double>::infinity();
    f.saveProfile(Alfa, t);
    auto w = f.open();
    QCOMPARE(f.prompt.texts(), QStringList{"Data Errata !"});
    QCOMPARE(f.prompt.requests().first().title, QStringLiteral("Errore..."));
    QCOMPARE(f.prompt.requests().first().icon, PromptIcon::Error);
}

void TestTariffEditor::helpPage()
{
    EditorFixture f;
    auto w = f.open();
    THelpKey* help = child<THelpKey>(w.get(), {});
    QVERIFY(help);
    help->showHelp();
    QCOMPARE(f.shell.opened.size(), 1);
    QVERIFY(f.shell.opened.first().endsWith(QStringLiteral("hlp/profilitar.htm")));
}

QTEST_MAIN(TestTariffEditor)
#include "tst_tariffeditor.moc"
