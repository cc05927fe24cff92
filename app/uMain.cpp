#include "app/uMain.h"

#include "app/ClockSync.h"
#include "app/Program.h"
#include "app/UpdateCheck.h"
#include "app/WindowContexts.h"
#include "app/uPopup.h"
#include "archive/uConn.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "dialup/uAutoDial.h"
#include "dialup/uStato.h"
#include "options/uSett.h"
#include "platform/clock/LinuxClockSetter.h"
#include "platform/gui/Artwork.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/TrayIcon.h"
#include "platform/system/Shell.h"
#include "tariff/uCtar.h"
#include "tariff/uTariffe.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

#include <algorithm>
#include <cstdio>

namespace
{

constexpr int BarWidth = 300;
constexpr int BarWidthIconsHidden = 195;
constexpr int BarHeight = 25;
constexpr int FieldHeight = 17;
// The cost field's design widths: in the full bar, and alone in the bar.
constexpr int CostoWidth = 45;
constexpr int CostoWideWidth = 59;
// Room a field's text needs besides the text and the field's frame.
constexpr int FieldPadding = 4;
constexpr int SlideIntervalMs = 50;
constexpr int ClockIntervalMs = 2000;
constexpr int CycleIntervalMs = 5000;
constexpr int SlideStep = 5;
constexpr int PanelSlidWidth = 5;   // at or below this the clock is uncovered
constexpr int PanelCoverWidth = 53; // at or above this the clock is covered
// The separator's place when a layout has no room for it.
constexpr int OutOfSight = 800;
const QString BarCaption = QStringLiteral("Tarvelo !");

struct DisplayModeItem {
    int mode;
    const char* name;
    const char* caption;
};
// In menu order; the values are those of "TipoVisualiz".
constexpr DisplayModeItem DisplayModeItems[] = {
    {1, "Normale1", "&Normale"},
    {2, "Minima1", "&Minima"},
    {3, "Ridottoadicona2", "&Ridotto ad icona"},
    {7, "Ciclica1", "&Ciclica"},
    {4, "SoloTempo1", "Solo &Tempo"},
    {5, "SoloCosto1", "Solo &Costo"},
    {6, "SoloOrologio1", "Solo &Orologio"},
};

QFont fieldFont()
{
    QFont f(QStringLiteral("Sans Serif"), 8, QFont::Bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QLabel* field(QWidget* parent, const char* name, const QString& text, int x, int width)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, 2, width, 17);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setLineWidth(1);
    l->setAlignment(Qt::AlignCenter);
    l->setTextFormat(Qt::PlainText);
    l->setFont(fieldFont());
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
    l->setPalette(pal);
    return l;
}

QToolButton* speedButton(QWidget* parent, const char* name, int x, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 3, 15, 15);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(13, 13));
    b->setToolTip(hint);
    return b;
}

QPixmap ledPixmap(const QColor& colour)
{
    QPixmap pm(5, 5);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(0, 0, 5, 5));
    return pm;
}

} // namespace

