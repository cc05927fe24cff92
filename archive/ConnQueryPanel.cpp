#include "archive/ConnQueryPanel.h"

#include "archive/ArchiveFile.h"
#include "common/ByteIO.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "platform/gui/WidgetBuild.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>

namespace
{

using Kind = SelectionPeriod::Kind;
// The period buttons in the order of the kept choices.
constexpr Kind PeriodKinds[6] = {Kind::Oggi,    Kind::UltSett, Kind::Ult15gg,
                                 Kind::Ult30gg, Kind::UltMese, Kind::UltBimestre};

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

TConnQueryPanel::TConnQueryPanel(const ConnContext& ctx, QWidget* window)
    : QObject(window), m_ctx(ctx), m_queries(ctx.programFolder)
{
    buildControls(window);
    if (m_ctx.loadChoices)
        m_kept = m_ctx.loadChoices();
    m_descrizione = m_kept.description;
}

void TConnQueryPanel::start()
{
    buildQueryLists();
    fillProfiles();
    fillProviders();
}

void TConnQueryPanel::keepChoices()
{
    ConnWindowChoices c;
    c.description = m_descrizione;
    for (int i = 0; i < 6; ++i)
        c.periods[size_t(i)] = m_periods[i]->isChecked();
    if (m_ctx.saveChoices)
        m_ctx.saveChoices(c);
}

void TConnQueryPanel::buildControls(QWidget* window)
{
    // "Interrogazioni :"
    auto* queries = new QGroupBox(QStringLiteral("Interrogazioni :"), window);
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
    connect(m_descriz, &QComboBox::activated, this, &TConnQueryPanel::chooseDescription);
    // Enter makes a new query. The key goes to the combo box, which has the
    // focus for its line edit and hands keys to it bypassing any filter; the
    // key is taken there, before the box would take Enter on an existing
    // description as a choice from the list.
    m_descriz->installEventFilter(this);
    m_modifica = button(user, "modifica", QStringLiteral("&Modifica"), QRect(236, 34, 68, 24));
    m_modifica->setToolTip(QStringLiteral("Salva i dati della descrizione qui sotto"));
    m_elimina = button(user, "elimina", QStringLiteral("&Elimina"), QRect(308, 34, 68, 24));
    m_elimina->setToolTip(QStringLiteral("Elimina la descrizione qui sotto"));
    connect(m_modifica, &QPushButton::clicked, this, &TConnQueryPanel::modificaClick);
    connect(m_elimina, &QPushButton::clicked, this, &TConnQueryPanel::eliminaClick);

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
    connect(m_meno, &QToolButton::clicked, this, &TConnQueryPanel::MenoClick);
    connect(m_piu, &QToolButton::clicked, this, &TConnQueryPanel::PiuClick);

    label(user, QStringLiteral("Profili Tariffari"), QRect(236, 66, 140, 16));
    m_nomeTar = comboBox(user, "NomeTar", ConnRecord::NomeTarMax, QRect(236, 82, 140, 24));
    m_tarTutti = new QCheckBox(QStringLiteral("Tutti"), user);
    m_tarTutti->setObjectName(QStringLiteral("TarTutti"));
    m_tarTutti->setGeometry(236, 110, 100, 18);

    // Right side: telephone and provider filters, then the buttons.
    label(window, QStringLiteral("Telefono"), QRect(542, 330, 100, 16));
    m_tel = comboBox(window, "tel", ConnRecord::TelefonoMax, QRect(542, 346, 222, 24));
    label(window, QStringLiteral("Provider"), QRect(542, 374, 100, 16));
    m_provider = comboBox(window, "provider", ConnRecord::ProviderMax, QRect(542, 390, 162, 24));
    m_provTutti = new QCheckBox(QStringLiteral("Tutto"), window);
    m_provTutti->setObjectName(QStringLiteral("ProvTutti"));
    m_provTutti->setGeometry(710, 392, 56, 20);

    auto* riselezione =
        button(window, "Riselezione", QStringLiteral("&Riselezione"), QRect(542, 424, 108, 26));
    auto* aggiorna =
        button(window, "aggiorna", QStringLiteral("&Aggiorna"), QRect(656, 424, 108, 26));
    connect(riselezione, &QPushButton::clicked, this, &TConnQueryPanel::RiselezioneClick);
    connect(aggiorna, &QPushButton::clicked, this, &TConnQueryPanel::aggiornaClick);
    m_controls = {queries, m_tel, m_provider, m_provTutti, riselezione, aggiorna};
}

void TConnQueryPanel::setEnabled(bool on)
{
    for (QWidget* w : m_controls)
        w->setEnabled(on);
}

void TConnQueryPanel::fillProfiles()
{
    if (!m_ctx.profileNames)
        return;
    for (const QString& name : m_ctx.profileNames())
        addSorted(m_nomeTar, name);
}

void TConnQueryPanel::fillProviders()
{
    if (!m_ctx.providerEntries)
        return;
    for (const QString& name : QueryForm::providerChoices(m_ctx.providerEntries()))
        if (!hasItem(m_provider, name))
            addSorted(m_provider, name);
}

bool TConnQueryPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_descriz && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            DescrizEnter();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TConnQueryPanel::showing()
{
    chooseDescription();
    for (int i = 0; i < 6; ++i) {
        if (m_kept.periods[size_t(i)]) {
            m_periods[i]->setChecked(true);
            periodClick(PeriodKinds[i]);
            break;
        }
    }
    m_namedQuery = false;
}

// ---- The filter -----------------------------------------------------------------

int TConnQueryPanel::currentYear() const
{
    int y = 0, m = 0, d = 0;
    dt::decodeDate(m_ctx.clock.now(), y, m, d);
    return y;
}

QueryForm TConnQueryPanel::form() const
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

bool TConnQueryPanel::readFilter()
{
    const QueryForm f = form();
    const std::optional<SavedQuery> query = f.toQuery(m_query, currentYear());
    if (!query) {
        m_ctx.prompt.message(QStringLiteral("Data Errata !"), QStringLiteral("Errore..."),
                             PromptIcon::Error);
        return false;
    }
    if (f.unknownProfile(comboItems(m_nomeTar)))
        m_ctx.prompt.message(
            QStringLiteral("La Tabella Tariffe indicata nella Interrogazione Selezionata "
                           "(Gestore Telefonico) Non esiste o è stata Eliminata."),
            QStringLiteral("Informazione..."), PromptIcon::Information);
    m_query = *query;
    return true;
}

bool TConnQueryPanel::hasQueryToApply() const
{
    return m_descriz->count() > 0 || m_descriz->currentText() == TSavedQueries::Predefinita;
}

SelectionFilter TConnQueryPanel::filter() const
{
    return form().filter(m_query);
}

void TConnQueryPanel::addTelephones(const QStringList& telephones)
{
    for (const QString& tel : telephones)
        if (!hasItem(m_tel, tel))
            addSorted(m_tel, tel);
}

bool TConnQueryPanel::hasSavedQueries() const
{
    return m_descriz->count() > 0;
}

QString TConnQueryPanel::descriptionText() const
{
    return m_descriz->currentText();
}

QString TConnQueryPanel::tariffText() const
{
    return m_nomeTar->currentText();
}

bool TConnQueryPanel::allTariffs() const
{
    return m_tarTutti->isChecked();
}

// ---- Periods and buttons -------------------------------------------------------

void TConnQueryPanel::setPeriod(const SelectionPeriod& period)
{
    m_query.dal = period.from;
    m_query.al = period.to;
    m_dal->setEditText(QueryForm::dateText(period.from));
    m_al->setEditText(QueryForm::dateText(period.to));
    m_descriz->setCurrentIndex(-1);
    m_descriz->setEditText(TSavedQueries::Predefinita);
}

void TConnQueryPanel::periodClick(SelectionPeriod::Kind kind)
{
    setPeriod(SelectionPeriod::predefined(kind, m_ctx.clock.now()));
    m_namedQuery = false;
    if (kind == Kind::Oggi)
        RiselezioneClick();
    else
        emit loadRequested();
}

QRadioButton* TConnQueryPanel::periodButton(SelectionPeriod::Kind kind) const
{
    for (int i = 0; i < 6; ++i)
        if (PeriodKinds[i] == kind)
            return m_periods[i];
    return nullptr;
}

void TConnQueryPanel::movePeriod(bool forward)
{
    SelectionPeriod::Step step = SelectionPeriod::Step::Days;
    if (periodButton(Kind::UltMese)->isChecked())
        step = SelectionPeriod::Step::Month;
    else if (periodButton(Kind::UltBimestre)->isChecked())
        step = SelectionPeriod::Step::Bimester;
    setPeriod(SelectionPeriod{m_query.dal, m_query.al}.shifted(step, forward));
    emit loadRequested();
}

void TConnQueryPanel::PiuClick()
{
    movePeriod(true);
}

void TConnQueryPanel::MenoClick()
{
    movePeriod(false);
}

void TConnQueryPanel::RiselezioneClick()
{
    if (readFilter()) {
        emit loadRequested();
        m_namedQuery = false;
    } else {
        m_ctx.prompt.message(QStringLiteral("Dati della Selezione Errati !"),
                             QStringLiteral("Errore..."), PromptIcon::Error);
    }
}

void TConnQueryPanel::aggiornaClick()
{
    chooseDescription();
    m_namedQuery = true;
}

// ---- Saved queries --------------------------------------------------------------

bool TConnQueryPanel::loadQuery(const QString& name)
{
    if (name.isEmpty())
        return false;
    if (m_queries.exists(name)) {
        QString error;
        if (m_queries.load(name, m_query, &error))
            return true;
        showArchiveError(m_ctx.prompt, error);
        return false;
    }
    if (!m_ctx.prompt.confirm(QStringLiteral("Creo la nuova descrizione <") + name +
                              QStringLiteral("> ?")))
        return false;
    return saveQuery(name);
}

bool TConnQueryPanel::saveQuery(const QString& name)
{
    QString error;
    if (m_queries.save(name, m_query, &error))
        return true;
    showArchiveError(m_ctx.prompt, error);
    return false;
}

void TConnQueryPanel::buildQueryLists()
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

void TConnQueryPanel::mergeQueryIntoLists(const SavedQuery& q)
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

void TConnQueryPanel::uncheckPeriods()
{
    for (QRadioButton* b : m_periods) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

void TConnQueryPanel::showQuery()
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

void TConnQueryPanel::chooseDescription()
{
    if (m_descriz->count() == 0)
        return;
    uncheckPeriods();
    const int index = m_descriz->currentIndex();
    m_descrizione = index >= 0 ? m_descriz->itemText(index) : QString();
    m_descriz->setEditText(m_descrizione);
    loadQuery(m_descrizione);
    showQuery();
    emit loadRequested();
}

void TConnQueryPanel::DescrizEnter()
{
    const QString text = m_descriz->currentText();
    const QueryForm::Name name = QueryForm::newQueryName(text, comboItems(m_descriz));
    if (name == QueryForm::Name::Empty || name == QueryForm::Name::Listed)
        return;
    if (!readFilter())
        return;
    if (name == QueryForm::Name::Reserved) {
        m_ctx.prompt.message(
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
    m_ctx.prompt.message(QStringLiteral("La nuova descrizione è stata salvata."),
                         QStringLiteral("Tarvelo!..."), PromptIcon::Information);
}

void TConnQueryPanel::modificaClick()
{
    const QString text = m_descriz->currentText();
    const QueryForm::Name name = QueryForm::changedQueryName(text, comboItems(m_descriz));
    if (name == QueryForm::Name::Empty) {
        m_ctx.prompt.message(
            QStringLiteral("Manca la descrizione.\rNon posso effettuare la modifica."),
            QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
        return;
    }
    if (name == QueryForm::Name::NotListed) {
        m_ctx.prompt.message(
            QStringLiteral("Non posso effettuare la modifica perchè la descrizione non "
                           "corrisponde a nessuna interrogazione esistente.\r\rSe vuoi creare "
                           "una nuova interrogazione, seleziona nuovamente la descrizione e "
                           "premi <invio>."),
            QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
        return;
    }
    if (!m_ctx.prompt.confirm(QStringLiteral("Salvo le modifiche alla Descrizione <") +
                              m_query.descriz + QStringLiteral("> ?")))
        return;
    if (!readFilter())
        return;
    m_query.descriz = text;
    if (saveQuery(text))
        mergeQueryIntoLists(m_query);
}

void TConnQueryPanel::eliminaClick()
{
    const QString text = m_descriz->currentText();
    const int index = m_descriz->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        m_ctx.prompt.message(QStringLiteral("Non posso eliminare questa descrizione."),
                             QStringLiteral("Conferma..."), PromptIcon::Information);
        return;
    }
    if (!m_ctx.prompt.confirm(QStringLiteral("Elimino la Descrizione Selezionata ?")))
        return;
    if (!m_queries.exists(text))
        return;
    // A file that stays would bring the query back at the next opening:
    // the list keeps it too, and the user hears of it.
    if (!m_queries.remove(text)) {
        m_ctx.prompt.message(QStringLiteral("Non ho potuto cancellare la descrizione !\r"
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
    m_ctx.prompt.message(QStringLiteral("La Descrizione Corrente è stata Cancellata !"),
                         QStringLiteral("Info..."), PromptIcon::Warning);
}
