#include "app/uMain.h"

#include "app/ClockSync.h"
#include "app/Program.h"
#include "app/UpdateCheck.h"
#include "app/uPopup.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "options/uSett.h"
#include "platform/gui/Artwork.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/TrayIcon.h"
#include "platform/system/Shell.h"

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
constexpr int BarHeight = BarLayout::Height;
// Room a field's text needs besides the text and the field's frame.
constexpr int FieldPadding = 4;
constexpr int SlideIntervalMs = 50;
constexpr int ClockIntervalMs = 2000;
constexpr int CycleIntervalMs = 5000;
const QString BarCaption = QStringLiteral("Tarvelo !");

struct DisplayModeItem {
    DisplayMode mode;
    const char* name;
    const char* caption;
};
// In menu order.
constexpr DisplayModeItem DisplayModeItems[] = {
    {DisplayMode::Normal, "Normale1", "&Normale"},
    {DisplayMode::Minimal, "Minima1", "&Minima"},
    {DisplayMode::Iconised, "Ridottoadicona2", "&Ridotto ad icona"},
    {DisplayMode::Cyclic, "Ciclica1", "&Ciclica"},
    {DisplayMode::TimeOnly, "SoloTempo1", "Solo &Tempo"},
    {DisplayMode::CostOnly, "SoloCosto1", "Solo &Costo"},
    {DisplayMode::ClockOnly, "SoloOrologio1", "Solo &Orologio"},
};

// The buttons, and what hiding the icons hides.
constexpr BarControl Buttons[] = {BarControl::ArchiveButton, BarControl::TariffsButton,
                                  BarControl::OptionsButton, BarControl::IconiseButton,
                                  BarControl::DragHandle,    BarControl::QuitButton};

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