TfMain::TfMain(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_program(program), m_watch(program.watchContext(), *this),
      m_clockSetter(std::make_unique<LinuxClockSetter>())
{
    m_updateCheck = std::make_unique<UpdateCheck>(
        UpdateCheckContext{program.settings, program.version, program.programFolder, program.clock,
                           program.prompt, program.shell});
    m_clockSync = std::make_unique<ClockSync>(ClockSyncContext{
        program.watch, program.connRecords, program.clock, program.prompt, *m_clockSetter,
        program.settings, [this] { m_watch.sessionStartMoved(); }});
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(BarCaption);
    resize(BarWidth, BarHeight);
    createControls();
    createPopSem();

    m_ctrlTimer.setObjectName(QStringLiteral("CtrlTimer"));
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_ctrlTimer.setInterval(1); // the first tick comes at once, then every second
    m_timer1.setInterval(1000);
    m_timer2.setInterval(1000);
    connect(&m_ctrlTimer, &QTimer::timeout, this, &TfMain::CtrlTimerTimer);
    connect(&m_timer1, &QTimer::timeout, this, &TfMain::Timer1Timer);
    connect(&m_timer2, &QTimer::timeout, this, &TfMain::Timer2Timer);
    m_slideTimer.setObjectName(QStringLiteral("SlideTimer"));
    m_clockTimer.setObjectName(QStringLiteral("ClockTimer"));
    m_cycleTimer.setObjectName(QStringLiteral("CycleTimer"));
    m_slideTimer.setInterval(SlideIntervalMs);
    m_clockTimer.setInterval(ClockIntervalMs);
    m_cycleTimer.setInterval(CycleIntervalMs);
    connect(&m_slideTimer, &QTimer::timeout, this, &TfMain::SlideTimerTimer);
    connect(&m_clockTimer, &QTimer::timeout, this, &TfMain::ClockTimerTimer);
    connect(&m_cycleTimer, &QTimer::timeout, this, &TfMain::CycleTimerTimer);

    m_tray = new TTrayIcon(artwork::programIcon(), this);
    m_tray->setMenu(m_popSem);
    connect(m_tray, &TTrayIcon::rightClicked, this, &TfMain::restoreTopmost);
    connect(m_tray, &TTrayIcon::activated, this, [this] {
        restoreTopmost();
        if (!m_windows.fStop)
            showBar();
    });

    new THelpKey(this, m_program.shell, m_program.prompt, m_program.dataFolder,
                 QStringLiteral("index.htm"));

    formCreate();
}

TfMain::~TfMain()
{
    if (!m_ended)
        shutdown(false);
}

void TfMain::createControls()
{
    m_panel5 = new QLabel(this);
    m_panel5->setObjectName(QStringLiteral("Panel5"));
    m_panel5->setGeometry(0, 0, BarWidth, BarHeight);
    m_panel5->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_panel5->setLineWidth(1);
    m_panel5->setScaledContents(true);
    m_panel5->setPixmap(artwork::barBackground(BarWidth, BarHeight));

    m_sem = new QLabel(m_panel5);
    m_sem->setObjectName(QStringLiteral("sem"));
    m_sem->setGeometry(2, 4, artwork::TrafficLightSize, artwork::TrafficLightSize);
    m_sem->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sem, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_popSem->popup(m_sem->mapToGlobal(pos)); });

    m_autLight = new QLabel(m_panel5);
    m_autLight->setObjectName(QStringLiteral("autLight"));
    m_autLight->setGeometry(18, 10, 5, 5);
    setAutLight(true);

    // The clock lies under the sliding panel, which uncovers it.
    m_nascosto = field(m_panel5, "Nascosto", QStringLiteral("00.00"), 31, 48);

    m_panel1 = new QFrame(m_panel5);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setGeometry(26, 2, 54, 17);
    m_panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_panel1->setLineWidth(1);
    m_panel1->setAutoFillBackground(true);
    m_image5 = new QLabel(m_panel1);
    m_image5->setObjectName(QStringLiteral("Image5"));
    m_image5->setGeometry(1, 1, 15, 15);
    m_image5->setPixmap(artwork::programPixmap(14));
    m_sb6 = new QLabel(QStringLiteral("Tarvelo!"), m_panel1);
    m_sb6->setObjectName(QStringLiteral("sb6"));
    m_sb6->setGeometry(16, 1, 37, 15);
    m_sb6->setTextFormat(Qt::PlainText);
    QFont small(QStringLiteral("Sans Serif"), 6, QFont::Bold);
    small.setStyleHint(QFont::SansSerif);
    m_sb6->setFont(small);

    m_tempo = field(m_panel5, "Tempo", QStringLiteral("00.00.00"), 82, 59);
    m_tempo->setToolTip(QStringLiteral("Totale n.d."));
    m_costo = field(m_panel5, "Costo", QStringLiteral("0"), 144, CostoWidth);

    m_speedButton3 =
        speedButton(m_panel5, "SpeedButton3", 194, QStringLiteral("Tabella Connessioni"));
    m_speedButton3->setIcon(artwork::glyph(artwork::Glyph::Archive));
    m_speedButton4 =
        speedButton(m_panel5, "SpeedButton4", 210, QStringLiteral("Profili tariffari"));
    m_speedButton4->setIcon(artwork::glyph(artwork::Glyph::Tariffs));
    m_sett = speedButton(m_panel5, "Sett", 226, QStringLiteral("Opzioni"));
    m_sett->setIcon(artwork::glyph(artwork::Glyph::Options));
    m_speedButton5 = speedButton(m_panel5, "SpeedButton5", 246, QStringLiteral("Riduci a icona"));
    m_speedButton5->setText(QStringLiteral("!!!"));
    m_speedButton5->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_speedButton5->setFont(small);
    m_speedButton2 = speedButton(m_panel5, "SpeedButton2", 262,
                                 QStringLiteral("Tenere premuto e muovere il mouse"));
    m_speedButton2->setIcon(artwork::glyph(artwork::Glyph::Drag));
    m_speedButton1 = speedButton(m_panel5, "SpeedButton1", 278, QStringLiteral("Esci"));
    m_speedButton1->setIcon(artwork::glyph(artwork::Glyph::Quit));

    m_bevel2 = new QFrame(m_panel5);
    m_bevel2->setObjectName(QStringLiteral("Bevel2"));
    m_bevel2->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    m_bevel2->setGeometry(294, 2, 2, 21);

    connect(m_speedButton3, &QToolButton::clicked, this, &TfMain::openArchive);
    connect(m_speedButton4, &QToolButton::clicked, this, &TfMain::openTariffEditor);
    connect(m_sett, &QToolButton::clicked, this, [this] {
        if (!m_dragMoved) // a drag by this button is not a click
            openOptions();
    });
    connect(m_speedButton5, &QToolButton::clicked, this, &TfMain::hideBar);
    connect(m_speedButton1, &QToolButton::clicked, this, &TfMain::quit);

    for (QWidget* w : {static_cast<QWidget*>(m_sem), static_cast<QWidget*>(m_image5),
                       static_cast<QWidget*>(m_sb6), static_cast<QWidget*>(m_costo),
                       static_cast<QWidget*>(m_speedButton2), static_cast<QWidget*>(m_sett)})
        w->installEventFilter(this);
}

