#include "archive/uConn.h"

#include "archive/Report.h"
#include "archive/ReportPrinter.h"

#include "app/Program.h"
#include "app/SettingsStore.h"
#include "archive/ArchiveEdit.h"
#include "archive/ArchiveFile.h"
#include "archive/ConnGrid.h"
#include "archive/QueryForm.h"
#include "archive/uModConn.h"
#include "common/ByteIO.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "dialup/ProviderRecord.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/WidgetBuild.h"
#include "tariff/ProfileFiles.h"
#include "tariff/uCtar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <new>
#include <tuple>

namespace
{

const QString MissingConnectionText = QStringLiteral("Connessione Inesistente.");

using Kind = SelectionPeriod::Kind;
constexpr Kind PeriodKinds[6] = {Kind::Oggi,    Kind::UltSett, Kind::Ult15gg,
                                 Kind::Ult30gg, Kind::UltMese, Kind::UltBimestre};
constexpr SettingsStore::Period StoredPeriods[6] = {
    SettingsStore::Period::Oggi,    SettingsStore::Period::UltSett,
    SettingsStore::Period::Ult15gg, SettingsStore::Period::Ult30gg,
    SettingsStore::Period::UltMese, SettingsStore::Period::UltBimestre};

// Inserts text into a sorted box (case ignored, as the boxes sort), keeping
// what the box shows in its edit field.
void addSorted(QComboBox* box, const QString& text)
{
    const QString shown = box->currentText();
    const int current = box->currentIndex();
    int i = 0;
    while (i < box->count() && QString::compare(box->itemText(i), text, Qt::CaseInsensitive) <= 0)
        ++i;
    box->insertItem(i, text);
    if (current < 0) {
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    }
}

bool hasItem(const QComboBox* box, const QString& text)
{
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

QStringList comboItems(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QComboBox* comboBox(QWidget* parent, const char* name, int maxLength, const QRect& geometry)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(maxLength);
    box->setGeometry(geometry);
    return box;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

using widgetbuild::button;

} // namespace

// ---- Creation -------------------------------------------------------------------

int TfConn::open(Program& program, QPointer<QWidget>* slot, QWidget* parent,
                 QPointer<QWidget>* ctarSlot)
{
    auto* w = new TfConn(program, parent);
    w->setCtarSlot(ctarSlot);
    if (slot)
        *slot = w;
    w->loadSelection();
    const int result = w->exec();
    delete w;
    return result;
}

TfConn::TfConn(Program& program, QWidget* parent)
    : QDialog(parent), m_program(program), m_queries(program.programFolder),
      m_model(m_selection, program.settings.cambioEcu)
{
    setObjectName(QStringLiteral("fConn"));
    m_model.setNothingLoaded(true); // until the first load
    buildControls();
    m_help = new THelpKey(this, program.shell, program.prompt, program.dataFolder,
                          QStringLiteral("riepconness.htm"));

    loadWindowSettings();
    setWindowTitle(QStringLiteral(" Riepilogo delle Connessioni [") +
                   QFileInfo(program.archive.path()).fileName() + QLatin1Char(']'));
    buildQueryLists();
    fillProfiles();
    fillProviders();
}

TfConn::~TfConn()
{
    saveWindowSettings();
}

void TfConn::buildControls()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowSystemMenuHint);
    setFixedSize(769, 487);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // The grid.
    m_sg1 = new TConnGrid(m_model, this);
    m_sg1->setObjectName(QStringLiteral("sg1"));
    m_sg1->setGeometry(4, 4, 761, 317);
    // The menu opens when the right button comes up (gridMouseEvent), so
    // the row under the mouse is made current first; the right button never
    // selects rows by itself.
    m_sg1->viewport()->installEventFilter(this);
    m_sg1->installEventFilter(this);

    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](const char* name, const QString& text, void (TfConn::*slot)()) {
        QAction* a = m_popupMenu1->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
    };
    item("Modifica1", QStringLiteral("Modifica Connessione"), &TfConn::Modifica1Click);
    item("Elimina1", QStringLiteral("Elimina Connessioni"), &TfConn::Elimina1Click);
    item("CambiaTariffa1", QStringLiteral("&Cambia Tariffa"), &TfConn::CambiaTariffa1Click);

    // "Interrogazioni :"
    auto* queries = new QGroupBox(QStringLiteral("Interrogazioni :"), this);
    queries->setGeometry(4, 324, 530, 159);

    auto* predefined = new QGroupBox(QStringLiteral("Predefinite . . ."), queries);
    predefined->setGeometry(6, 18, 128, 135);
    const char* names[6] = {"oggi", "UltSett", "Ult15gg", "Ult30gg", "ultMese", "ultBimestre"};
    const QString texts[6] = {QStringLiteral("&Oggi;"), QStringLiteral("&7,"),
                              QStringLiteral("&15,"),   QStringLiteral("&30 giorni"),
                              QStringLiteral("Mese"),   QStringLiteral("Bimestre")};
    const QRect places[6] = {{8, 18, 110, 18}, {8, 52, 50, 18},  {58, 52, 60, 18},
                             {8, 72, 110, 18}, {8, 94, 110, 18}, {8, 112, 110, 18}};
    label(predefined, QStringLiteral("Ultimi..."), QRect(8, 36, 110, 16));
    for (int i = 0; i < 6; ++i) {
        m_periods[i] = new QRadioButton(texts[i], predefined);
        m_periods[i]->setObjectName(QLatin1String(names[i]));
        m_periods[i]->setGeometry(places[i]);
        const Kind kind = PeriodKinds[i];
        connect(m_periods[i], &QRadioButton::clicked, this, [this, kind] { periodClick(kind); });
    }

    auto* user = new QGroupBox(QStringLiteral("U t e n t e"), queries);
    user->setGeometry(140, 18, 384, 135);
    label(user, QStringLiteral("Descrizione"), QRect(8, 18, 80, 16));
    m_descriz = comboBox(user, "Descriz", SavedQuery::DescrizMax, QRect(8, 34, 222, 24));
    connect(m_descriz, &QComboBox::activated, this, &TfConn::chooseDescription);
    // Enter makes a new query. The key goes to the combo box, which has the
    // focus for its line edit and hands keys to it bypassing any filter; the
    // key is taken there, before the box would take Enter on an existing
    // description as a choice from the list.
    m_descriz->installEventFilter(this);
    m_modifica = button(user, "modifica", QStringLiteral("&Modifica"), QRect(236, 34, 68, 24));
    m_modifica->setToolTip(QStringLiteral("Salva i dati della descrizione qui sotto"));
    m_elimina = button(user, "elimina", QStringLiteral("&Elimina"), QRect(308, 34, 68, 24));
    m_elimina->setToolTip(QStringLiteral("Elimina la descrizione qui sotto"));
    connect(m_modifica, &QPushButton::clicked, this, &TfConn::modificaClick);
    connect(m_elimina, &QPushButton::clicked, this, &TfConn::eliminaClick);

    label(user, QStringLiteral("Dal"), QRect(8, 66, 30, 16));
    // Long enough for every date the window writes here, whatever the
    // system's short date format: a date cut short would not parse back.
    const int dateMax = QueryForm::dateFieldLength();
    m_dal = comboBox(user, "dal", dateMax, QRect(8, 82, 104, 24));
    label(user, QStringLiteral("Al"), QRect(118, 66, 30, 16));
    m_al = comboBox(user, "al", dateMax, QRect(118, 82, 104, 24));
    label(user, QStringLiteral("Periodo"), QRect(8, 110, 50, 18));
    m_meno = new QToolButton(user);
    m_meno->setObjectName(QStringLiteral("Meno"));
    m_meno->setArrowType(Qt::LeftArrow);
    m_meno->setToolTip(QStringLiteral("indietro"));
    m_meno->setGeometry(62, 108, 40, 22);
    m_piu = new QToolButton(user);
    m_piu->setObjectName(QStringLiteral("Piu"));
    m_piu->setArrowType(Qt::RightArrow);
    m_piu->setToolTip(QStringLiteral("avanti"));
    m_piu->setGeometry(104, 108, 40, 22);
    connect(m_meno, &QToolButton::clicked, this, &TfConn::MenoClick);
    connect(m_piu, &QToolButton::clicked, this, &TfConn::PiuClick);

    label(user, QStringLiteral("Profili Tariffari"), QRect(236, 66, 140, 16));
    m_nomeTar = comboBox(user, "NomeTar", ConnRecord::NomeTarMax, QRect(236, 82, 140, 24));
    m_tarTutti = new QCheckBox(QStringLiteral("Tutti"), user);
    m_tarTutti->setObjectName(QStringLiteral("TarTutti"));
    m_tarTutti->setGeometry(236, 110, 100, 18);

    // Right side: telephone and provider filters, then the buttons.
    label(this, QStringLiteral("Telefono"), QRect(542, 330, 100, 16));
    m_tel = comboBox(this, "tel", ConnRecord::TelefonoMax, QRect(542, 346, 222, 24));
    label(this, QStringLiteral("Provider"), QRect(542, 374, 100, 16));
    m_provider = comboBox(this, "provider", ConnRecord::ProviderMax, QRect(542, 390, 162, 24));
    m_provTutti = new QCheckBox(QStringLiteral("Tutto"), this);
    m_provTutti->setObjectName(QStringLiteral("ProvTutti"));
    m_provTutti->setGeometry(710, 392, 56, 20);

    auto* riselezione =
        button(this, "Riselezione", QStringLiteral("&Riselezione"), QRect(542, 424, 108, 26));
    auto* aggiorna =
        button(this, "aggiorna", QStringLiteral("&Aggiorna"), QRect(656, 424, 108, 26));
    auto* stampa =
        button(this, "SpeedButton1", QStringLiteral("&Stampa"), QRect(542, 456, 108, 26));
    auto* chiudi = button(this, "Chiudi", QStringLiteral("&Chiudi"), QRect(656, 456, 108, 26));
    connect(riselezione, &QPushButton::clicked, this, &TfConn::RiselezioneClick);
    connect(aggiorna, &QPushButton::clicked, this, &TfConn::aggiornaClick);
    connect(stampa, &QPushButton::clicked, this, &TfConn::SpeedButton1Click);
    connect(chiudi, &QPushButton::clicked, this, &TfConn::ChiudiClick);
}

