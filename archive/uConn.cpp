#include "archive/uConn.h"

#include "archive/ArchiveEdit.h"
#include "archive/ArchiveFile.h"
#include "archive/ConnGrid.h"
#include "archive/ConnQueryPanel.h"
#include "archive/Report.h"
#include "archive/ReportPrinter.h"
#include "archive/uModConn.h"
#include "common/Clock.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/WidgetBuild.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <new>
#include <tuple>

namespace
{

const QString MissingConnectionText = QStringLiteral("Connessione Inesistente.");

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
    m_grid->setGeometry(4, 4, 761, 317);
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
    auto* stampa = widgetbuild::button(this, "SpeedButton1", QStringLiteral("&Stampa"),
                                       QRect(542, 456, 108, 26));
    auto* chiudi =
        widgetbuild::button(this, "Chiudi", QStringLiteral("&Chiudi"), QRect(656, 456, 108, 26));
    connect(stampa, &QPushButton::clicked, this, &TfConn::printClick);
    connect(chiudi, &QPushButton::clicked, this, &TfConn::ChiudiClick);
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
        QMetaObject::invokeMethod(m_panel, &TConnQueryPanel::showing, Qt::QueuedConnection);
    }
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

void TfConn::loadSelection()
{
    m_model.setNothingLoaded(false);
    if (!m_panel->hasQueryToApply()) {
        m_model.setNothingLoaded(true);
        return;
    }
    const SelectionFilter filter = m_panel->filter();
    TSelection::LoadResult result;
    m_model.beginLoad();
    try {
        result = m_selection.load(m_ctx.archive, filter);
    } catch (const std::bad_alloc&) {
        m_model.endLoad();
        m_ctx.prompt.message(QStringLiteral("Memoria Esaurita! Liberare memoria e riprovare."),
                             QStringLiteral("Stop..."), PromptIcon::Error);
        return;
    }
    m_model.endLoad();
    if (result == TSelection::LoadResult::OpenFailed) {
        // Nothing was read: totals of nothing would pass for a real result.
        showArchiveError(m_ctx.prompt, m_selection.errorText());
        m_model.setNothingLoaded(true);
        return;
    }
    if (result == TSelection::LoadResult::Stopped) // shown, not hidden: the list is partial
        showArchiveError(m_ctx.prompt, m_selection.errorText());

    m_panel->addTelephones(m_selection.telephones());
    // The totals row is the current row.
    m_grid->setCurrentIndex(m_model.index(m_model.rowCount() - 1, 0));
    m_grid->fitColumns();
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
    const archivechange::Result result = archivechange::erase(
        m_ctx.archive.path(),
        archivechange::Targets::rows(m_selection.refs(first - 1, last - 1), true));
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
    m_ctx.reprice(m_selection, first, last, this);
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
    if (!m_model.nothingLoaded())
        in.records = m_selection.records();
    in.query = m_panel->currentQuery();
    in.descriz = m_panel->descriptionText();
    in.nomeTar = m_panel->tariffText();
    in.tarTutti = m_panel->allTariffs();
    in.cambioEcu = m_ctx.cambioEcu;
    in.printedAt = m_ctx.clock.now();
    const TReport report(std::move(in));
    if (m_print)
        m_print(report);
    else
        TReportPrinter::printOnDefaultPrinter(report, m_ctx.prompt);
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