TfMain::TfMain(Program& program, IClockSetter& clockSetter, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_program(program), m_watch(program.watchContext(), *this),
      m_windows(program, m_watch, *this, this)
{
    m_updateCheck = std::make_unique<TUpdateCheck>(
        UpdateCheckContext{program.settings, program.version, program.programFolder, program.clock,
                           program.prompt, program.shell});
    m_clockSync = std::make_unique<TClockSync>(
        ClockSyncContext{program.watch, program.connRecords, program.clock, program.prompt,
                         clockSetter, program.settings, [this] { m_watch.sessionStartMoved(); }});
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(BarCaption);
    resize(BarWidth, BarHeight);
    createControls();
    createPopSem();

    m_watchTimer.setObjectName(QStringLiteral("CtrlTimer"));
    m_sessionTimer.setObjectName(QStringLiteral("Timer1"));
    m_blinkTimer.setObjectName(QStringLiteral("Timer2"));
    m_watchTimer.setInterval(1); // the first tick comes at once, then every second
    m_sessionTimer.setInterval(1000);
    m_blinkTimer.setInterval(1000);
    connect(&m_watchTimer, &QTimer::timeout, this, &TfMain::watchTick);
    connect(&m_sessionTimer, &QTimer::timeout, this, &TfMain::sessionTick);
    connect(&m_blinkTimer, &QTimer::timeout, this, &TfMain::blinkTick);
    m_slideTimer.setObjectName(QStringLiteral("SlideTimer"));
    m_clockTimer.setObjectName(QStringLiteral("ClockTimer"));
    m_cycleTimer.setObjectName(QStringLiteral("CycleTimer"));
    m_slideTimer.setInterval(SlideIntervalMs);
    m_clockTimer.setInterval(ClockIntervalMs);
    m_cycleTimer.setInterval(CycleIntervalMs);
    connect(&m_slideTimer, &QTimer::timeout, this, &TfMain::slideTick);
    connect(&m_clockTimer, &QTimer::timeout, this, &TfMain::clockTick);
    connect(&m_cycleTimer, &QTimer::timeout, this, &TfMain::cycleTick);

    m_tray = new TTrayIcon(artwork::programIcon(), this);
    m_tray->setMenu(m_popSem);
    connect(m_tray, &TTrayIcon::rightClicked, this, &TfMain::restoreTopmost);
    connect(m_tray, &TTrayIcon::activated, this, [this] {
        restoreTopmost();
        if (!m_windows.endDialogOpen())
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
    m_strip = new QLabel(this);
    m_strip->setObjectName(QStringLiteral("Panel5"));
    m_strip->setGeometry(0, 0, BarWidth, BarHeight);
    m_strip->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_strip->setLineWidth(1);
    m_strip->setScaledContents(true);
    m_strip->setPixmap(artwork::barBackground(BarWidth, BarHeight));

    m_sem = new QLabel(m_strip);
    m_sem->setObjectName(QStringLiteral("sem"));
    m_sem->setGeometry(2, 4, artwork::TrafficLightSize, artwork::TrafficLightSize);
    m_sem->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sem, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_popSem->popup(m_sem->mapToGlobal(pos)); });

    m_autLight = new QLabel(m_strip);
    m_autLight->setObjectName(QStringLiteral("autLight"));
    m_autLight->setGeometry(18, 10, 5, 5);
    setAutLight(true);

    // The clock lies under the sliding panel, which uncovers it.
    m_nascosto = field(m_strip, "Nascosto", QStringLiteral("00.00"), 31, 48);

    m_slidingPanel = new QFrame(m_strip);
    m_slidingPanel->setObjectName(QStringLiteral("Panel1"));
    m_slidingPanel->setGeometry(26, 2, 54, 17);
    m_slidingPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_slidingPanel->setLineWidth(1);
    m_slidingPanel->setAutoFillBackground(true);
    m_panelImage = new QLabel(m_slidingPanel);
    m_panelImage->setObjectName(QStringLiteral("Image5"));
    m_panelImage->setGeometry(1, 1, 15, 15);
    m_panelImage->setPixmap(artwork::programPixmap(14));
    m_panelCaption = new QLabel(QStringLiteral("Tarvelo!"), m_slidingPanel);
    m_panelCaption->setObjectName(QStringLiteral("sb6"));
    m_panelCaption->setGeometry(16, 1, 37, 15);
    m_panelCaption->setTextFormat(Qt::PlainText);
    QFont small(QStringLiteral("Sans Serif"), 6, QFont::Bold);
    small.setStyleHint(QFont::SansSerif);
    m_panelCaption->setFont(small);

    m_tempo = field(m_strip, "Tempo", QStringLiteral("00.00.00"), 82, 59);
    m_tempo->setToolTip(QStringLiteral("Totale n.d."));
    m_costo = field(m_strip, "Costo", QStringLiteral("0"), 144, BarLayout::CostoWidth);

    m_archiveButton =
        speedButton(m_strip, "SpeedButton3", 194, QStringLiteral("Tabella Connessioni"));
    m_archiveButton->setIcon(artwork::glyph(artwork::Glyph::Archive));
    m_tariffsButton =
        speedButton(m_strip, "SpeedButton4", 210, QStringLiteral("Profili tariffari"));
    m_tariffsButton->setIcon(artwork::glyph(artwork::Glyph::Tariffs));
    m_optionsButton = speedButton(m_strip, "Sett", 226, QStringLiteral("Opzioni"));
    m_optionsButton->setIcon(artwork::glyph(artwork::Glyph::Options));
    m_iconiseButton = speedButton(m_strip, "SpeedButton5", 246, QStringLiteral("Riduci a icona"));
    m_iconiseButton->setText(QStringLiteral("!!!"));
    m_iconiseButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_iconiseButton->setFont(small);
    m_dragHandle = speedButton(m_strip, "SpeedButton2", 262,
                               QStringLiteral("Tenere premuto e muovere il mouse"));
    m_dragHandle->setIcon(artwork::glyph(artwork::Glyph::Drag));
    m_quitButton = speedButton(m_strip, "SpeedButton1", 278, QStringLiteral("Esci"));
    m_quitButton->setIcon(artwork::glyph(artwork::Glyph::Quit));

    m_separator = new QFrame(m_strip);
    m_separator->setObjectName(QStringLiteral("Bevel2"));
    m_separator->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    m_separator->setGeometry(294, 2, 2, 21);

    connect(m_archiveButton, &QToolButton::clicked, this, &TfMain::openArchive);
    connect(m_tariffsButton, &QToolButton::clicked, this, &TfMain::openTariffEditor);
    connect(m_optionsButton, &QToolButton::clicked, this, [this] {
        if (!m_dragMoved) // a drag by this button is not a click
            openOptions();
    });
    connect(m_iconiseButton, &QToolButton::clicked, this, &TfMain::hideBar);
    connect(m_quitButton, &QToolButton::clicked, this, &TfMain::quit);

    for (QWidget* w : {static_cast<QWidget*>(m_sem), static_cast<QWidget*>(m_panelImage),
                       static_cast<QWidget*>(m_panelCaption), static_cast<QWidget*>(m_costo),
                       static_cast<QWidget*>(m_dragHandle), static_cast<QWidget*>(m_optionsButton)})
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
        a->setData(int(d.mode));
        a->setChecked(d.mode == DisplayMode::Normal);
        m_displayModes->addAction(a);
        connect(a, &QAction::triggered, this,
                [this, mode = d.mode] { applyStoredDisplayMode(int32_t(mode)); });
    }

    separator("N4");
    connect(item(m_popSem, "Chiudi1", QStringLiteral("&Chiudi")), &QAction::triggered, this,
            &TfMain::quit);
}