void TfConn::loadWindowSettings()
{
    const SettingsStore store(m_program.registry);
    m_descrizione = store.fDescrizioneAttuale();
    for (int i = 0; i < 6; ++i)
        m_periodFlags[i] =
            store.period(StoredPeriods[i], i == 0 ? m_periods[0]->isChecked() : false);
}

void TfConn::saveWindowSettings()
{
    // The window is closing: a registry that cannot be written costs only
    // the choice of the next opening, and the bar's own save reports it.
    SettingsStore store(m_program.registry);
    store.setFDescrizioneAttuale(m_descrizione);
    for (int i = 0; i < 6; ++i)
        store.setPeriod(StoredPeriods[i], m_periods[i]->isChecked());
}

void TfConn::fillProfiles()
{
    QStringList names;
    TProfileFiles(m_program.profiles, m_program.programFolder, m_program.prompt)
        .ListProfiles(names);
    for (const QString& name : names)
        addSorted(m_nomeTar, name);
}

void TfConn::fillProviders()
{
    // Only the entry names are wanted: the program's current provider record
    // may belong to a call being dialled and is left alone.
    TProviderRecord scratch;
    m_program.dialUp.enumerateEntries(scratch);
    const QStringList entries(m_program.rasState.entries.begin(), m_program.rasState.entries.end());
    for (const QString& name : QueryForm::providerChoices(entries))
        if (!hasItem(m_provider, name))
            addSorted(m_provider, name);
}