void TfMain::createPopSem()
{
    m_popSem = new QMenu(this);
    m_popSem->setObjectName(QStringLiteral("PopSem"));
    connect(m_popSem, &QMenu::aboutToShow, this, &TfMain::PopSemPopup);

    auto item = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto separator = [this](const char* name) {
        m_popSem->addSeparator()->setObjectName(QLatin1String(name));
    };

    m_autoInt1 = item(m_popSem, "AutoInt1", QStringLiteral("&Manuale"));
    connect(m_autoInt1, &QAction::triggered, this, &TfMain::AutoInt1Click);
    separator("N1");
    connect(item(m_popSem, "Tabellaconnessioni1", QStringLiteral("&Tabella connessioni")),
            &QAction::triggered, this, &TfMain::openArchive);
    connect(item(m_popSem, "Profilitariffari1", QStringLiteral("&Profili tariffari")),
            &QAction::triggered, this, &TfMain::openTariffEditor);
    connect(item(m_popSem, "Opzioni1", QStringLiteral("&Opzioni")), &QAction::triggered, this,
            [this] { openOptions(); });
    separator("N2");
    m_cambiatariffa1 = item(m_popSem, "cambiatariffa1", QStringLiteral("C&ambia Tariffa"));
    connect(m_cambiatariffa1, &QAction::triggered, this, [this] { m_watch.cambiatariffa1Click(); });
    separator("N3");
    connect(item(m_popSem, "Riduciadicona1", QStringLiteral("&Riduci ad icona")),
            &QAction::triggered, this, &TfMain::hideBar);
    m_nascondiIcone1 = item(m_popSem, "NascondiIcone1", QStringLiteral("&Nascondi Icone"));
    connect(m_nascondiIcone1, &QAction::triggered, this, &TfMain::NascondiIcone1Click);

    auto* visualizza = new QMenu(QStringLiteral("&Visualizzazione"), m_popSem);
    visualizza->setObjectName(QStringLiteral("Visualizza1Menu"));
    QAction* visualizza1 = m_popSem->addMenu(visualizza);
    visualizza1->setObjectName(QStringLiteral("Visualizza1"));
    m_displayModes = new QActionGroup(this);
    m_displayModes->setExclusive(true);
    for (const DisplayModeItem& d : DisplayModeItems) {
        QAction* a = item(visualizza, d.name, QString::fromUtf8(d.caption));
        a->setCheckable(true);
        a->setData(d.mode);
        a->setChecked(d.mode == 1);
        m_displayModes->addAction(a);
        connect(a, &QAction::triggered, this, [this, mode = d.mode] { applyDisplayMode(mode); });
    }

    separator("N4");
    connect(item(m_popSem, "Chiudi1", QStringLiteral("&Chiudi")), &QAction::triggered, this,
            &TfMain::quit);
}

