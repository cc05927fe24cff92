#include "dialup/uAutoDial.h"

#include "app/Settings.h"
#include "common/Prompt.h"
#include "dialup/DialSession.h"
#include "dialup/DialUp.h"
#include "dialup/uStato.h"
#include "dialup/uUsrPas.h"
#include "platform/gui/HelpKey.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

namespace
{

// Draws the order list: the starting provider greyed wherever it stands.
class OrdineDelegate : public QStyledItemDelegate
{
public:
    OrdineDelegate(const QComboBox* provider, QObject* parent)
        : QStyledItemDelegate(parent), m_provider(provider)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QString text = index.data().toString();
        painter->save();
        painter->fillRect(option.rect, TfAutoDial::ordineBackground(selected, option.palette));
        painter->setPen(TfAutoDial::ordineTextColour(text, m_provider->currentText(), selected));
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          text);
        painter->restore();
    }

private:
    const QComboBox* m_provider;
};

QLabel* label(QWidget* parent, const QString& text, const char* name, int x, int y, int w = 0)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(x, y);
    if (w > 0)
        l->resize(w, 18);
    else
        l->adjustSize();
    return l;
}

QLineEdit* countEdit(QWidget* parent, const char* name, int x, int y)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(x, y, 30, 22);
    e->setMaxLength(4);
    return e;
}

QRadioButton* radio(QWidget* parent, const QString& text, const char* name, int x, int y)
{
    auto* r = new QRadioButton(text, parent);
    r->setObjectName(QLatin1String(name));
    r->move(x, y);
    r->adjustSize();
    return r;
}

} // namespace

TfAutoDial::TfAutoDial(const AutoDialContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx),
      m_ownStato(ctx.stato ? nullptr : std::make_unique<TfStato>()),
      m_stato(ctx.stato ? ctx.stato : m_ownStato.get()),
      m_progress(new TDialProgress(ctx.session, *m_stato, this)),
      m_plan(ctx.session, *m_progress, *this)
{
    setObjectName(QStringLiteral("fAutoDial"));
    setWindowTitle(QStringLiteral("Auto Composizione..."));
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    new THelpKey(this, ctx.shell, ctx.session.prompt(), ctx.dataFolder,
                 QStringLiteral("finavvio.htm"));
    formCreate();
}

TfAutoDial::~TfAutoDial() = default;

TfStato& TfAutoDial::stato()
{
    return *m_stato;
}