bool TfConn::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_sg1->viewport()) {
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
    if ((watched == m_sg1->viewport() || watched == m_sg1) &&
        event->type() == QEvent::ContextMenu) {
        // The mouse's own menu request is answered when the button comes up;
        // the keyboard's opens the menu of the current row.
        if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Mouse &&
            currentRow() != rowCount() - 1)
            openPopupAt(cellRect(currentRow(), 1).center());
        return true;
    }
    if (watched == m_descriz && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            DescrizEnter();
            return true;
        }
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
        QMetaObject::invokeMethod(this, &TfConn::formShow, Qt::QueuedConnection);
    }
}

void TfConn::formShow()
{
    chooseDescription();
    for (int i = 0; i < 6; ++i) {
        if (m_periodFlags[i]) {
            m_periods[i]->setChecked(true);
            periodClick(PeriodKinds[i]);
            break;
        }
    }
    m_namedQuery = false;
}

// ---- Filter and loading ---------------------------------------------------------

int TfConn::currentYear() const
{
    int y = 0, m = 0, d = 0;
    dt::decodeDate(m_program.clock.now(), y, m, d);
    return y;
}

QueryForm TfConn::form() const
{
    QueryForm f;
    f.dal = m_dal->currentText();
    f.al = m_al->currentText();
    f.tel = m_tel->currentText();
    f.provider = m_provider->currentText();
    f.provTutti = m_provTutti->isChecked();
    f.nomeTar = m_nomeTar->currentText();
    f.tarTutti = m_tarTutti->isChecked();
    return f;
}