// Creation of the bar, in the order the rest of the program relies on.
void TfMain::formCreate()
{
    // 1. Topmost: the window flags given at construction.
    // 2. The bar goes back on top whenever the active application changes.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TfMain::restoreTopmost);
    // 3. No cycle timer yet; cycle position 1.
    m_cycleTimer.stop();
    m_cyclePos = 1;
    // 4. Icon and title.
    const QIcon icon = artwork::programIcon();
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    m_program.setApplicationTitle(QStringLiteral("Tarvelo!"));
    // 5. The traffic-light images are drawn on demand by artwork::trafficLight.
    // 6. The program folder was fixed when the program object was made; the
    //    settings key name is SettingsStore::RootKey.
    // 7. Settings, and the saved position.
    QString error;
    if (!m_program.loadSettings(&error))
        m_program.prompt.message(QStringLiteral("Problema con il file delle impostazioni:\r") +
                                     error,
                                 QStringLiteral("Errore..."), PromptIcon::Warning);
    move(m_program.settings.mainLeft, m_program.settings.mainTop);
    // 8. The archive file name ("Archivio.sto") and 9. its record size are
    //    constants of the archive (archive/ArchiveFile.h, archive/ConnRecord.h).
    m_program.watch.running = false;
    m_program.watch.connected = false;
    // 10.
    createHolidayCalendar();
    // 11. Light off until the watch's first tick.
    m_program.watch.lightImage = 0;
    showLight(0);
    // 12.
    watchOn();
    // 13.
    enumerateRasEntries();
    // 14.
    m_tray->add();
    // 15. The dialling state starts as "disconnected" with the dial-up layer;
    //     no dialler yet.
    m_windows.fAutoDial = nullptr;
    // 16.
    if (!m_program.settings.normWind)
        hideBar();
    // 17.
    setBarWidth(width());
    // 18.
    applyDisplayMode(m_program.settings.tipoVisualiz);
    // With its width known, the bar lies wholly on its screen.
    ensureOnScreen();
}

void TfMain::createHolidayCalendar()
{
    int year = 0, month = 0, day = 0;
    TflFestivi::splitDate(m_program.clock.now(), year, month, day);
    m_program.holidays = TflFestivi(uint16_t(year), &m_program.prompt);
}

void TfMain::enumerateRasEntries()
{
    m_program.dialUp.enumerateEntries(m_program.provider);
}

// A bar partly off its screen would leave buttons out of reach, and one saved
// on a monitor no longer attached the whole bar: the bar is pulled wholly
// onto the screen that holds most of it, or to the top left of the primary
// screen when no screen holds any of it.
void TfMain::ensureOnScreen()
{
    const QRect bar(pos(), QSize(width(), BarHeight));
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->geometry().intersected(bar);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > bestArea) {
            best = s;
            bestArea = area;
        }
    }
    if (!best) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            move(primary->availableGeometry().topLeft());
        return;
    }
    const QRect screen = best->geometry();
    const int x = std::clamp(bar.x(), screen.left(),
                             std::max(screen.left(), screen.right() + 1 - bar.width()));
    const int y = std::clamp(bar.y(), screen.top(),
                             std::max(screen.top(), screen.bottom() + 1 - bar.height()));
    if (QPoint(x, y) != pos())
        move(x, y);
}

// ---- Watch surface ----------------------------------------------------------

void TfMain::CtrlTimerTimer()
{
    if (m_ctrlTimer.interval() == 1) {
        // Starting the event loop may have shown a bar that should start hidden.
        if (!m_program.settings.normWind)
            hideBar();
        m_ctrlTimer.setInterval(1000);
    }
    m_watch.CtrlTimerTimer();
}

void TfMain::Timer1Timer()
{
    m_watch.Timer1Timer();
}

void TfMain::Timer2Timer()
{
    m_watch.Timer2Timer();
}

void TfMain::semClick()
{
    watchOn();
}

