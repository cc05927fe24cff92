#include "archive/uConn.h"

#include "archive/ArchiveEdit.h"
#include "archive/ArchiveFile.h"
#include "archive/ConnGrid.h"
#include "archive/ConnQueryPanel.h"
#include "archive/Report.h"
#include "archive/ReportPrinter.h"
#include "archive/uModConn.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/WidgetBuild.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <tuple>

namespace
{

const QString MissingConnectionText = QStringLiteral("Connessione Inesistente.");

// The grid's place, and the strip's under it while long work runs.
const QRect GridPlace(4, 4, 761, 317);
constexpr int StripHeight = 28;

// A slice of a load, or the pages printed between two turns of the event
// loop, take about this long, so the event loop (the bar's
// clock, the running session's save, the user's clicks) is never kept
// waiting much longer.
constexpr int SliceBudgetMs = 25;
// Archive records read between two looks at the clock.
constexpr int SliceRecords = 2048;

QString count(int64_t n)
{
    return fmt::formatFloat(QStringLiteral("#,#0"), double(n));
}

// "records/milliseconds" of a test's pace, or nothing.
std::pair<int, int> paceFromEnvironment()
{
    const QStringList parts =
        qEnvironmentVariable("TARVELO_TEST_LOAD_PACE").split(QLatin1Char('/'));
    if (parts.size() != 2)
        return {0, 0};
    return {std::max(0, parts[0].toInt()), std::max(0, parts[1].toInt())};
}

} // namespace

// ---- Creation -------------------------------------------------------------------

int TfConn::open(const ConnContext& ctx, QPointer<QWidget>* slot, QWidget* parent)
{
    auto* w = new TfConn(ctx, parent);
    if (slot)
        *slot = w;
    w->loadSelection();
    const int result = w->exec();
    delete w;
    return result;
}

TfConn::TfConn(const ConnContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_model(m_selection, ctx.cambioEcu)
{
    setObjectName(QStringLiteral("fConn"));
    m_model.setNothingLoaded(true); // until the first load
    // End-to-end tests watch a small archive load slowly.
    std::tie(m_paceRecords, m_paceMs) = paceFromEnvironment();
    m_loadTimer.setParent(this);
    connect(&m_loadTimer, &QTimer::timeout, this, &TfConn::loadStep);
    buildControls();
    m_help = new THelpKey(this, ctx.shell, ctx.prompt, ctx.dataFolder,
                          QStringLiteral("riepconness.htm"));
    setWindowTitle(QStringLiteral(" Riepilogo delle Connessioni [") +
                   QFileInfo(ctx.archive.path()).fileName() + QLatin1Char(']'));
    m_panel->start();
}

TfConn::~TfConn()
{
    m_panel->keepChoices();
}

void TfConn::buildControls()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowSystemMenuHint);
    setFixedSize(769, 487);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_grid = new TConnGrid(m_model, this);
    m_grid->setObjectName(QStringLiteral("sg1"));
    m_grid->setGeometry(GridPlace);
    // A load that ends does not take the user away from where they went
    // while it ran.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!m_movingCurrent && m_work == Work::Loading)
            m_userMoved = true;
    });
    connect(m_grid->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] {
        if (m_work == Work::Loading)
            m_userMoved = true;
    });
    // The menu opens when the right button comes up (gridMouseEvent), so
    // the row under the mouse is made current first; the right button never
    // selects rows by itself.
    m_grid->viewport()->installEventFilter(this);
    m_grid->installEventFilter(this);

    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](const char* name, const QString& text, void (TfConn::*slot)()) {
        QAction* a = m_gridMenu->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
    };
    item("Modifica1", QStringLiteral("Modifica Connessione"), &TfConn::Modifica1Click);
    item("Elimina1", QStringLiteral("Elimina Connessioni"), &TfConn::Elimina1Click);
    item("CambiaTariffa1", QStringLiteral("&Cambia Tariffa"), &TfConn::CambiaTariffa1Click);
    item("ConfrontaTariffe1", QStringLiteral("Confronta Tariffe..."),
         &TfConn::ConfrontaTariffe1Click);

    // The filter, then the window's own buttons under it.
    m_panel = new TConnQueryPanel(m_ctx, this);
    connect(m_panel, &TConnQueryPanel::loadRequested, this, &TfConn::loadSelection);
    m_stampa = widgetbuild::button(this, "SpeedButton1", QStringLiteral("&Stampa"),
                                   QRect(542, 456, 108, 26));
    auto* chiudi =
        widgetbuild::button(this, "Chiudi", QStringLiteral("&Chiudi"), QRect(656, 456, 108, 26));
    connect(m_stampa, &QPushButton::clicked, this, &TfConn::printClick);
    connect(chiudi, &QPushButton::clicked, this, &TfConn::ChiudiClick);
    buildStrip();
}