bool TfConn::readFilter()
{
    const QueryForm f = form();
    const std::optional<SavedQuery> query = f.toQuery(m_query, currentYear());
    if (!query) {
        m_program.prompt.message(QStringLiteral("Data Errata !"), QStringLiteral("Errore..."),
                                 PromptIcon::Error);
        return false;
    }
    if (f.unknownProfile(comboItems(m_nomeTar)))
        m_program.prompt.message(
            QStringLiteral("La Tabella Tariffe indicata nella Interrogazione Selezionata "
                           "(Gestore Telefonico) Non esiste o è stata Eliminata."),
            QStringLiteral("Informazione..."), PromptIcon::Information);
    m_query = *query;
    return true;
}

void TfConn::loadSelection()
{
    m_model.setNothingLoaded(false);
    if (m_descriz->count() == 0 && m_descriz->currentText() != TSavedQueries::Predefinita) {
        m_model.setNothingLoaded(true);
        return;
    }
    const SelectionFilter filter = form().filter(m_query);
    TSelection::LoadResult result;
    m_model.beginLoad();
    try {
        result = m_selection.load(m_program.archive, filter);
    } catch (const std::bad_alloc&) {
        m_model.endLoad();
        m_program.prompt.message(QStringLiteral("Memoria Esaurita! Liberare memoria e riprovare."),
                                 QStringLiteral("Stop..."), PromptIcon::Error);
        return;
    }
    m_model.endLoad();
    if (result == TSelection::LoadResult::OpenFailed) {
        // Nothing was read: totals of nothing would pass for a real result.
        showArchiveError(m_program.prompt, m_selection.errorText());
        m_model.setNothingLoaded(true);
        return;
    }
    if (result == TSelection::LoadResult::Stopped) // shown, not hidden: the list is partial
        showArchiveError(m_program.prompt, m_selection.errorText());

    for (const QString& tel : m_selection.telephones())
        if (!hasItem(m_tel, tel))
            addSorted(m_tel, tel);

    // The totals row is the current row.
    m_sg1->setCurrentIndex(m_model.index(m_model.rowCount() - 1, 0));
    m_sg1->fitColumns();
}

// ---- Periods and buttons -------------------------------------------------------

void TfConn::setPeriod(const SelectionPeriod& period)
{
    m_query.dal = period.from;
    m_query.al = period.to;
    m_dal->setEditText(QueryForm::dateText(period.from));
    m_al->setEditText(QueryForm::dateText(period.to));
    m_descriz->setCurrentIndex(-1);
    m_descriz->setEditText(TSavedQueries::Predefinita);
}