void TfMain::watchOn()
{
    m_watch.watchOn();
}

void TfMain::setTimerActive(WatchTimer timer, bool active)
{
    QTimer& t = timer == WatchTimer::Ctrl      ? m_ctrlTimer
                : timer == WatchTimer::Session ? m_timer1
                                               : m_timer2;
    // Starting a running timer would only shift its beat.
    if (!active)
        t.stop();
    else if (!t.isActive())
        t.start();
}

bool TfMain::endDialogOpen() const
{
    return !m_windows.fStop.isNull();
}

void TfMain::openEndDialog(const QString& light)
{
    TfStop::open(light, StopContext{m_program.connRecords, m_program.archive, m_program.prompt,
                                    this, &m_windows.fStop});
}

void TfMain::resetTimeAndCost()
{
    setTempoText(QStringLiteral("00.00.00"));
    setCostoText(QStringLiteral("0"));
}

void TfMain::requestUpdateSearch()
{
    // The watch asks on every connected tick while "AggAuto" is on; the search
    // itself runs once per run and never twice at a time.
    m_updateCheck->start();
}

void TfMain::closeMainBar()
{
    close();
    if (!m_ended) // close() on a window the platform never created still ends
        shutdown(true);
}

void TfMain::showLight(int index)
{
    m_shownLight = index;
    m_sem->setPixmap(artwork::trafficLight(index));
    m_sem->repaint();
}

void TfMain::setTempoText(const QString& text)
{
    m_tempo->setText(text);
}

void TfMain::setCostoText(const QString& text)
{
    m_costo->setText(text);
    // A cost too wide for its field gets room: the field widens and what
    // lies right of it moves along; a cost that fits again gives it back.
    const QFontMetrics fm(m_costo->font());
    const int needed = fm.horizontalAdvance(text) + 2 * m_costo->frameWidth() + FieldPadding;
    if (needed == m_costoNeeded)
        return;
    const int before = costoExtra(CostoWidth);
    const int beforeWide = costoExtra(CostoWideWidth);
    m_costoNeeded = needed;
    if (costoExtra(CostoWidth) != before || costoExtra(CostoWideWidth) != beforeWide)
        placeControls(m_program.settings.tipoVisualiz);
}

int TfMain::costoExtra(int designWidth) const
{
    return std::max(0, m_costoNeeded - designWidth);
}

QString TfMain::tempoText() const
{
    return m_tempo->text();
}

QString TfMain::costoText() const
{
    return m_costo->text();
}

void TfMain::setAutLight(bool green)
{
    m_autLightGreen = green;
    m_autLight->setPixmap(ledPixmap(green ? QColor(0, 200, 0) : QColor(220, 0, 0)));
    m_autLight->repaint();
}

void TfMain::showBar()
{
    show(); // and on top again: see showEvent
}

void TfMain::hideBar()
{
    hide();
}

void TfMain::restoreTopmost()
{
    if (isVisible())
        raise();
}

void TfMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    raise();
}

// The strip always has the bar's width. Set together, because a hidden
// window gets its resize event only when it is shown.
void TfMain::setBarWidth(int width)
{
    resize(width, BarHeight);
    m_panel5->resize(width, BarHeight);
    // A bar that grows near the screen's edge must not push buttons off it.
    if (isVisible())
        ensureOnScreen();
}

// ---- Menu -------------------------------------------------------------------

void TfMain::PopSemPopup()
{
    const WatchState& w = m_program.watch;
    m_cambiatariffa1->setEnabled(w.connected);
    for (QAction* a : m_displayModes->actions())
        if (a->data().toInt() == m_program.settings.tipoVisualiz)
            a->setChecked(true);
    if (w.connected) {
        m_autoInt1->setText(QStringLiteral("&Disconnetti"));
        m_autoInt1->setEnabled(true);
    } else {
        m_autoInt1->setText(QStringLiteral("&Connetti"));
        m_autoInt1->setEnabled(!w.running); // no dialling while a connection is being set up
    }
}

void TfMain::AutoInt1Click()
{
    m_watch.AutoInt1Click();
}

void TfMain::NascondiIcone1Click()
{
    if (m_program.settings.tipoVisualiz != 1)
        return;
    setIconsHidden(!m_program.settings.nascondiIcone);
}