// Creation of the bar: the settings come before the watch starts (they hold
// its mode and the dial time), the watch before the tray offers its menu,
// and the display mode last, once the bar's width is known.
void TfMain::formCreate()
{
    // The bar goes back on top whenever the active application changes.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TfMain::restoreTopmost);
    m_cycleTimer.stop();
    m_cyclePart = CyclePart::Clock;
    const QIcon icon = artwork::programIcon();
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    m_program.setApplicationTitle(QStringLiteral("Tarvelo!"));
    QString error;
    if (!m_program.prepare(&error))
        m_program.prompt.message(QStringLiteral("Problema con il file delle impostazioni:\r") +
                                     error,
                                 QStringLiteral("Errore..."), PromptIcon::Warning);
    // The bar where it was left.
    move(m_program.settings.mainLeft, m_program.settings.mainTop);
    showLight(lightIndex(m_program.watch.lightImage)); // off until the watch's first tick
    watchOn();
    m_tray->add();
    // Started iconised ("NormWind" off): the bar stays hidden.
    if (!m_program.settings.normWind)
        hideBar();
    setBarWidth(width());
    // The saved display mode decides what the bar shows.
    applyStoredDisplayMode(m_program.settings.tipoVisualiz);
    // With its width known, the bar lies wholly on its screen.
    ensureOnScreen();
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

void TfMain::watchTick()
{
    if (m_watchTimer.interval() == 1) {
        // Starting the event loop may have shown a bar that should start hidden.
        if (!m_program.settings.normWind)
            hideBar();
        m_watchTimer.setInterval(1000);
    }
    m_watch.watchTick();
}

void TfMain::sessionTick()
{
    m_watch.sessionTick();
}

void TfMain::blinkTick()
{
    m_watch.blinkTick();
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
    QTimer& t = timer == WatchTimer::Ctrl      ? m_watchTimer
                : timer == WatchTimer::Session ? m_sessionTimer
                                               : m_blinkTimer;
    // Starting a running timer would only shift its beat.
    if (!active)
        t.stop();
    else if (!t.isActive())
        t.start();
}

bool TfMain::endDialogOpen() const
{
    return m_windows.endDialogOpen();
}

void TfMain::openEndDialog(Light light)
{
    m_windows.openEndDialog(light);
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
    const DisplayMode mode =
        displayModeOf(m_program.settings.tipoVisualiz).value_or(DisplayMode::Normal);
    const BarLayout before = layoutOf(mode);
    m_costoNeeded = needed;
    const BarLayout after = layoutOf(mode);
    if (after.places != before.places || after.width != before.width)
        placeControls(mode);
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
    m_strip->resize(width, BarHeight);
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
    if (m_program.settings.tipoVisualiz != int32_t(DisplayMode::Normal))
        return;
    setIconsHidden(!m_program.settings.nascondiIcone);
}

QWidget* TfMain::control(BarControl c) const
{
    switch (c) {
    case BarControl::Sem:
        return m_sem;
    case BarControl::AutLight:
        return m_autLight;
    case BarControl::Panel1:
        return m_slidingPanel;
    case BarControl::Nascosto:
        return m_nascosto;
    case BarControl::Tempo:
        return m_tempo;
    case BarControl::Costo:
        return m_costo;
    case BarControl::ArchiveButton:
        return m_archiveButton;
    case BarControl::TariffsButton:
        return m_tariffsButton;
    case BarControl::OptionsButton:
        return m_optionsButton;
    case BarControl::IconiseButton:
        return m_iconiseButton;
    case BarControl::DragHandle:
        return m_dragHandle;
    case BarControl::QuitButton:
        return m_quitButton;
    case BarControl::Separator:
        return m_separator;
    case BarControl::Count:
        break;
    }
    return nullptr;
}

BarLayout TfMain::layoutOf(DisplayMode mode) const
{
    return barLayout(mode, m_program.settings.nascondiIcone, m_costoNeeded);
}

// The buttons are hidden as well as left outside the narrowed bar, so that a
// window manager that widens small windows does not bring them back.
void TfMain::setIconsHidden(bool hidden)
{
    m_program.settings.nascondiIcone = hidden;
    m_nascondiIcone1->setText(hidden ? QStringLiteral("&Mostra Icone")
                                     : QStringLiteral("&Nascondi Icone"));
    const BarLayout layout = layoutOf(DisplayMode::Normal);
    for (BarControl b : Buttons)
        control(b)->setVisible(layout.isShown(b));
    placeControls(DisplayMode::Normal);
}

void TfMain::placeControls(DisplayMode mode)
{
    const BarLayout layout = layoutOf(mode);
    for (BarControl c : {BarControl::Nascosto, BarControl::Tempo, BarControl::Costo})
        control(c)->setGeometry(layout.place(c));
    for (BarControl b : Buttons)
        control(b)->move(layout.place(b).topLeft());
    m_separator->move(layout.place(BarControl::Separator).topLeft());
    setBarWidth(layout.width);
}

void TfMain::applyStoredDisplayMode(int32_t stored)
{
    if (const std::optional<DisplayMode> mode = displayModeOf(stored))
        applyDisplayMode(*mode);
}

void TfMain::applyDisplayMode(DisplayMode mode)
{
    if (mode == DisplayMode::Iconised)
        return;
    m_cycleTimer.stop();
    m_program.settings.tipoVisualiz = int32_t(mode);
    m_nascondiIcone1->setEnabled(mode == DisplayMode::Normal);

    // What the mode leaves in sight; everything else is hidden, not only
    // left outside the bar. The normal bar hides its buttons below, when the
    // icons are to be hidden.
    const BarLayout layout = barLayout(mode, false, m_costoNeeded);
    for (BarControl c :
         {BarControl::Panel1, BarControl::Nascosto, BarControl::Tempo, BarControl::Costo,
          BarControl::ArchiveButton, BarControl::TariffsButton, BarControl::OptionsButton,
          BarControl::IconiseButton, BarControl::DragHandle, BarControl::QuitButton})
        control(c)->setVisible(layout.isShown(c));
    placeControls(mode);
    if (mode == DisplayMode::Normal)
        setIconsHidden(m_program.settings.nascondiIcone);

    if (layout.panelSlidesAway) {
        // The modes that show a single field uncover the clock's place.
        m_slide.away = false;
        slidePanelClick();
    } else if (mode == DisplayMode::Normal && m_slide.away) {
        // The normal bar has the panel over the clock, as designed.
        slidePanelClick();
    }

    if (mode == DisplayMode::Cyclic) {
        showCyclePart();
        m_cycleTimer.start();
        if (!m_cycleTimer.isActive())
            m_program.prompt.message(
                QStringLiteral("Risorse Timer insufficienti. Scegli un tipo di "
                               "visualizzazione diverso."),
                QStringLiteral("Errore..."), PromptIcon::Error);
    }
    update();
}

void TfMain::cycleTick()
{
    m_cyclePart = nextCyclePart(m_cyclePart);
    showCyclePart();
}

void TfMain::showCyclePart()
{
    m_nascosto->setVisible(m_cyclePart == CyclePart::Clock);
    m_tempo->setVisible(m_cyclePart == CyclePart::Time);
    m_costo->setVisible(m_cyclePart == CyclePart::Cost);
}

// A click while the panel is still moving turns it round from where it is.
void TfMain::slidePanelClick()
{
    m_slide.turn();
    m_slideTimer.start();
}

void TfMain::slideTick()
{
    switch (m_slide.tick()) {
    case PanelSlide::Step::Moving:
        m_slidingPanel->resize(m_slide.width, m_slidingPanel->height());
        m_panelCaption->move(m_slide.captionX, m_panelCaption->y());
        break;
    case PanelSlide::Step::Uncovered:
        m_slideTimer.stop();
        m_clockTimer.start();
        clockTick();
        break;
    case PanelSlide::Step::Covered:
        m_slideTimer.stop();
        m_clockTimer.stop();
        break;
    }
}

void TfMain::clockTick()
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
    m_windows.openArchive();
}

