#include "tariff/uConfronto.h"

#include "common/Format.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/WidgetBuild.h"
#include "tariff/uConfrontoDett.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>

namespace
{

const QString HelpPage = QStringLiteral("confronto.htm");
const QString InfoTitle = QStringLiteral("Informazione...");

// Table rows, the bar colours of each kind of row.
constexpr int RowHeight = 24;
const QColor CheapestBar(0, 160, 0);
const QColor CompleteBar(128, 128, 0); // olive, as the archive window's cost bars
const QColor PartialBar(176, 176, 176);

// Draws the cheapest row in bold, and the bar column as a bar as long as the
// row's share of the dearest total.
class TComparisonDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(p, option, index);
        if (index.column() != TComparisonModel::Bar)
            return;
        const double share = index.data(TComparisonModel::BarRole).toDouble();
        if (share < 0)
            return;
        const auto kind = TComparisonModel::RowKind(index.data(TComparisonModel::KindRole).toInt());
        const QRect room = option.rect.adjusted(4, 6, -4, -6);
        const int length = std::max(share > 0 ? 1 : 0, int(room.width() * share));
        if (length == 0)
            return;
        const QRect bar(room.left(), room.top(), length, room.height());
        p->save();
        p->fillRect(bar, kind == TComparisonModel::RowKind::Cheapest  ? CheapestBar
                         : kind == TComparisonModel::RowKind::Partial ? PartialBar
                                                                      : CompleteBar);
        p->setPen(Qt::black);
        p->drawRect(bar.adjusted(0, 0, -1, -1));
        p->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (TComparisonModel::RowKind(index.data(TComparisonModel::KindRole).toInt()) ==
            TComparisonModel::RowKind::Cheapest)
            option->font.setBold(true);
    }
};

QString count(int64_t n)
{
    return fmt::formatFloat(QStringLiteral("#,#0"), double(n));
}

} // namespace

int TfConfronto::open(const ConfrontoContext& ctx, const TComparedConnections& connections,
                      QWidget* parent, QPointer<QWidget>* slot)
{
    if (connections.isEmpty()) {
        ctx.prompt.message(NoConnectionsText, InfoTitle, PromptIcon::Information);
        return QDialog::Rejected;
    }
    auto* w = new TfConfronto(ctx, connections, parent);
    if (w->comparison().profiles().isEmpty()) {
        delete w;
        ctx.prompt.message(NoProfilesText, InfoTitle, PromptIcon::Information);
        return QDialog::Rejected;
    }
    if (slot)
        *slot = w;
    const int result = w->exec();
    delete w;
    return result;
}

TfConfronto::TfConfronto(const ConfrontoContext& ctx, const TComparedConnections& connections,
                         QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_connections(connections),
      m_comparison(TTariffComparison::loadProfiles(ctx.programFolder), ctx.iva),
      m_model(ctx.cambioEcu)
{
    setObjectName(QStringLiteral("fConfronto"));
    setWindowTitle(QStringLiteral(" Confronto Tariffe"));
    buildControls();
    new THelpKey(this, ctx.shell, ctx.prompt, ctx.dataFolder, HelpPage);

    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TfConfronto::slice);

    // Every profile listed from the start, each with nothing priced yet.
    m_model.setRows(m_comparison.rows());
    showState();
}

TfConfronto::~TfConfronto()
{
    stop();
}

void TfConfronto::buildControls()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowSystemMenuHint);
    setFixedSize(744, 392);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Connessioni"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setGeometry(8, 6, 728, 18);

    m_table = TfConfrontoDett::makeTable(this, &m_model, QRect(4, 28, 736, 266), RowHeight,
                                         {150, 100, 72, 92, 70, 104});
    m_table->setItemDelegate(new TComparisonDelegate(m_table));
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_table, &QTableView::activated, this,
            [this](const QModelIndex& index) { showDetail(index.row()); });

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("Stato"));
    m_state->setTextFormat(Qt::PlainText);
    m_state->setGeometry(8, 300, 728, 18);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Avanzamento"));
    m_progress->setGeometry(8, 324, 728, 20);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    m_dettaglio = widgetbuild::button(this, "Dettaglio", QStringLiteral("&Dettaglio"),
                                      QRect(404, 356, 108, 26));
    m_interrompi = widgetbuild::button(this, "Interrompi", QStringLiteral("&Interrompi"),
                                       QRect(518, 356, 108, 26));
    m_chiudi =
        widgetbuild::button(this, "Chiudi", QStringLiteral("&Chiudi"), QRect(632, 356, 108, 26));
    connect(m_dettaglio, &QPushButton::clicked, this, &TfConfronto::DettaglioClick);
    connect(m_interrompi, &QPushButton::clicked, this, &TfConfronto::InterrompiClick);
    connect(m_chiudi, &QPushButton::clicked, this, &TfConfronto::ChiudiClick);
}