// The buttons are hidden as well as left outside the narrowed bar, so that a
// window manager that widens small windows does not bring them back.
void TfMain::setIconsHidden(bool hidden)
{
    m_program.settings.nascondiIcone = hidden;
    m_nascondiIcone1->setText(hidden ? QStringLiteral("&Mostra Icone")
                                     : QStringLiteral("&Nascondi Icone"));
    for (QWidget* b :
         {m_speedButton3, m_speedButton4, m_sett, m_speedButton5, m_speedButton2, m_speedButton1})
        b->setVisible(!hidden);
    placeControls(1);
}

// Every layout starts from the design places and moves what it needs. A
// cost wider than its field widens the field, and what lies right of it
// moves along.
void TfMain::placeControls(int mode)
{
    const int extra = costoExtra(CostoWidth);
    const int wideExtra = costoExtra(CostoWideWidth);
    m_nascosto->setGeometry(31, 2, 48, FieldHeight);
    m_tempo->setGeometry(82, 2, 59, FieldHeight);
    m_costo->setGeometry(144, 2, CostoWidth + extra, FieldHeight);
    const std::pair<QToolButton*, int> buttons[] = {{m_speedButton3, 194}, {m_speedButton4, 210},
                                                    {m_sett, 226},         {m_speedButton5, 246},
                                                    {m_speedButton2, 262}, {m_speedButton1, 278}};
    for (const auto& [button, x] : buttons)
        button->move(x + extra, 3);
    m_bevel2->move(294 + extra, 2);

    int width = (m_program.settings.nascondiIcone ? BarWidthIconsHidden : BarWidth) + extra;
    switch (mode) {
    case 2:
        width = 45;
        m_speedButton2->move(26, 3);
        m_bevel2->move(39, 2);
        break;
    case 4:
        width = 118;
        m_tempo->move(31, 2);
        m_speedButton2->move(95, 3);
        m_bevel2->move(OutOfSight, 2);
        break;
    case 5:
        width = 118 + wideExtra;
        m_costo->setGeometry(31, 2, CostoWideWidth + wideExtra, FieldHeight);
        m_speedButton2->move(95 + wideExtra, 3);
        m_bevel2->move(OutOfSight, 2);
        break;
    case 6:
        width = 105;
        m_speedButton2->move(83, 3);
        m_bevel2->move(99, 2);
        break;
    case 7:
        width = 118 + wideExtra;
        m_nascosto->resize(59, FieldHeight);
        m_tempo->move(31, 2);
        m_costo->setGeometry(31, 2, CostoWideWidth + wideExtra, FieldHeight);
        m_speedButton2->move(95 + wideExtra, 3);
        m_bevel2->move(OutOfSight, 2);
        break;
    }
    setBarWidth(width);
}

void TfMain::applyDisplayMode(int mode)
{
    if (mode < 1 || mode > 7 || mode == 3)
        return;
    m_cycleTimer.stop();
    m_program.settings.tipoVisualiz = mode;
    m_nascondiIcone1->setEnabled(mode == 1);

    // What each mode leaves visible; everything else is hidden, not only
    // left outside the bar.
    QList<QWidget*> shown{m_sem, m_autLight, m_bevel2};
    bool slideAway = true;
    switch (mode) {
    case 1:
        shown << m_panel1 << m_nascosto << m_tempo << m_costo << m_speedButton3 << m_speedButton4
              << m_sett << m_speedButton5 << m_speedButton2 << m_speedButton1;
        slideAway = false;
        break;
    case 2: // a stub with the light and the drag handle
        shown << m_speedButton2;
        slideAway = false;
        break;
    case 4: // time only
        shown << m_panel1 << m_tempo << m_speedButton2;
        break;
    case 5: // cost only
        shown << m_panel1 << m_costo << m_speedButton2;
        break;
    case 6: // clock only
        shown << m_panel1 << m_nascosto << m_speedButton2;
        break;
    case 7: // clock, time and cost in turn, all in one place
        shown << m_panel1 << m_speedButton2;
        break;
    }
    for (QWidget* w :
         {static_cast<QWidget*>(m_panel1), static_cast<QWidget*>(m_nascosto),
          static_cast<QWidget*>(m_tempo), static_cast<QWidget*>(m_costo),
          static_cast<QWidget*>(m_speedButton3), static_cast<QWidget*>(m_speedButton4),
          static_cast<QWidget*>(m_sett), static_cast<QWidget*>(m_speedButton5),
          static_cast<QWidget*>(m_speedButton2), static_cast<QWidget*>(m_speedButton1)})
        w->setVisible(shown.contains(w));
    placeControls(mode);
    if (mode == 1)
        setIconsHidden(m_program.settings.nascondiIcone);

    if (slideAway) {
        // The modes that show a single field uncover the clock's place.
        m_panelSlidAway = false;
        slidePanelClick();
    } else if (mode == 1 && m_panelSlidAway) {
        // The normal bar has the panel over the clock, as designed.
        slidePanelClick();
    }

    if (mode == 7) {
        showCyclePosition();
        m_cycleTimer.start();
        if (!m_cycleTimer.isActive())
            m_program.prompt.message(
                QStringLiteral("Risorse Timer insufficienti. Scegli un tipo di "
                               "visualizzazione diverso."),
                QStringLiteral("Errore..."), PromptIcon::Error);
    }
    update();
}