void TfConn::buildStrip()
{
    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("Avanzamento"));
    m_strip->setGeometry(GridPlace.left(), GridPlace.bottom() + 1 - StripHeight + 2,
                         GridPlace.width(), StripHeight - 2);
    auto* layout = new QHBoxLayout(m_strip);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stripText = new QLabel(m_strip);
    m_stripText->setObjectName(QStringLiteral("AvanzamentoTesto"));
    m_stripText->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(m_strip);
    m_progress->setObjectName(QStringLiteral("Progresso"));
    m_progress->setRange(0, 1000);
    m_progress->setFixedWidth(260);
    m_stop = widgetbuild::button(m_strip, "Interrompi", QStringLiteral("&Interrompi"), QRect());
    m_stop->setFixedWidth(108);
    layout->addWidget(m_stripText, 1);
    layout->addWidget(m_progress);
    layout->addWidget(m_stop);
    connect(m_stop, &QPushButton::clicked, this, &TfConn::stopWork);
    m_strip->hide();
}

bool TfConn::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            if (gridMouseEvent(static_cast<QMouseEvent*>(event)))
                return true;
            break;
        default:
            break;
        }
    }
    if ((watched == m_grid->viewport() || watched == m_grid) &&
        event->type() == QEvent::ContextMenu) {
        // The mouse's own menu request is answered when the button comes up;
        // the keyboard's opens the menu of the current row.
        if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Mouse &&
            currentRow() != rowCount() - 1)
            openPopupAt(cellRect(currentRow(), 1).center());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfConn::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // Once the window is up and modal, so that a message of the showing
        // comes up above it rather than before it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_panel->showing();
                m_opening = false;
            },
            Qt::QueuedConnection);
    }
}

