#include "tariff/uTariffe.h"

#include "common/Format.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"
#include "tariff/KvStringGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

const QString ErrorTitle = QStringLiteral("Errore...");
const QString NumberFormatText = QStringLiteral("Il Formato del Numero immesso è Errato !");
constexpr int NameMax = 50; // the profile-name field of a connection record
// Where a day label starts in its cell, and the room it leaves on the right.
constexpr int DayLabelLeft = 7;
constexpr int DayLabelRight = 4;

QLineEdit* numberField(QWidget* parent, const QString& name, int width)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

QLabel* label(const QString& text, QWidget* parent)
{
    return new QLabel(text, parent);
}

} // namespace

// ---- Creation -------------------------------------------------------------------

int TfTariffe::open(const TariffeContext& ctx, QPointer<QWidget>* slot, QWidget* parent)
{
    auto* w = new TfTariffe(ctx, parent);
    if (slot)
        *slot = w;
    const int result = w->exec();
    delete w;
    return result;
}

TfTariffe::TfTariffe(const TariffeContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_editor(ctx.programFolder, ctx.prompt, ctx.tabDefault)
{
    setObjectName(QStringLiteral("fTariffe"));
    setWindowTitle(QStringLiteral(" Profili Tariffe Telefoniche"));
    m_editor.startFrom(ctx.profiles);
    buildControls();
    // 520 × 466, unless the system's fonts need more room.
    setFixedSize(QSize(520, 466).expandedTo(minimumSizeHint()));
    // Centred on the screen, not over the bar that opens it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_help =
        new THelpKey(this, ctx.shell, ctx.prompt, ctx.dataFolder, QStringLiteral("profilitar.htm"));
}

TfTariffe::~TfTariffe()
{
    m_editor.finish(m_ctx.profiles);
    m_ctx.tabellaAttuale = m_editor.currentName();
    if (m_ctx.storeNames)
        m_ctx.storeNames(m_editor.currentName(), m_editor.defaultName());
}

QString TfTariffe::leaveWithoutSavingText(const QString& name)
{
    return QStringLiteral("Le modifiche alla tabella <%1> non sono state salvate.\r"
                          "Chiudo comunque la finestra, perdendo le modifiche ?")
        .arg(name);
}

void TfTariffe::done(int result)
{
    if (!m_editor.saveBeforeClosing()) {
        // The failure was reported; the edits stay on screen for another try
        // unless the user gives them up.
        if (!m_ctx.prompt.confirm(leaveWithoutSavingText(m_editor.currentName())))
            return;
        m_editor.dropChanges();
    }
    QDialog::done(result);
}

void TfTariffe::buildControls()
{
    auto* title = label(
        QStringLiteral("Orari Giornalieri e Costo Approssimativo Per Minuto di Conversazione"),
        this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    m_grid = new TKvStringGrid(this);
    m_grid->setObjectName(QStringLiteral("sg1"));
    m_grid->setGridSize(1 + TProfileEditor::ShownBands, DayRows, 1, CellWidth, CellHeight);
    m_grid->setFixedColWidth(dayColumnWidth());
    m_grid->setDrawCell([this](QPainter& p, int c, int r, const QRect& rect, bool selected) {
        gridDrawCell(p, c, r, rect, selected);
    });
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &TKvStringGrid::selectCell, this, &TfTariffe::gridSelectCell);

    m_popup = new QMenu(this);
    auto* copia = m_popup->addAction(QStringLiteral("Copia"), this, &TfTariffe::CopiaClick);
    copia->setObjectName(QStringLiteral("Copia"));
    auto* incolla = m_popup->addAction(QStringLiteral("Incolla"), this, &TfTariffe::IncollaClick);
    incolla->setObjectName(QStringLiteral("Incolla"));
    m_popup->addSeparator();
    auto* cancella =
        m_popup->addAction(QStringLiteral("Cancella"), this, &TfTariffe::CancellaClick);
    cancella->setObjectName(QStringLiteral("Cancella"));
    cancella->setShortcut(QKeySequence(Qt::Key_Delete));
    // Del empties a cell only while the grid has the focus; in the fields it
    // keeps deleting text.
    cancella->setShortcutContext(Qt::WidgetShortcut);
    m_grid->addAction(cancella);
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        gridMenuOpening(pos);
        m_popup->exec(m_grid->mapToGlobal(pos));
    });

    // "T A R I F F A"
    auto* tariffa = new QGroupBox(QStringLiteral("T A R I F F A"), this);
    m_scrsi = new QCheckBox(QStringLiteral("Scatto alla Risposta"), tariffa);
    m_scrsi->setObjectName(QStringLiteral("scrsi"));
    m_costorisp = numberField(tariffa, QStringLiteral("costorisp"), 45);
    m_dalle = new QLineEdit(tariffa);
    m_dalle->setObjectName(QStringLiteral("dalle"));
    m_dalle->setInputMask(QStringLiteral("09") + fmt::timeSeparator() + QStringLiteral("99;_"));
    m_dalle->setFixedWidth(45);
    m_costo1 = numberField(tariffa, QStringLiteral("costo1"), 50);
    m_doposec = numberField(tariffa, QStringLiteral("doposec"), 45);
    m_costo2 = numberField(tariffa, QStringLiteral("costo2"), 50);
    // Three rows of label, field and unit, two such columns side by side:
    // the window keeps its fixed size, so the panel under the grid is
    // tight.
    auto* tg = new QGridLayout(tariffa);
    tg->setContentsMargins(4, 2, 4, 2);
    tg->setHorizontalSpacing(4);
    tg->setVerticalSpacing(1);
    auto unit = [](QGridLayout* g, const QString& text, int row, int col) {
        g->addWidget(label(text, g->parentWidget()), row, col);
    };
    tg->addWidget(m_scrsi, 0, 0);
    tg->addWidget(m_costorisp, 0, 1);
    unit(tg, QStringLiteral("Lire *"), 0, 2);
    unit(tg, QStringLiteral("Inizio"), 0, 3);
    tg->addWidget(m_dalle, 0, 4);
    unit(tg, QStringLiteral("Ore"), 0, 5);
    unit(tg, QStringLiteral("Costo al minuto"), 1, 0);
    tg->addWidget(m_costo1, 1, 1);
    unit(tg, QStringLiteral("Lire *"), 1, 2);
    unit(tg, QStringLiteral("Dopo"), 1, 3);
    tg->addWidget(m_doposec, 1, 4);
    unit(tg, QStringLiteral("Secondi"), 1, 5);
    unit(tg, QStringLiteral("Costo al minuto"), 2, 0);
    tg->addWidget(m_costo2, 2, 1);
    unit(tg, QStringLiteral("Lire *"), 2, 2);

    // "S C O N T O"
    auto* sconto = new QGroupBox(QStringLiteral("S C O N T O"), this);
    m_cbSconto = new QCheckBox(QStringLiteral("Applica Sconto del"), sconto);
    m_cbSconto->setObjectName(QStringLiteral("cbSconto"));
    m_scopercent = numberField(sconto, QStringLiteral("scopercent"), 30);
    m_scodoposec = numberField(sconto, QStringLiteral("scodoposec"), 45);
    auto* sg = new QGridLayout(sconto);
    sg->setContentsMargins(4, 2, 4, 2);
    sg->setHorizontalSpacing(4);
    sg->setVerticalSpacing(1);
    sg->addWidget(m_cbSconto, 0, 0, 1, 3);
    sg->addWidget(m_scopercent, 1, 0);
    unit(sg, QStringLiteral("%,"), 1, 1);
    unit(sg, QStringLiteral("dopo"), 2, 0);
    sg->addWidget(m_scodoposec, 2, 1);
    unit(sg, QStringLiteral("secondi"), 2, 2);

    connect(m_cbSconto, &QCheckBox::toggled, this, &TfTariffe::cbScontoClick);

    // Name, default box and buttons.
    m_nometab = new QComboBox(this);
    m_nometab->setObjectName(QStringLiteral("nometab"));
    m_nometab->setEditable(true);
    m_nometab->setInsertPolicy(QComboBox::NoInsert);
    m_nometab->setCompleter(nullptr);
    m_nometab->lineEdit()->setMaxLength(NameMax);
    // Enter is taken where it arrives: at the combo box, which has the focus
    // for its line edit (see eventFilter).
    m_nometab->installEventFilter(this);
    m_nometab->setMinimumWidth(180);
    connect(m_nometab, &QComboBox::activated, this, &TfTariffe::nometabChoice);
    m_TabDefault = new QCheckBox(QStringLiteral("Applica Tabella"), this);
    m_TabDefault->setObjectName(QStringLiteral("TabDefault"));
    connect(m_TabDefault, &QCheckBox::toggled, this, &TfTariffe::TabDefaultClick);

    auto button = [this](const QString& text, const QString& name, void (TfTariffe::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* salva = button(QStringLiteral("&Salva Tariffa"), QStringLiteral("SalvaTariffa"),
                         &TfTariffe::SalvaTariffaClick);
    auto* azzera = button(QStringLiteral("&Azzera Campi"), QStringLiteral("AzzeraCampi"),
                          &TfTariffe::AzzeraCampiClick);
    auto* elimina = button(QStringLiteral("&Elimina Tabella"), QStringLiteral("EliminaTabella"),
                           &TfTariffe::EliminaTabellaClick);
    auto* chiudi = new QPushButton(QStringLiteral("&Chiudi"), this);
    chiudi->setObjectName(QStringLiteral("Chiudi"));
    chiudi->setAutoDefault(false);
    connect(chiudi, &QPushButton::clicked, this, &QDialog::accept);

    auto* groups = new QHBoxLayout;
    groups->setSpacing(4);
    groups->addWidget(tariffa);
    groups->addWidget(sconto);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(label(QStringLiteral("Nome Tabella"), this));
    nameRow->addWidget(m_nometab, 1);
    nameRow->addWidget(m_TabDefault);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(salva);
    buttons->addWidget(azzera);
    buttons->addWidget(elimina);
    buttons->addStretch(1);
    buttons->addWidget(label(QStringLiteral("* tutti i valori sono IVA esclusa"), this));
    buttons->addWidget(chiudi);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 2, 6, 4);
    main->setSpacing(2);
    main->addWidget(title);
    main->addWidget(m_grid, 0, Qt::AlignHCenter);
    main->addLayout(groups);
    main->addLayout(nameRow);
    main->addLayout(buttons);
}