void TfMain::CycleTimerTimer()
{
    m_cyclePos = m_cyclePos % 3 + 1;
    showCyclePosition();
}

void TfMain::showCyclePosition()
{
    m_nascosto->setVisible(m_cyclePos == 1);
    m_tempo->setVisible(m_cyclePos == 2);
    m_costo->setVisible(m_cyclePos == 3);
}

// A click while the panel is still moving turns it round from where it is.
void TfMain::slidePanelClick()
{
    m_panelSlidAway = !m_panelSlidAway;
    m_slideTimer.start();
}

void TfMain::SlideTimerTimer()
{
    const int width = m_panel1->width();
    if (m_panelSlidAway) {
        if (width > PanelSlidWidth) {
            m_panel1->resize(width - SlideStep, m_panel1->height());
            m_sb6->move(m_sb6->x() - SlideStep, m_sb6->y());
        } else {
            m_slideTimer.stop();
            m_clockTimer.start();
            ClockTimerTimer();
        }
    } else {
        if (width < PanelCoverWidth) {
            m_panel1->resize(width + SlideStep, m_panel1->height());
            m_sb6->move(m_sb6->x() + SlideStep, m_sb6->y());
        } else {
            m_slideTimer.stop();
            m_clockTimer.stop();
        }
    }
}

void TfMain::ClockTimerTimer()
{
    m_nascosto->setText(fmt::formatDateTime(QStringLiteral("hh:nn"), m_program.clock.now()));
}

void TfMain::showExtraInfo()
{
    hideExtraInfo(); // one whose release never arrived
    m_popup = new TfPopup(this);
    m_popup->fill(m_program.watch, m_program.connRecords.running, m_program.settings.cambioEcu);
    m_popup->popup();
}

void TfMain::hideExtraInfo()
{
    delete m_popup.data();
}

TfPopup* TfMain::extraInfo() const
{
    return m_popup;
}

// ---- Windows ----------------------------------------------------------------

void TfMain::openArchive()
{
    if (m_windows.fConn) {
        m_windows.fConn->raise();
        m_windows.fConn->activateWindow();
        return;
    }
    // Created in its slot, loaded with the archive, shown modally, destroyed.
    TfConn::open(connContext(m_program, &m_windows.fCtar), &m_windows.fConn, this);
}

void TfMain::openTariffEditor()
{
    // Modal, in its slot while it exists; closing it saves the shown profile
    // if modified and writes "TabellaAttuale" and "TabDefault".
    if (m_windows.fTariffe) {
        m_windows.fTariffe->activateWindow();
        return;
    }
    TfTariffe::open(tariffeContext(m_program), &m_windows.fTariffe, this);
}

void TfMain::openOptions(int page)
{
    SettHooks hooks;
    hooks.syncClock = [this] { m_clockSync->synchronise(); };
    hooks.startupShortcut = [this](bool on, QString* error) { return startupShortcut(on, error); };
    // The bar's own save puts its current position into the record first.
    hooks.saveSettings = [this](QString* error) { return saveSettings(error); };
    TfSett sett(settContext(m_program), std::move(hooks), page, this);
    m_windows.fSett = &sett;
    sett.exec();
    m_windows.fSett.clear();
}