void TfConn::keyPressEvent(QKeyEvent* event)
{
    // Escape stops what runs; it closes the window only when nothing does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        m_work != Work::None) {
        stopWork();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfConn::done(int result)
{
    if (m_work == Work::Loading)
        stopWork(); // at once: nothing runs between two slices
    if (m_work == Work::Changing || m_work == Work::Printing) {
        // A change stops at its next block and undoes itself, a printout at
        // its next page; the window closes once they have.
        m_closeAsked = true;
        m_closeResult = result;
        stopWork();
        return;
    }
    QDialog::done(result);
}

// ---- The filter and loading -----------------------------------------------------

bool TfConn::readFilter()
{
    return m_panel->readFilter();
}

const SavedQuery& TfConn::currentQuery() const
{
    return m_panel->currentQuery();
}

SavedQuery& TfConn::currentQuery()
{
    return m_panel->currentQuery();
}

QString TfConn::currentDescription() const
{
    return m_panel->currentDescription();
}

bool TfConn::namedQuery() const
{
    return m_panel->namedQuery();
}

TConnQueryPanel& TfConn::queryPanel() const
{
    return *m_panel;
}

TfConn::LoadKey TfConn::loadKey(const SelectionFilter& filter) const
{
    LoadKey key;
    key.query = filter.query.toBytes();
    key.telBoxEmpty = filter.telBoxEmpty;
    key.providerBoxEmpty = filter.providerBoxEmpty;
    struct stat st {
    };
    if (::stat(QFile::encodeName(m_ctx.archive.path()).constData(), &st) == 0) {
        key.size = st.st_size;
        key.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        key.inode = st.st_ino;
    }
    return key;
}

void TfConn::loadSelection()
{
    if (m_work == Work::Changing || m_work == Work::Printing || m_closeAsked)
        return; // the filter cannot change meanwhile; a reload follows a change
    m_model.setNothingLoaded(false);
    if (!m_panel->hasQueryToApply()) {
        if (m_work == Work::Loading)
            stopWork();
        m_strip->hide();
        m_grid->setGeometry(GridPlace);
        m_loaded.reset();
        m_model.setNothingLoaded(true);
        return;
    }
    const SelectionFilter filter = m_panel->filter();
    const LoadKey key = loadKey(filter);
    // Opening asks for the same selection more than once: it is read once.
    if (m_opening && m_loaded && *m_loaded == key)
        return;
    m_loadTimer.stop();
    m_loaded = key;
    ++m_loadsBegun;
    if (m_work == Work::None) { // the note of a stopped load goes
        m_strip->hide();
        m_grid->setGeometry(GridPlace);
    }

    TSelection::LoadResult result = TSelection::LoadResult::OpenFailed;
    m_movingCurrent = true;
    m_model.beginLoad();
    try {
        result = m_selection.begin(m_ctx.archive, filter);
    } catch (const std::bad_alloc&) {
        m_model.endLoad();
        m_movingCurrent = false;
        m_loaded.reset();
        if (m_work == Work::Loading)
            endWork();
        m_ctx.prompt.message(QStringLiteral("Memoria Esaurita! Liberare memoria e riprovare."),
                             QStringLiteral("Stop..."), PromptIcon::Error);
        return;
    }
    m_model.endLoad();
    if (result == TSelection::LoadResult::OpenFailed) {
        m_movingCurrent = false;
        m_loaded.reset();
        if (m_work == Work::Loading)
            endWork();
        // Nothing was read: totals of nothing would pass for a real result.
        showArchiveError(m_ctx.prompt, m_selection.errorText());
        m_model.setNothingLoaded(true);
        return;
    }
    // The totals row is the current row from the start, rows read coming
    // before it; the grid shows the first rows until the last is read.
    m_grid->setAutoScroll(false);
    m_grid->setCurrentIndex(m_model.index(m_model.rowCount() - 1, 0));
    m_grid->setAutoScroll(true);
    m_grid->scrollToTop();
    m_movingCurrent = false;
    m_userMoved = false;
    m_pendingTop = 0;
    // The first slice at once: a small archive is read before this returns.
    loadStep();
}

void TfConn::loadStep()
{
    TSelection::Step step = TSelection::Step::More;
    QElapsedTimer clock;
    clock.start();
    try {
        if (m_paceRecords > 0)
            step = m_selection.loadSlice(m_paceRecords);
        else
            do
                step = m_selection.loadSlice(SliceRecords);
            while (step == TSelection::Step::More && clock.elapsed() < SliceBudgetMs);
    } catch (const std::bad_alloc&) {
        // What was read so far stays listed, as after a stop.
        m_selection.cancel();
        m_loaded.reset();
        m_ctx.prompt.message(QStringLiteral("Memoria Esaurita! Liberare memoria e riprovare."),
                             QStringLiteral("Stop..."), PromptIcon::Error);
        step = TSelection::Step::Done;
    }
    m_movingCurrent = true;
    m_model.appendLoaded();
    m_movingCurrent = false;
    if (step == TSelection::Step::More) {
        if (m_work != Work::Loading) {
            beginWork(Work::Loading, QStringLiteral("Lettura dell'archivio..."));
            m_loadTimer.start(m_paceMs);
        }
        showProgress(m_selection.scanned(), m_selection.total());
        m_grid->fitColumns();
        return;
    }
    m_loadTimer.stop();
    if (m_work == Work::Loading)
        endWork();
    if (step == TSelection::Step::Failed) { // shown, not hidden: the list is partial
        m_loaded.reset();
        showArchiveError(m_ctx.prompt, m_selection.errorText());
    }
    finishLoad();
}

// The end of a load, whole or stopped part-way.
void TfConn::finishLoad()
{
    m_panel->addTelephones(m_selection.telephones());
    m_grid->fitColumns();
    if (m_pendingTop > 0) {
        const int top = std::exchange(m_pendingTop, 0);
        setTopRow(top);
    } else if (!m_userMoved) {
        // The totals row is the current row, in view.
        m_movingCurrent = true;
        m_grid->setCurrentIndex(m_model.index(m_model.rowCount() - 1, 0));
        m_grid->scrollTo(m_grid->currentIndex());
        m_movingCurrent = false;
    }
}

// ---- Long work ------------------------------------------------------------------

void TfConn::setLoadPace(int records, int intervalMs)
{
    m_paceRecords = std::max(0, records);
    m_paceMs = std::max(0, intervalMs);
    if (m_loadTimer.isActive())
        m_loadTimer.start(m_paceMs);
}

void TfConn::beginWork(Work work, const QString& text)
{
    m_work = work;
    m_stopAsked = false;
    m_stripText->setText(text);
    m_progress->setValue(0);
    m_progress->show();
    m_stop->setEnabled(true);
    m_stop->show();
    m_grid->setGeometry(GridPlace.adjusted(0, 0, 0, -StripHeight));
    m_strip->show();
    setCommandsEnabled(false);
}

void TfConn::endWork()
{
    m_work = Work::None;
    m_strip->hide();
    m_grid->setGeometry(GridPlace);
    setCommandsEnabled(true);
    if (m_closeAsked)
        // Once the handler that ran the work has returned.
        QMetaObject::invokeMethod(
            this, [this] { QDialog::done(m_closeResult); }, Qt::QueuedConnection);
}

void TfConn::showProgress(int64_t done, int64_t total)
{
    m_progress->setValue(total > 0 ? int(std::min<int64_t>(1000, done * 1000 / total)) : 0);
}

void TfConn::setCommandsEnabled(bool on)
{
    m_stampa->setEnabled(on);
    for (QAction* a : m_gridMenu->actions())
        a->setEnabled(on);
    // The filter may change while a load runs (the new one replaces it), not
    // while the archive is being changed.
    m_panel->setEnabled(on || m_work == Work::Loading);
}

void TfConn::stopWork()
{
    switch (m_work) {
    case Work::None:
        return;
    case Work::Loading: {
        m_loadTimer.stop();
        m_selection.cancel();
        // Asked again, the same selection is read again, whole.
        m_loaded.reset();
        const int64_t read = m_selection.scanned();
        const int64_t total = m_selection.total();
        endWork();
        finishLoad();
        // The strip stays to say that the list is partial, until the next load.
        m_stripText->setText(QStringLiteral("Lettura interrotta: ") + count(read) +
                             QStringLiteral(" record letti su ") + count(total) +
                             QStringLiteral("."));
        showProgress(read, total);
        m_stop->hide();
        m_grid->setGeometry(GridPlace.adjusted(0, 0, 0, -StripHeight));
        m_strip->show();
        return;
    }
    case Work::Changing:
        m_stopAsked = true;
        m_stripText->setText(QStringLiteral("Interruzione: nessuna modifica sarà fatta..."));
        m_stop->setEnabled(false);
        return;
    case Work::Printing:
        m_stopAsked = true;
        m_stripText->setText(QStringLiteral("Interruzione della stampa..."));
        m_stop->setEnabled(false);
        return;
    }
}

void TfConn::runChange(int rows, const QString& text, const archivechange::Work& change)
{
    if (rows <= InlineChangeRows) {
        change({});
        return;
    }
    if (m_work == Work::Loading)
        stopWork();
    beginWork(Work::Changing, text);
    struct Shared {
        std::atomic<int64_t> done{0};
        std::atomic<int64_t> total{0};
        std::atomic<bool> writing{false};
        std::atomic<bool> finished{false};
    };
    const auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(40);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        // Reading and pricing take the first half of the bar, writing the second.
        const int64_t total = std::max<int64_t>(1, shared->total);
        const int64_t half = std::min<int64_t>(1000, shared->done * 1000 / total) / 2;
        m_progress->setValue(int(shared->writing ? 500 + half : half));
        if (shared->finished)
            loop.quit();
    });
    poll.start();
    std::thread worker([&change, shared, this] {
        change([shared, this](const archivechange::Progress& p) {
            shared->writing = p.phase == archivechange::Phase::Writing;
            shared->total = p.total;
            shared->done = p.done;
            return !m_stopAsked.load();
        });
        shared->finished = true;
    });
    loop.exec();
    // The loop also ends when the program quits: the change then stops.
    if (!shared->finished)
        m_stopAsked = true;
    worker.join();
    endWork();
}