void TfConn::periodClick(SelectionPeriod::Kind kind)
{
    setPeriod(SelectionPeriod::predefined(kind, m_program.clock.now()));
    m_namedQuery = false;
    if (kind == Kind::Oggi)
        RiselezioneClick();
    else
        loadSelection();
}

QRadioButton* TfConn::periodButton(SelectionPeriod::Kind kind) const
{
    for (int i = 0; i < 6; ++i)
        if (PeriodKinds[i] == kind)
            return m_periods[i];
    return nullptr;
}

void TfConn::movePeriod(bool forward)
{
    SelectionPeriod::Step step = SelectionPeriod::Step::Days;
    if (periodButton(Kind::UltMese)->isChecked())
        step = SelectionPeriod::Step::Month;
    else if (periodButton(Kind::UltBimestre)->isChecked())
        step = SelectionPeriod::Step::Bimester;
    setPeriod(SelectionPeriod{m_query.dal, m_query.al}.shifted(step, forward));
    loadSelection();
}

void TfConn::PiuClick()
{
    movePeriod(true);
}

void TfConn::MenoClick()
{
    movePeriod(false);
}

void TfConn::RiselezioneClick()
{
    if (readFilter()) {
        loadSelection();
        m_namedQuery = false;
    } else {
        m_program.prompt.message(QStringLiteral("Dati della Selezione Errati !"),
                                 QStringLiteral("Errore..."), PromptIcon::Error);
    }
}

void TfConn::aggiornaClick()
{
    chooseDescription();
    m_namedQuery = true;
}

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
    const int qtRow = m_sg1->rowAt(pos.y());
    if (qtRow < 0)
        return;
    if (qtRow != m_sg1->currentIndex().row())
        m_sg1->setCurrentIndex(m_model.index(qtRow, 0));
    if (qtRow + 1 != rowCount() - 1)
        openPopupAt(pos);
}

void TfConn::openPopupAt(const QPoint& viewportPos)
{
    m_popupMenu1->popup(m_sg1->viewport()->mapToGlobal(viewportPos));
}

std::pair<int, int> TfConn::selectedRows() const
{
    int first = -1, last = -1;
    for (const QItemSelectionRange& r : m_sg1->selectionModel()->selection()) {
        if (first < 0 || r.top() < first)
            first = r.top();
        last = std::max(last, r.bottom());
    }
    if (first < 0)
        first = last = m_sg1->currentIndex().row();
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
    return std::max(0, m_sg1->rowAt(0)) + 1;
}

void TfConn::setTopRow(int row)
{
    const int qtRow = std::clamp(row - 1, 0, std::max(0, m_model.rowCount() - 1));
    m_sg1->scrollTo(m_model.index(qtRow, 0), QAbstractItemView::PositionAtTop);
}

void TfConn::missingConnection()
{
    m_program.prompt.message(MissingConnectionText, QStringLiteral("Tarvelo!..."),
                             PromptIcon::Warning);
}

bool TfConn::editListed(const archivechange::RecordRef& listed,
                        const std::function<ConnRecord(const ConnRecord&)>& change)
{
    const archiveedit::Result result = archiveedit::editListed(m_program.archive, listed, change);
    if (result.status == archiveedit::Status::Missing)
        missingConnection();
    else if (result.status == archiveedit::Status::Failed)
        showArchiveError(m_program.prompt, result.error);
    return result.status == archiveedit::Status::Written;
}

void TfConn::reloadAfterChange(int top)
{
    // Without saved queries "&Aggiorna" has nothing to choose and would
    // leave the changed connections listed as they were.
    if (m_descriz->count() > 0)
        aggiornaClick();
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
    TfModConn dialog(edit, m_program.prompt, this);
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
    if (!m_program.prompt.confirm(QStringLiteral("Elimino i dati selezionati ?")))
        return;
    const int top = topRow();
    // The rows before the first one whose connection is gone are deleted
    // all at once, or none of them.
    const archivechange::Result result = archivechange::erase(
        m_program.archive.path(),
        archivechange::Targets::rows(m_selection.refs(first - 1, last - 1), true));
    if (result.status == archivechange::Status::Failed)
        showArchiveError(m_program.prompt, result.error);
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
    TfCtar::openForStored(m_program, m_ctarSlot, m_selection, first, last, this);
    if (m_namedQuery)
        aggiornaClick();
    else
        RiselezioneClick();
    setTopRow(top);
}