void TfMain::openTariffEditor()
{
    m_windows.openTariffEditor();
}

void TfMain::openOptions(TfSett::Page page)
{
    SettHooks hooks;
    hooks.syncClock = [this] { m_clockSync->synchronise(); };
    hooks.startupShortcut = [this](bool on, QString* error) { return startupShortcut(on, error); };
    // The bar's own save puts its current position into the record first.
    hooks.saveSettings = [this](QString* error) { return saveSettings(error); };
    m_windows.openOptions(page, std::move(hooks));
}

bool TfMain::openAutoDial()
{
    return m_windows.openAutoDial();
}

void TfMain::openChangeTariff()
{
    m_windows.openChangeTariff();
}

void TfMain::barRightClick()
{
    if (!windows().fSett)
        openOptions(TfSett::Page::Menu);
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
    else if ((watched == m_panelImage || watched == m_panelCaption) && leftRelease)
        slidePanelClick();
    else if (watched == m_costo) {
        if (type == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            showExtraInfo();
        else if (type == QEvent::MouseButtonRelease)
            hideExtraInfo();
    } else if (watched == m_dragHandle || watched == m_optionsButton)
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
    // A dialler in the middle of a dial refuses to close: then the program
    // does not end either.
    if (!m_windows.closeAutoDial())
        return;
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
    m_watchTimer.stop();
    m_sessionTimer.stop();
    m_blinkTimer.stop();
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