// ---- Buttons and the grid -------------------------------------------------------

void TfConn::ChiudiClick()
{
    accept();
}

void TfConn::helpKey()
{
    m_help->showHelp();
}

bool TfConn::gridMouseEvent(QMouseEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_rightButton = event->button() == Qt::RightButton;
        return m_rightButton;
    case QEvent::MouseMove:
        return m_rightButton;
    case QEvent::MouseButtonRelease:
        if (event->button() != Qt::RightButton)
            return false;
        m_rightButton = false;
        gridRightClick(event->position().toPoint());
        return true;
    default:
        return false;
    }
}

void TfConn::gridRightClick(const QPoint& pos)
{
    const int qtRow = m_grid->rowAt(pos.y());
    if (qtRow < 0)
        return;
    if (qtRow != m_grid->currentIndex().row())
        m_grid->setCurrentIndex(m_model.index(qtRow, 0));
    if (qtRow + 1 != rowCount() - 1)
        openPopupAt(pos);
}

void TfConn::openPopupAt(const QPoint& viewportPos)
{
    m_gridMenu->popup(m_grid->viewport()->mapToGlobal(viewportPos));
}

std::pair<int, int> TfConn::selectedRows() const
{
    int first = -1, last = -1;
    for (const QItemSelectionRange& r : m_grid->selectionModel()->selection()) {
        if (first < 0 || r.top() < first)
            first = r.top();
        last = std::max(last, r.bottom());
    }
    if (first < 0)
        first = last = m_grid->currentIndex().row();
    return {first + 1, last + 1};
}

