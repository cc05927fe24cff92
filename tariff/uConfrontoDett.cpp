#include "tariff/uConfrontoDett.h"

#include "common/Format.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/WidgetBuild.h"
#include "tariff/ComparisonModel.h"

#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

TfConfrontoDett::TfConfrontoDett(const Context& ctx, const TComparedConnections& connections,
                                 const ComparedProfile& profile, int32_t iva, QWidget* parent)
    : QDialog(parent), m_model(connections, profile.name, profile.table, iva)
{
    setObjectName(QStringLiteral("fConfrontoDett"));
    setWindowTitle(QStringLiteral(" Dettaglio Confronto [") + profile.name + QLatin1Char(']'));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowSystemMenuHint);
    setFixedSize(720, 440);

    const int total = connections.size();
    const int priced = total - m_model.unpriced();
    const QString connessioni =
        priced == 1 ? QStringLiteral(" connessione") : QStringLiteral(" connessioni");
    QString text = QString::number(priced) + connessioni;
    if (m_model.unpriced() > 0)
        text += QStringLiteral(" su ") + QString::number(total);
    text += QStringLiteral(": in archivio ") +
            TComparisonModel::lireAndEuroText(m_model.storedOfPriced(), ctx.cambioEcu) +
            QStringLiteral(", con ") + profile.name + QLatin1Char(' ') +
            TComparisonModel::lireAndEuroText(m_model.pricedTotal(), ctx.cambioEcu) +
            QLatin1Char('.');
    if (m_model.unpriced() > 0)
        text += QLatin1Char('\n') + QString::number(m_model.unpriced()) +
                QStringLiteral(" senza fascia oraria in vigore all'inizio, non calcolate.");
    m_totals = new QLabel(text, this);
    m_totals->setObjectName(QStringLiteral("Totali"));
    m_totals->setTextFormat(Qt::PlainText);
    m_totals->setGeometry(8, 6, 704, 36);
    m_totals->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_table = makeTable(this, &m_model, QRect(4, 46, 712, 354), 22, {48, 180, 70, 104, 84, 96});

    auto* chiudi =
        widgetbuild::button(this, "Chiudi", QStringLiteral("&Chiudi"), QRect(608, 408, 108, 26));
    connect(chiudi, &QPushButton::clicked, this, &TfConfrontoDett::ChiudiClick);
    widenForColumns(this, m_table);
    if (parent)
        move(parent->geometry().center() - rect().center());
    new THelpKey(this, ctx.shell, ctx.prompt, ctx.dataFolder, QStringLiteral("confronto.htm"));
}

QTableView* TfConfrontoDett::makeTable(QWidget* parent, QAbstractItemModel* model,
                                       const QRect& geometry, int rowHeight,
                                       std::initializer_list<int> widths)
{
    auto* table = new QTableView(parent);
    table->setObjectName(QStringLiteral("sg1"));
    table->setGeometry(geometry);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideRight);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    QHeaderView* header = table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    // The design widths, or wider where the texts in the system font need
    // it (the first rows and the captions are measured).
    int c = 0;
    for (int w : widths) {
        table->setColumnWidth(
            c, std::max({w, static_cast<QAbstractItemView*>(table)->sizeHintForColumn(c),
                         header->sectionSizeHint(c)}));
        ++c;
    }
    return table;
}

void TfConfrontoDett::widenForColumns(QWidget* window, QTableView* table)
{
    QHeaderView* header = table->horizontalHeader();
    const int last = header->count() - 1;
    if (last < 0)
        return;
    int needed = 0;
    for (int c = 0; c < last; ++c)
        needed += header->sectionSize(c);
    // The last column stretches, but never below the header's default size.
    needed += std::max({static_cast<QAbstractItemView*>(table)->sizeHintForColumn(last),
                        header->sectionSizeHint(last), header->defaultSectionSize()});
    const int shown =
        table->width() - 2 * table->frameWidth() - table->verticalScrollBar()->sizeHint().width();
    int extra = needed - shown;
    if (const QScreen* screen = window->screen())
        extra = std::min(extra, screen->availableGeometry().width() - 16 - window->width());
    if (extra <= 0)
        return;
    const int width = window->width();
    for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow())
            continue;
        const QRect g = w->geometry();
        if (g.left() >= width / 2)
            w->move(g.x() + extra, g.y());
        else if (g.right() >= width - 9)
            w->resize(g.width() + extra, g.height());
    }
    window->setFixedSize(width + extra, window->height());
}

QString TfConfrontoDett::totalsText() const
{
    return m_totals->text();
}

void TfConfrontoDett::ChiudiClick()
{
    reject();
}