void TfAutoDial::createControls()
{
    setFixedSize(336, 446);

    auto* groupBox7 = new QGroupBox(QStringLiteral(" Inizia con... "), this);
    groupBox7->setObjectName(QStringLiteral("GroupBox7"));
    groupBox7->setGeometry(8, 6, 320, 82);
    m_provider = new QComboBox(groupBox7);
    m_provider->setObjectName(QStringLiteral("Provider"));
    m_provider->setEditable(true);
    m_provider->setInsertPolicy(QComboBox::NoInsert);
    m_provider->setGeometry(10, 22, 300, 22);
    label(groupBox7, QStringLiteral("per"), "Label1", 10, 54);
    m_tentativi1 = countEdit(groupBox7, "Tentativi1", 34, 52);
    label(groupBox7, QStringLiteral("Tentativi se occupato (max 20 - def 10)"), "Label2", 70, 54);

    label(this, QStringLiteral("poi"), "Label3", 12, 96);
    m_rinuncia = radio(this, QStringLiteral("Rinuncia"), "Rinuncia", 40, 94);
    label(this, QStringLiteral("oppure"), "Label4", 130, 96);
    m_prosegui = radio(this, QStringLiteral("Prosegui"), "prosegui", 184, 94);
    auto* pair = new QButtonGroup(this);
    pair->addButton(m_rinuncia);
    pair->addButton(m_prosegui);
    m_rinuncia->setChecked(true);
    label(this, QStringLiteral("con gli altri providers nell'ordine indicato "), "Label5", 12, 120);

    m_ordine = new QListWidget(this);
    m_ordine->setObjectName(QStringLiteral("ordine"));
    m_ordine->setGeometry(12, 142, 282, 150);
    m_ordine->setItemDelegate(new OrdineDelegate(m_provider, m_ordine));
    m_moveUp = new QToolButton(this);
    m_moveUp->setObjectName(QStringLiteral("SpeedButton2"));
    m_moveUp->setArrowType(Qt::UpArrow);
    m_moveUp->setGeometry(302, 160, 24, 24);
    m_moveDown = new QToolButton(this);
    m_moveDown->setObjectName(QStringLiteral("SpeedButton3"));
    m_moveDown->setArrowType(Qt::DownArrow);
    m_moveDown->setGeometry(302, 250, 24, 24);

    label(this, QStringLiteral("per"), "Label6", 12, 304);
    m_tentativi2 = countEdit(this, "tentativi2", 36, 302);
    label(this, QStringLiteral("Tentativi ciascuno se occupato"), "Label7", 72, 304);

    auto* groupBox1 = new QGroupBox(QStringLiteral(" Su Errore... "), this);
    groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    groupBox1->setGeometry(8, 332, 320, 64);
    m_successivo = radio(groupBox1, QStringLiteral("Passa al successivo provider, oppure"),
                         "successivo", 10, 18);
    m_interrompi =
        radio(groupBox1, QStringLiteral("Interrompi l'operazione."), "interrompi", 10, 38);
    m_interrompi->setChecked(true);

    m_ok = new QPushButton(QStringLiteral("C&onnetti"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setGeometry(70, 408, 90, 28);
    m_ok->setDefault(true);
    m_close = new QPushButton(QStringLiteral("&Chiudi"), this);
    m_close->setObjectName(QStringLiteral("SpeedButton1"));
    m_close->setGeometry(176, 408, 90, 28);

    connect(m_ok, &QPushButton::clicked, this, [this] { okClick(); });
    connect(m_close, &QPushButton::clicked, this, &TfAutoDial::closeClick);
    connect(m_moveUp, &QToolButton::clicked, this, &TfAutoDial::moveUpClick);
    connect(m_moveDown, &QToolButton::clicked, this, &TfAutoDial::moveDownClick);
    connect(m_provider, &QComboBox::currentTextChanged, this, &TfAutoDial::ProviderClick);
}

void TfAutoDial::formCreate()
{
    TDialUp& dialUp = m_ctx.session.dialUp();
    dialUp.enumerateEntries(m_ctx.session.provider());
    for (const QString& name : dialUp.state().entries)
        if (!name.isEmpty())
            m_provider->addItem(name);
    // A phone book the user may not read is said once the window is up, not
    // left as an empty list.
    const QString problem = dialUp.entriesProblem();
    if (!problem.isEmpty())
        QTimer::singleShot(0, this, [this, problem] {
            m_ctx.session.prompt().message(problem, QStringLiteral("Tarvelo!..."),
                                           PromptIcon::Warning);
        });
    m_provider->model()->sort(0);
    const Settings& s = m_ctx.settings;
    m_provider->setCurrentIndex(
        m_provider->findText(s.provider, Qt::MatchFixedString | Qt::MatchCaseSensitive));
    if (m_provider->currentIndex() < 0)
        m_provider->setEditText(QString());

    m_tentativi1->setText(QString::number(s.tentativi1));
    m_tentativi2->setText(QString::number(s.tentativi2));
    m_rinuncia->setChecked(s.rinuncia);
    m_prosegui->setChecked(s.prosegui);
    m_successivo->setChecked(s.successivo);
    m_interrompi->setChecked(s.interrompi);

    QStringList order;
    for (const QString& name : s.altri) {
        if (name.isEmpty())
            break;
        order << name;
    }
    for (int i = 0; i < m_provider->count(); ++i)
        if (!order.contains(m_provider->itemText(i)))
            order << m_provider->itemText(i);
    m_ordine->addItems(order);

    dialUp.state().hangUpRunning = false;
}

QColor TfAutoDial::ordineBackground(bool selected, const QPalette& palette)
{
    return selected ? palette.color(QPalette::Highlight) : QColor(Qt::white);
}

QColor TfAutoDial::ordineTextColour(const QString& item, const QString& provider, bool selected)
{
    if (item == provider)
        return QColor::fromRgb(GreyedText);
    return selected ? QColor(Qt::white) : QColor(Qt::black);
}

void TfAutoDial::ProviderClick()
{
    m_ordine->viewport()->update();
}

void TfAutoDial::moveSelected(int step)
{
    // Nothing selected, or nowhere to go: nothing moves.
    const int row = m_ordine->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= m_ordine->count())
        return;
    QListWidgetItem* item = m_ordine->takeItem(row);
    m_ordine->insertItem(to, item);
    m_ordine->setCurrentRow(to);
}

void TfAutoDial::moveUpClick()
{
    moveSelected(-1);
}

void TfAutoDial::moveDownClick()
{
    moveSelected(1);
}

void TfAutoDial::closeClick()
{
    m_ctx.session.backToAutomatic();
    close();
}

AutoDialChoice TfAutoDial::choice() const
{
    AutoDialChoice c;
    c.provider = m_provider->currentText();
    c.tentativi1 = m_tentativi1->text();
    c.rinuncia = m_rinuncia->isChecked();
    for (int i = 0; i < m_ordine->count(); ++i)
        c.ordine << m_ordine->item(i)->text();
    c.tentativi2 = m_tentativi2->text();
    c.interrompi = m_interrompi->isChecked();
    return c;
}

TAutoDialPlan::Outcome TfAutoDial::okClick()
{
    // The dialler is hidden while it dials; a second run must not start from
    // a message box shown meanwhile.
    if (m_dialling)
        return TAutoDialPlan::Outcome::Cancelled;
    m_dialling = true;
    const TAutoDialPlan::Outcome outcome = m_plan.run(choice());
    m_dialling = false;
    return outcome;
}

void TfAutoDial::storeSettings()
{
    Settings& s = m_ctx.settings;
    const QString text = m_provider->currentText();
    s.provider = m_provider->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0
                     ? text.left(AutoDialTextMax)
                     : QString();
    s.tentativi1 = TAutoDialPlan::storedAttempts1(m_tentativi1->text());
    s.rinuncia = m_rinuncia->isChecked();
    s.prosegui = m_prosegui->isChecked();
    for (size_t i = 0; i < s.altri.size(); ++i)
        s.altri[i] = int(i) < m_ordine->count()
                         ? m_ordine->item(int(i))->text().left(AutoDialTextMax)
                         : QString();
    s.tentativi2 = TAutoDialPlan::storedAttempts2(m_tentativi2->text());
    s.successivo = m_successivo->isChecked();
    s.interrompi = m_interrompi->isChecked();
}

void TfAutoDial::closeEvent(QCloseEvent* event)
{
    if (m_dialling) {
        // Closed from outside while dialling: the run still needs the window.
        event->ignore();
        return;
    }
    storeSettings();
    event->accept();
}

int TfAutoDial::runAttempt(const QString& attemptLine, const QString& entryName,
                           const QString& phoneNumber)
{
    return m_stato->run(attemptLine, entryName, phoneNumber);
}

void TfAutoDial::showDialler()
{
    show();
}

void TfAutoDial::hideDialler()
{
    hide();
}

void TfAutoDial::processEvents()
{
    QCoreApplication::processEvents();
}

void TfAutoDial::askCredentials(TProviderRecord& provider)
{
    TfUsrPas::ask(provider, m_ctx.shell, m_ctx.session.prompt(), m_ctx.dataFolder, this);
}