bool TfConn::selectedDataRows(int& first, int& last) const
{
    const int totals = rowCount() - 1;
    std::tie(first, last) = selectedRows();
    if (first < 1 || first >= totals)
        return false;
    last = std::min(last, totals - 1);
    return true;
}

int TfConn::topRow() const
{
    return std::max(0, m_grid->rowAt(0)) + 1;
}

void TfConn::setTopRow(int row)
{
    if (m_work == Work::Loading) { // once the rows are there
        m_pendingTop = row;
        return;
    }
    const int qtRow = std::clamp(row - 1, 0, std::max(0, m_model.rowCount() - 1));
    m_grid->scrollTo(m_model.index(qtRow, 0), QAbstractItemView::PositionAtTop);
}

void TfConn::missingConnection()
{
    m_ctx.prompt.message(MissingConnectionText, QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
}

bool TfConn::editListed(const archivechange::RecordRef& listed,
                        const std::function<ConnRecord(const ConnRecord&)>& change)
{
    const archiveedit::Result result = archiveedit::editListed(m_ctx.archive, listed, change);
    if (result.status == archiveedit::Status::Missing)
        missingConnection();
    else if (result.status == archiveedit::Status::Failed)
        showArchiveError(m_ctx.prompt, result.error);
    return result.status == archiveedit::Status::Written;
}

void TfConn::reloadAfterChange(int top)
{
    // Without saved queries "&Aggiorna" has nothing to choose and would
    // leave the changed connections listed as they were.
    if (m_panel->hasSavedQueries())
        m_panel->aggiornaClick();
    else
        loadSelection();
    setTopRow(top);
}

void TfConn::Modifica1Click()
{
    const int top = topRow();
    const int k = currentRow() - 1;
    const ConnRecord listed = m_selection.at(k);
    if (listed.isDeleted()) {
        missingConnection();
        return;
    }
    // A copy of its own: the end-of-connection dialog may open over this
    // one and use the program's edit record for the session that ended.
    ConnRecord edit = listed;
    TfModConn dialog(edit, m_ctx.prompt, this);
    dialog.fill();
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Only what the dialog edits is changed: a periodic save may have
    // moved the end and cost of a running connection meanwhile.
    if (editListed(m_selection.ref(k), [&edit](const ConnRecord& stored) {
            return archiveedit::withEdits(stored, edit);
        }))
        reloadAfterChange(top);
}

void TfConn::Elimina1Click()
{
    int first = 0, last = 0;
    if (!selectedDataRows(first, last))
        return;
    if (!m_ctx.prompt.confirm(QStringLiteral("Elimino i dati selezionati ?")))
        return;
    const int top = topRow();
    // The rows before the first one whose connection is gone are deleted
    // all at once, or none of them.
    const archivechange::Targets targets =
        archivechange::Targets::rows(m_selection.refs(first - 1, last - 1), true);
    const QString path = m_ctx.archive.path();
    archivechange::Result result;
    runChange(last - first + 1, QStringLiteral("Eliminazione delle connessioni..."),
              [&](const archivechange::ProgressFn& progress) {
                  archivechange::Options options;
                  options.progress = progress;
                  result = archivechange::erase(path, targets, options);
              });
    if (m_closeAsked)
        return;
    if (result.status == archivechange::Status::Failed)
        showArchiveError(m_ctx.prompt, result.error);
    else if (result.missing > 0)
        missingConnection();
    // Rows deleted before a stop are gone from the archive: the grid must
    // not go on listing them.
    if (result.status == archivechange::Status::Done && result.changed > 0)
        reloadAfterChange(top);
}

void TfConn::CambiaTariffa1Click()
{
    int first = 0, last = 0;
    if (!selectedDataRows(first, last))
        return;
    const int top = topRow();
    if (!m_ctx.reprice)
        return;
    // A long range is re-priced on a worker thread, with the strip.
    archivechange::Runner runner;
    if (last - first + 1 > InlineChangeRows)
        runner = [this, rows = last - first + 1](const archivechange::Work& change) {
            runChange(rows, QStringLiteral("Ricalcolo delle connessioni..."), change);
        };
    m_ctx.reprice(m_selection, first, last, this, runner);
    if (m_closeAsked)
        return;
    if (m_panel->namedQuery())
        m_panel->aggiornaClick();
    else
        m_panel->RiselezioneClick();
    setTopRow(top);
}

void TfConn::ConfrontaTariffe1Click()
{
    if (!m_ctx.compare)
        return;
    int first = 0, last = 0;
    // A single row is where the menu was opened, not a choice of what to
    // compare.
    const std::pair<int, int> marked = selectedRows();
    if (marked.first == marked.second || !selectedDataRows(first, last)) {
        first = 1;
        last = m_model.nothingLoaded() ? 0 : m_selection.count();
    }
    m_ctx.compare(m_selection, first, last, this);
}

void TfConn::printClick()
{
    TReport::Input in;
    // With nothing loaded the grid shows no connections, and neither does the report.
    // The report reads the listed records where they are, one at a time, as
    // it lays them out: the window takes no more memory for it. Nothing
    // reloads the selection until the printing ends (see loadSelection).
    if (!m_model.nothingLoaded())
        in.records = TReportRecords(m_selection);
    in.query = m_panel->currentQuery();
    in.descriz = m_panel->descriptionText();
    in.nomeTar = m_panel->tariffText();
    in.tarTutti = m_panel->allTariffs();
    in.cambioEcu = m_ctx.cambioEcu;
    in.printedAt = m_ctx.clock.now();
    const TReport report(std::move(in));
    // A long report is printed with the strip: the event loop runs between
    // pages, and the printing can be stopped (the job is then cancelled).
    TReportPrinter::Progress progress;
    QElapsedTimer sinceEvents;
    if (report.input().records.size() > InlinePrintRecords) {
        beginWork(Work::Printing, QStringLiteral("Stampa del riepilogo..."));
        sinceEvents.start();
        progress = [this, &sinceEvents](int done, int total) {
            if (sinceEvents.elapsed() >= SliceBudgetMs) {
                showProgress(done, total);
                QCoreApplication::processEvents();
                sinceEvents.restart();
            }
            return !m_stopAsked.load();
        };
    }
    if (m_print)
        m_print(report, progress);
    else
        TReportPrinter::printOnDefaultPrinter(report, m_ctx.prompt,
                                              TReportPrinter::defaultPrinterName(), progress);
    if (m_work == Work::Printing)
        endWork();
}

// ---- Grid -----------------------------------------------------------------------

QTableView* TfConn::grid() const
{
    return m_grid;
}

int TfConn::rowCount() const
{
    return m_grid->gridRowCount();
}

int TfConn::currentRow() const
{
    return m_grid->currentIndex().row() + 1;
}

QRect TfConn::cellRect(int row, int col) const
{
    return m_grid->cellRect(row, col);
}

QStringList TfConn::cellTexts(int row, int col) const
{
    return m_model.lines(row - 1, col - 1);
}