void TfConfronto::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_started)
        start();
}

void TfConfronto::start()
{
    m_started = true;
    m_stopped = false;
    if (m_comparison.begin(m_connections.source()))
        m_timer.start();
    m_model.setRows(m_comparison.rows());
    showState();
}

void TfConfronto::slice()
{
    if (!m_comparison.running()) {
        m_timer.stop();
        return;
    }
    if (m_comparison.step(m_slicePositions) != TTariffComparison::Step::More)
        m_timer.stop();
    m_model.setRows(m_comparison.rows());
    showState();
}

void TfConfronto::stop()
{
    m_timer.stop();
    if (m_comparison.running()) {
        m_comparison.cancel();
        m_stopped = true;
    }
}

void TfConfronto::InterrompiClick()
{
    if (!m_comparison.running())
        return;
    stop();
    m_model.setRows(m_comparison.rows());
    showState();
}

void TfConfronto::showState()
{
    const TComparedConnections& c = m_connections;
    QString summary = count(c.size()) + (c.size() == 1 ? QStringLiteral(" connessione")
                                                       : QStringLiteral(" connessioni"));
    if (!c.isEmpty()) {
        const QString from = fmt::formatShortDate(c.firstStart());
        const QString to = fmt::formatShortDate(c.lastStart());
        summary += from == to ? QStringLiteral(" del ") + from
                              : QStringLiteral(" dal ") + from + QStringLiteral(" al ") + to;
    }
    summary += QStringLiteral(", IVA ") + QString::number(m_ctx.iva) + QStringLiteral("%");
    m_summary->setText(summary);

    const TTariffComparison& cmp = m_comparison;
    const QString stored = QStringLiteral("costo in archivio ") +
                           TComparisonModel::lireAndEuroText(cmp.storedTotal(), m_ctx.cambioEcu);
    QString state;
    if (cmp.running())
        state = QStringLiteral("Calcolo in corso: ") + count(cmp.done()) + QStringLiteral(" su ") +
                count(cmp.total()) + QStringLiteral(" connessioni...");
    else if (cmp.complete())
        state = QStringLiteral("Confronto completato: ") + stored + QLatin1Char('.');
    else if (!cmp.errorText().isEmpty())
        state = QStringLiteral("Confronto non riuscito: ") + cmp.errorText();
    else if (m_stopped)
        state = QStringLiteral("Confronto interrotto: i totali riguardano solo le prime ") +
                count(cmp.connections()) + QStringLiteral(" connessioni (") + stored +
                QStringLiteral(").");
    m_state->setText(state);

    const int64_t total = cmp.total();
    m_progress->setValue(total > 0 ? int(cmp.done() * 1000 / total) : (cmp.complete() ? 1000 : 0));
    m_interrompi->setEnabled(cmp.running());
}

void TfConfronto::DettaglioClick()
{
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid())
        showDetail(current.row());
}

void TfConfronto::showDetail(int row)
{
    if (row < 0 || row >= m_model.rowCount())
        return;
    const ComparisonRow r = m_model.rows()[row];
    const ComparedProfile* profile = nullptr;
    for (const ComparedProfile& p : m_comparison.profiles())
        if (p.name == r.profile)
            profile = &p;
    if (!profile)
        return;
    if (!profile->usable()) {
        m_ctx.prompt.message(QStringLiteral("La tabella <") + profile->name +
                                 QStringLiteral("> non si può usare: ") + profile->error,
                             QStringLiteral("Errore..."), PromptIcon::Warning);
        return;
    }
    auto* detail =
        new TfConfrontoDett({m_ctx.dataFolder, m_ctx.cambioEcu, m_ctx.prompt, m_ctx.shell},
                            m_connections, *profile, m_ctx.iva, this);
    m_detail = detail;
    detail->exec();
    // Gone already if this window went while the detail was open.
    delete m_detail.data();
}

void TfConfronto::ChiudiClick()
{
    reject();
}

void TfConfronto::reject()
{
    stop();
    QDialog::reject();
}