// ---- Opening and profiles ----------------------------------------------------------

void TfTariffe::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once the window is up and modal, so that a question of the opening
    // ("Creo la nuova tabella") comes up above it rather than before it.
    if (!m_opened) {
        m_opened = true;
        QMetaObject::invokeMethod(this, &TfTariffe::opening, Qt::QueuedConnection);
    }
}

void TfTariffe::opening()
{
    m_opened = true;
    if (m_ctx.storedNames) {
        const auto [current, byDefault] = m_ctx.storedNames();
        m_editor.setCurrentName(current);
        m_ctx.tabDefault = byDefault;
    }

    m_nometab->clear();
    for (const QString& name : m_editor.listProfiles())
        addName(name);
    const int index = m_nometab->findText(m_editor.currentName());
    if (index < 0) {
        m_nometab->setEditText(QString());
        return;
    }
    m_nometab->setCurrentIndex(index);
    switchProfile(true);
}

void TfTariffe::addName(const QString& name)
{
    int i = 0;
    while (i < m_nometab->count() &&
           QString::compare(m_nometab->itemText(i), name, Qt::CaseInsensitive) <= 0)
        ++i;
    const QString shown = m_nometab->currentText();
    m_nometab->insertItem(i, name);
    m_nometab->setEditText(shown);
}