void TfConn::SpeedButton1Click()
{
    TReport::Input in;
    // With nothing loaded the grid shows no connections, and neither does the report.
    if (!m_model.nothingLoaded())
        in.records = m_selection.records();
    in.query = m_query;
    in.descriz = m_descriz->currentText();
    in.nomeTar = m_nomeTar->currentText();
    in.tarTutti = m_tarTutti->isChecked();
    in.cambioEcu = m_program.settings.cambioEcu;
    in.printedAt = m_program.clock.now();
    const TReport report(std::move(in));
    if (m_print)
        m_print(report);
    else
        TReportPrinter::printOnDefaultPrinter(report, m_program.prompt);
}

// ---- Saved queries --------------------------------------------------------------

bool TfConn::loadQuery(const QString& name)
{
    if (name.isEmpty())
        return false;
    if (m_queries.exists(name)) {
        QString error;
        if (m_queries.load(name, m_query, &error))
            return true;
        showArchiveError(m_program.prompt, error);
        return false;
    }
    if (!m_program.prompt.confirm(QStringLiteral("Creo la nuova descrizione <") + name +
                                  QStringLiteral("> ?")))
        return false;
    return saveQuery(name);
}

bool TfConn::saveQuery(const QString& name)
{
    QString error;
    if (m_queries.save(name, m_query, &error))
        return true;
    showArchiveError(m_program.prompt, error);
    return false;
}