bool TfMain::openAutoDial()
{
    // Created on first use and kept until it is closed (closing destroys it
    // and empties the slot); shown not modally.
    if (!m_windows.fAutoDial)
        m_windows.fAutoDial = new TfAutoDial(autoDialContext(m_program, m_watch, m_stato));
    QWidget* dialler = m_windows.fAutoDial;
    dialler->show();
    dialler->raise();
    dialler->activateWindow();
    return true;
}

void TfMain::openChangeTariff()
{
    if (m_windows.fCtar)
        return;
    // Modal, for the running connection; it reloads the session profile and
    // rebuilds the session schedule from the unchanged start itself.
    TfCtar::openForRunning(ctarContext(m_program), &m_windows.fCtar, this);
}

void TfMain::barRightClick()
{
    if (!m_windows.fSett)
        openOptions(OptionsMenuPage);
}

void TfMain::contextMenuEvent(QContextMenuEvent* event)
{
    barRightClick();
    event->accept();
}

void TfMain::help()
{
    THelpKey::showHelp(m_program.shell, m_program.prompt, m_program.dataFolder,
                       QStringLiteral("index.htm"));
}

bool TfMain::startupShortcut(bool startWithSystem, QString* error)
{
    return m_program.shell.setStartupShortcut(startWithSystem, error);
}

// ---- Mouse on the bar's controls --------------------------------------------

bool TfMain::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    const bool leftRelease = type == QEvent::MouseButtonRelease &&
                             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == m_sem && leftRelease)
        semClick();
    else if ((watched == m_image5 || watched == m_sb6) && leftRelease)
        slidePanelClick();
    else if (watched == m_costo) {
        if (type == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            showExtraInfo();
        else if (type == QEvent::MouseButtonRelease)
            hideExtraInfo();
    } else if (watched == m_speedButton2 || watched == m_sett)
        dragEvent(event);
    return QWidget::eventFilter(watched, event);
}

// The bar has no frame: it is moved by holding the drag handle (or the
// options button) and moving the mouse.
void TfMain::dragEvent(QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return;
    auto* e = static_cast<QMouseEvent*>(event);
    const QPoint global = e->globalPosition().toPoint();
    if (type == QEvent::MouseButtonPress && e->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragMoved = false;
        m_dragPress = global;
        m_dragOffset = global - pos();
    } else if (type == QEvent::MouseMove && m_dragging) {
        move(global - m_dragOffset);
        if ((global - m_dragPress).manhattanLength() >= QApplication::startDragDistance())
            m_dragMoved = true;
    } else if (type == QEvent::MouseButtonRelease) {
        m_dragging = false;
    }
}

// ---- Ending -----------------------------------------------------------------

void TfMain::quit()
{
    if (m_program.watch.running)
        return; // the session must be ended first
    if (m_windows.fAutoDial) {
        // A dialler in the middle of a dial refuses to close: then the program
        // does not end either (deleting it would pull the window from under
        // its own running dial).
        if (!m_windows.fAutoDial->close())
            return;
        delete m_windows.fAutoDial.data();
    }
    closeMainBar();
}

void TfMain::closeEvent(QCloseEvent* event)
{
    // The window is never just closed: closing it ends the program.
    event->ignore();
    shutdown(true);
}

bool TfMain::saveSettings(QString* error)
{
    m_program.settings.mainTop = y();
    m_program.settings.mainLeft = x();
    return m_program.saveSettings(error);
}

void TfMain::shutdown(bool interactive)
{
    if (m_ended)
        return;
    m_ended = true;
    m_ctrlTimer.stop();
    m_timer1.stop();
    m_timer2.stop();
    m_slideTimer.stop();
    m_clockTimer.stop();
    m_cycleTimer.stop();
    hideExtraInfo();
    QString error;
    if (!saveSettings(&error)) {
        const QString text = QStringLiteral("Impossibile salvare le impostazioni.\r") + error;
        if (interactive)
            m_program.prompt.message(text, QStringLiteral("Errore..."), PromptIcon::Error);
        else
            std::fprintf(stderr, "Tarvelo!: %s\n", qPrintable(QString(text).replace('\r', ' ')));
    }
    m_tray->remove();
    emit programEnded();
}