void TfTariffe::switchProfile(bool fromList)
{
    const QString name = m_nometab->currentText();
    if (!m_editor.switchTo(name))
        return;
    const int index = m_nometab->findText(name);
    if (index < 0)
        addName(name);
    m_nometab->setCurrentIndex(m_nometab->findText(name));
    m_TabDefault->setChecked(fromList && name == m_editor.defaultName());
    m_grid->update();
    gridSelectCell(m_grid->col(), m_grid->row());
}

void TfTariffe::nometabChoice()
{
    switchProfile(true);
}

void TfTariffe::nometabEnter()
{
    switchProfile(false);
}

bool TfTariffe::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the name field switches (or creates) the profile; the combo
    // box itself must not also take it as a choice from the list.
    if (watched == m_nometab && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            nometabEnter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfTariffe::TabDefaultClick()
{
    m_editor.applyDefaultRule(m_nometab->currentText(), m_TabDefault->isChecked());
}

void TfTariffe::EliminaTabellaClick()
{
    const QString name = m_nometab->currentText();
    const int index = m_nometab->findText(name);
    if (name.isEmpty() || index < 0)
        return;
    if (!m_editor.deleteProfile(name))
        return;
    m_nometab->removeItem(m_nometab->findText(name));
    m_nometab->setEditText(name);
    m_grid->update();
}

// ---- Cells ---------------------------------------------------------------------

void TfTariffe::gridSelectCell(int col, int row)
{
    m_buffer = m_editor.cell(col, row);
    CellFields f = fields();
    const ShowCellResult result = cellToFields(m_buffer, f);
    if (result == ShowCellResult::EmptyCell)
        return;
    setFields(f);
    if (result == ShowCellResult::BadTime)
        m_ctx.prompt.message(QStringLiteral("Data Errata !"), ErrorTitle, PromptIcon::Error);
}

CellFields TfTariffe::fields() const
{
    CellFields f;
    f.scrsi = m_scrsi->isChecked();
    f.costorisp = m_costorisp->text();
    f.dalle = m_dalle->text();
    f.costo1 = m_costo1->text();
    f.doposec = m_doposec->text();
    f.costo2 = m_costo2->text();
    f.scoAttivo = m_cbSconto->isChecked();
    f.scopercent = m_scopercent->text();
    f.scodoposec = m_scodoposec->text();
    return f;
}

void TfTariffe::setFields(const CellFields& f)
{
    m_cbSconto->setChecked(f.scoAttivo);
    m_scopercent->setText(f.scopercent);
    m_scodoposec->setText(f.scodoposec);
    m_scrsi->setChecked(f.scrsi);
    m_costorisp->setText(f.costorisp);
    m_dalle->setText(f.dalle);
    m_costo1->setText(f.costo1);
    m_costo2->setText(f.costo2);
    m_doposec->setText(f.doposec);
}

void TfTariffe::SalvaTariffaClick()
{
    TariffCell cell = m_buffer;
    switch (fieldsToCell(fields(), cell)) {
    case StoreCellError::None:
        break;
    case StoreCellError::NoFixedCharge:
        m_ctx.prompt.beep();
        return;
    case StoreCellError::BadTime:
        m_ctx.prompt.message(QStringLiteral("Orario Errato !"), ErrorTitle, PromptIcon::Error);
        m_ctx.prompt.beep();
        return;
    case StoreCellError::BadCosto1:
        m_ctx.prompt.message(NumberFormatText, ErrorTitle, PromptIcon::Error);
        m_ctx.prompt.beep();
        m_costo1->setFocus();
        return;
    case StoreCellError::BadCosto2:
        m_ctx.prompt.beep();
        m_ctx.prompt.message(NumberFormatText, ErrorTitle, PromptIcon::Error);
        m_costo2->setFocus();
        return;
    case StoreCellError::BadPercent:
        m_ctx.prompt.message(NumberFormatText, ErrorTitle, PromptIcon::Error);
        m_ctx.prompt.beep();
        m_scopercent->setFocus();
        return;
    }
    m_buffer = cell;
    m_editor.storeCell(m_grid->col(), m_grid->row(), cell);
    m_grid->update();
}

void TfTariffe::AzzeraCampiClick()
{
    m_TabDefault->setChecked(false);
    m_cbSconto->setChecked(false);
    m_scopercent->clear();
    m_scodoposec->clear();
    m_costorisp->clear();
    m_costo1->clear();
    m_doposec->clear();
    m_costo2->clear();
    m_scrsi->setChecked(false);
    m_dalle->setText(QStringLiteral("00") + fmt::timeSeparator() + QStringLiteral("00"));
}

void TfTariffe::cbScontoClick()
{
    m_editor.setDiscountBox(m_cbSconto->isChecked());
}

void TfTariffe::CopiaClick()
{
    m_editor.copyCell(m_grid->col(), m_grid->row());
}

void TfTariffe::IncollaClick()
{
    if (m_editor.pasteCell(m_grid->col(), m_grid->row()))
        m_grid->update();
}

void TfTariffe::CancellaClick()
{
    if (m_editor.clearCell(m_grid->col(), m_grid->row()))
        m_grid->update();
}

void TfTariffe::gridMenuOpening(const QPoint& pos)
{
    int col = 0;
    int row = 0;
    if (m_grid->cellAt(pos, col, row))
        m_grid->setSelection(col, row);
}

// ---- Drawing -------------------------------------------------------------------

QStringList TfTariffe::cellTexts(int col, int row) const
{
    if (col < m_grid->fixedCols())
        return {dayRowLabel(row), QStringLiteral("CpM")};
    const TariffCell& cell = m_editor.cell(col, row);
    if (!cell.isBand())
        return {};
    return {cellStartText(cell), cellRateText(cell, m_ctx.iva)};
}

int TfTariffe::dayColumnWidth() const
{
    // The day labels are drawn 7 pixels in, and the cell's raised frame
    // takes 2 pixels on the right: a system font too wide for "FESTIVI" in
    // its 60 pixels widens the column.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    int widest = 0;
    for (int row = 0; row < DayRows; ++row)
        widest = std::max(widest, fm.horizontalAdvance(dayRowLabel(row)));
    return std::max(CellWidth, DayLabelLeft + widest + DayLabelRight);
}

void TfTariffe::gridDrawCell(QPainter& p, int col, int row, const QRect& rect, bool selected)
{
    const QStringList texts = cellTexts(col, row);
    if (col < m_grid->fixedCols()) {
        p.fillRect(rect, palette().color(QPalette::Button));
        const QColor shadow = palette().color(QPalette::Dark);
        p.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), shadow);
        p.fillRect(QRect(rect.right() - 1, rect.top(), 2, rect.height()), shadow);
        p.fillRect(QRect(rect.left(), rect.top(), rect.width() - 2, 1), Qt::white);
        p.fillRect(QRect(rect.left(), rect.top(), 1, rect.height() - 1), Qt::white);
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(rect.topLeft() + QPoint(DayLabelLeft, 3 + QFontMetrics(f).ascent()), texts[0]);
        f.setBold(false);
        p.setFont(f);
        p.drawText(rect.topLeft() + QPoint(DayLabelLeft, 20 + QFontMetrics(f).ascent()), texts[1]);
        return;
    }
    p.fillRect(rect, selected ? QColor(0, 255, 255) : QColor(255, 255, 227));
    if (texts.isEmpty())
        return;
    QFont f(QStringLiteral("Arial"), 9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(rect.topLeft() + QPoint(15, 2 + QFontMetrics(f).ascent()), texts[0]);
    f.setBold(false);
    f.setPointSize(8);
    p.setFont(f);
    p.setPen(Qt::blue);
    const int x = texts[1] == QStringLiteral("Gratis") ? 15 : 20;
    p.drawText(rect.topLeft() + QPoint(x, 18 + QFontMetrics(f).ascent()), texts[1]);
}