void TfConn::buildQueryLists()
{
    m_descriz->clear();
    const QStringList names = m_queries.list();
    for (const QString& name : names)
        addSorted(m_descriz, name);
    for (const QString& name : names) {
        if (loadQuery(name))
            mergeQueryIntoLists(m_query);
        else
            m_descriz->removeItem(
                m_descriz->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    m_descriz->setCurrentIndex(
        m_descriz->findText(m_descrizione, Qt::MatchExactly | Qt::MatchCaseSensitive));
    chooseDescription();
}

void TfConn::mergeQueryIntoLists(const SavedQuery& q)
{
    const auto mergeDate = [this](QComboBox* box, TDateTime d) {
        const QString text = QueryForm::dateText(d);
        if (hasItem(box, text))
            return;
        const QString shown = box->currentText();
        const int current = box->currentIndex();
        box->insertItem(QueryForm::datePosition(comboItems(box), d, currentYear()), text);
        if (current < 0) {
            box->setCurrentIndex(-1);
            box->setEditText(shown);
        }
    };
    mergeDate(m_dal, dt::datePart(q.dal));
    mergeDate(m_al, dt::datePart(q.al));
    if (!q.tel.isEmpty() && !hasItem(m_tel, q.tel))
        addSorted(m_tel, q.tel);
    if (!q.provider.isEmpty() && !hasItem(m_provider, q.provider))
        addSorted(m_provider, q.provider);
}

void TfConn::uncheckPeriods()
{
    for (QRadioButton* b : m_periods) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

void TfConn::showQuery()
{
    const QueryForm f = QueryForm::of(m_query);
    m_dal->setEditText(f.dal);
    m_al->setEditText(f.al);
    m_tel->setEditText(f.tel);
    m_provider->setEditText(f.provider);
    m_provTutti->setChecked(f.provTutti);
    m_nomeTar->setEditText(f.nomeTar);
    m_tarTutti->setChecked(f.tarTutti);
}

void TfConn::chooseDescription()
{
    if (m_descriz->count() == 0)
        return;
    uncheckPeriods();
    const int index = m_descriz->currentIndex();
    m_descrizione = index >= 0 ? m_descriz->itemText(index) : QString();
    m_descriz->setEditText(m_descrizione);
    loadQuery(m_descrizione);
    showQuery();
    loadSelection();
}

void TfConn::DescrizEnter()
{
    const QString text = m_descriz->currentText();
    const QueryForm::Name name = QueryForm::newQueryName(text, comboItems(m_descriz));
    if (name == QueryForm::Name::Empty || name == QueryForm::Name::Listed)
        return;
    if (!readFilter())
        return;
    if (name == QueryForm::Name::Reserved) {
        m_program.prompt.message(
            QStringLiteral("Non posso creare una interrogazione con il nome <predefinita>\r"
                           "Questo è un nome riservato al programma!"),
            QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
        return;
    }
    m_query.descriz = bio::cutTo(text, SavedQuery::DescrizMax);
    // Listed only once its file exists, so the list never offers a query
    // that cannot be read back.
    if (!saveQuery(text))
        return;
    addSorted(m_descriz, text);
    m_descriz->setCurrentIndex(
        m_descriz->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_descrizione = text;
    mergeQueryIntoLists(m_query);
    m_program.prompt.message(QStringLiteral("La nuova descrizione è stata salvata."),
                             QStringLiteral("Tarvelo!..."), PromptIcon::Information);
}

void TfConn::modificaClick()
{
    const QString text = m_descriz->currentText();
    const QueryForm::Name name = QueryForm::changedQueryName(text, comboItems(m_descriz));
    if (name == QueryForm::Name::Empty) {
        m_program.prompt.message(
            QStringLiteral("Manca la descrizione.\rNon posso effettuare la modifica."),
            QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
        return;
    }
    if (name == QueryForm::Name::NotListed) {
        m_program.prompt.message(
            QStringLiteral("Non posso effettuare la modifica perchè la descrizione non "
                           "corrisponde a nessuna interrogazione esistente.\r\rSe vuoi creare "
                           "una nuova interrogazione, seleziona nuovamente la descrizione e "
                           "premi <invio>."),
            QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
        return;
    }
    if (!m_program.prompt.confirm(QStringLiteral("Salvo le modifiche alla Descrizione <") +
                                  m_query.descriz + QStringLiteral("> ?")))
        return;
    if (!readFilter())
        return;
    m_query.descriz = text;
    if (saveQuery(text))
        mergeQueryIntoLists(m_query);
}

void TfConn::eliminaClick()
{
    const QString text = m_descriz->currentText();
    const int index = m_descriz->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        m_program.prompt.message(QStringLiteral("Non posso eliminare questa descrizione."),
                                 QStringLiteral("Conferma..."), PromptIcon::Information);
        return;
    }
    if (!m_program.prompt.confirm(QStringLiteral("Elimino la Descrizione Selezionata ?")))
        return;
    if (!m_queries.exists(text))
        return;
    // A file that stays would bring the query back at the next opening:
    // the list keeps it too, and the user hears of it.
    if (!m_queries.remove(text)) {
        m_program.prompt.message(QStringLiteral("Non ho potuto cancellare la descrizione !\r"
                                                "Provare con la Modifica."),
                                 QStringLiteral("Errore..."), PromptIcon::Error);
        return;
    }
    m_query.descriz.clear();
    m_descriz->removeItem(index);
    m_descriz->setCurrentIndex(-1);
    m_descriz->setEditText(QString());
    m_descriz->setCurrentIndex(std::min(index, m_descriz->count() - 1));
    chooseDescription();
    m_program.prompt.message(QStringLiteral("La Descrizione Corrente è stata Cancellata !"),
                             QStringLiteral("Info..."), PromptIcon::Warning);
}

// ---- Grid -----------------------------------------------------------------------

QTableView* TfConn::grid() const
{
    return m_sg1;
}

int TfConn::rowCount() const
{
    return m_sg1->gridRowCount();
}

int TfConn::currentRow() const
{
    return m_sg1->currentIndex().row() + 1;
}

QRect TfConn::cellRect(int row, int col) const
{
    return m_sg1->cellRect(row, col);
}

QStringList TfConn::cellTexts(int row, int col) const
{
    return m_model.lines(row - 1, col - 1);
}
