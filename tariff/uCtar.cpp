#include "tariff/uCtar.h"

#include "archive/Selection.h"
#include "common/ByteIO.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"
#include "tariff/ProfileFiles.h"
#include "tariff/Repricing.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace
{

// Shows dialog modally in slot, then destroys it and empties the slot.
int runInSlot(TfCtar* dialog, QPointer<QWidget>* slot)
{
    if (slot)
        *slot = dialog;
    const int result = dialog->exec();
    delete dialog;
    if (slot)
        *slot = nullptr;
    return result;
}

} // namespace

int TfCtar::openForRunning(const CtarContext& ctx, QPointer<QWidget>* slot, QWidget* parent)
{
    auto* dialog = new TfCtar(ctx, parent);
    dialog->setMode(RunningConnection);
    dialog->setTabAtt(ctx.runningRecord.nomeTar);
    return runInSlot(dialog, slot);
}

int TfCtar::openForStored(const CtarContext& ctx, QPointer<QWidget>* slot,
                          const QList<ConnRecord>& selection, int firstRow, int lastRow,
                          QWidget* parent)
{
    auto* dialog = new TfCtar(ctx, parent);
    dialog->setMode(StoredConnections);
    dialog->setRows(selection, firstRow, lastRow);
    dialog->setTabAtt(QString());
    return runInSlot(dialog, slot);
}

int TfCtar::openForStored(const CtarContext& ctx, QPointer<QWidget>* slot,
                          const TSelection& selection, int firstRow, int lastRow, QWidget* parent,
                          const archivechange::Runner& runner)
{
    auto* dialog = new TfCtar(ctx, parent);
    dialog->setMode(StoredConnections);
    dialog->setRows(selection, firstRow, lastRow);
    dialog->setRunner(runner);
    dialog->setTabAtt(QString());
    return runInSlot(dialog, slot);
}

TfCtar::TfCtar(const CtarContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fCtar"));
    setWindowTitle(QStringLiteral("Cambio Tariffa"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(256, 139);

    auto* groupBox1 = new QGroupBox(QStringLiteral(" Tariffa Attuale "), this);
    groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    groupBox1->setGeometry(8, 4, 240, 44);
    m_tabAtt = new QLabel(groupBox1);
    m_tabAtt->setObjectName(QStringLiteral("tabAtt"));
    m_tabAtt->setTextFormat(Qt::PlainText);
    QFont bold = m_tabAtt->font();
    bold.setBold(true);
    m_tabAtt->setFont(bold);
    m_tabAtt->setGeometry(10, 18, 222, 20);

    auto* groupBox2 = new QGroupBox(QStringLiteral(" Tariffa da Applicare "), this);
    groupBox2->setObjectName(QStringLiteral("GroupBox2"));
    groupBox2->setGeometry(8, 52, 240, 50);
    m_profiles = new QComboBox(groupBox2);
    m_profiles->setObjectName(QStringLiteral("cb1"));
    m_profiles->setGeometry(10, 18, 222, 24);

    m_applica = new QPushButton(QStringLiteral("&Applica"), this);
    m_applica->setObjectName(QStringLiteral("applica"));
    m_applica->setGeometry(48, 108, 92, 25);
    m_applica->setDefault(true);
    m_chiudi = new QPushButton(QStringLiteral("&Chiudi"), this);
    m_chiudi->setObjectName(QStringLiteral("Chiudi"));
    m_chiudi->setGeometry(148, 108, 92, 25);

    // The names come sorted; the box shows the first one chosen.
    QStringList names;
    TProfileFiles(ctx.profiles, ctx.programFolder, ctx.prompt).ListProfiles(names);
    if (names.isEmpty())
        names << EmptyListText;
    m_profiles->addItems(names);
    m_profiles->setCurrentIndex(0);

    connect(m_profiles, &QComboBox::activated, this, &TfCtar::profileChosen);
    connect(m_applica, &QPushButton::clicked, this, &TfCtar::applicaClick);
    connect(m_chiudi, &QPushButton::clicked, this, &TfCtar::ChiudiClick);
    new THelpKey(this, ctx.shell, ctx.prompt, ctx.dataFolder, QString());

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfCtar::setRows(const QList<ConnRecord>& selection, int firstRow, int lastRow)
{
    m_rows.clear();
    for (int row = firstRow; row <= lastRow && row > 0; ++row) {
        const int k = row - 1;
        if (k < selection.size() && !selection[k].isDeleted())
            m_rows.push_back({selection[k].indice, selection[k].inizio});
        else
            m_rows.push_back({});
    }
    m_firstRow = firstRow;
    m_lastRow = lastRow;
}

void TfCtar::setRows(const TSelection& selection, int firstRow, int lastRow)
{
    m_rows = firstRow > 0 ? selection.refs(firstRow - 1, lastRow - 1)
                          : std::vector<archivechange::RecordRef>{};
    m_firstRow = firstRow;
    m_lastRow = lastRow;
}

void TfCtar::setTabAtt(const QString& name)
{
    m_tabAtt->setText(name);
}

QString TfCtar::tabAtt() const
{
    return m_tabAtt->text();
}

void TfCtar::profileChosen(int index)
{
    Q_UNUSED(index);
    m_applica->setEnabled(true);
}

void TfCtar::ChiudiClick()
{
    reject();
}

void TfCtar::applicaClick()
{
    switch (m_ftype) {
    case RunningConnection:
        changeRunning();
        return;
    case StoredConnections:
        repriceStored();
        return;
    default:
        m_ctx.prompt.message(NoModeText, repricing::ProgramTitle, PromptIcon::Warning);
        return;
    }
}

void TfCtar::changeRunning()
{
    const CtarContext& c = m_ctx;
    const QString name = m_profiles->currentText();
    const repricing::ChangeResult result = repricing::changeRunning(
        {c.sessionRunning, c.runningRecord, c.profiles, c.sessionSchedule, c.sessionTrace},
        c.programFolder, c.holidays, name, c.prompt);
    if (result != repricing::ChangeResult::Changed)
        return;
    if (c.runningRepriced)
        c.runningRepriced();
    setTabAtt(c.runningRecord.nomeTar);
    m_applica->setEnabled(false);
}

void TfCtar::repriceStored()
{
    const CtarContext& c = m_ctx;
    const QString name = m_profiles->currentText();
    // Nothing happens unless both rows are set.
    if (m_firstRow == 0 || m_lastRow == 0)
        return;
    archivechange::Runner runner;
    if (m_runner)
        runner = [this](const archivechange::Work& work) {
            hide();
            m_runner(work);
        };
    const repricing::StoredResult result = repricing::repriceStored(
        {c.profiles, c.archive, c.holidays, c.programFolder, c.iva, c.prompt}, name, m_rows, {},
        runner);
    if (!result.started)
        return;
    if (result.repriced > 0)
        setTabAtt(bio::cutTo(name, ConnRecord::NomeTarMax));
    m_applica->setEnabled(false);
    accept();
}
