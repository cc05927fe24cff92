#include "archive/uModConn.h"

#include "archive/ConnRecord.h"
#include "common/ByteIO.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

namespace
{

QString dateAndTime(TDateTime t)
{
    return fmt::formatDateTime(QStringLiteral("dd/mm/yyyy"), t) + QLatin1Char(' ') +
           fmt::formatLongTime(t);
}

QLabel* sunkenField(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* field = new QLabel(parent);
    field->setObjectName(QLatin1String(name));
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setGeometry(geometry);
    return field;
}

void caption(QWidget* parent, const QString& text, int y)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(8, y + 3, 60, 17);
}

} // namespace

TfModConn::TfModConn(ConnRecord& record, IPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_record(record), m_prompt(prompt)
{
    setObjectName(QStringLiteral("fModConn"));
    setWindowTitle(QStringLiteral("Modifica dati Connessione"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(269, 332);

    caption(this, QStringLiteral("Inizio"), 8);
    m_inizio = sunkenField(this, "inizio", QRect(72, 8, 189, 23));
    caption(this, QStringLiteral("Fine"), 36);
    m_fine = sunkenField(this, "fine", QRect(72, 36, 189, 23));
    caption(this, QStringLiteral("Lire"), 64);
    m_lire = sunkenField(this, "lire", QRect(72, 64, 189, 23));
    m_lire->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    caption(this, QStringLiteral("Provider"), 100);
    m_provider = new QLineEdit(this);
    m_provider->setObjectName(QStringLiteral("provider"));
    m_provider->setGeometry(72, 100, 189, 23);
    m_provider->setMaxLength(ConnRecord::ProviderMax);

    caption(this, QStringLiteral("Telefono"), 128);
    m_telefono = new QLineEdit(this);
    m_telefono->setObjectName(QStringLiteral("telefono"));
    m_telefono->setGeometry(72, 128, 189, 23);
    m_telefono->setMaxLength(ConnRecord::TelefonoMax);

    caption(this, QStringLiteral("Motivo"), 160);
    m_motivo = new QPlainTextEdit(this);
    m_motivo->setObjectName(QStringLiteral("motivo"));
    m_motivo->setGeometry(8, 180, 253, 104);
    m_motivo->setTabChangesFocus(true);

    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("SpeedButton1"));
    ok->setGeometry(40, 296, 89, 27);
    auto* cancel = new QPushButton(QStringLiteral("&Annulla"), this);
    cancel->setObjectName(QStringLiteral("SpeedButton2"));
    cancel->setGeometry(140, 296, 89, 27);
    connect(ok, &QPushButton::clicked, this, &TfModConn::okClick);
    connect(cancel, &QPushButton::clicked, this, &TfModConn::cancelClick);
}

void TfModConn::fill()
{
    m_inizio->setText(dateAndTime(m_record.inizio));
    m_fine->setText(dateAndTime(m_record.fine));
    // Whole Lire, halves to even as the stored amounts were always rounded.
    m_lire->setText(
        fmt::formatFloat(QStringLiteral("#0,00"), std::nearbyint(double(m_record.costo) + 0.49)));
    m_provider->setText(m_record.provider);
    m_telefono->setText(m_record.telefono);
    QString text = m_record.motivo;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_motivo->setPlainText(text);
}

QString TfModConn::storedMotivo(const QString& boxText)
{
    QString text = boxText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    text = bio::cutTo(text, ConnRecord::MotivoMax);
    // Every CR is now followed by LF, so a CR at the end is a line break cut
    // in half: drop it rather than store a lone CR.
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

void TfModConn::okClick()
{
    m_record.provider = bio::cutTo(m_provider->text(), ConnRecord::ProviderMax);
    m_record.telefono = bio::cutTo(m_telefono->text(), ConnRecord::TelefonoMax);
    m_record.motivo = storedMotivo(m_motivo->toPlainText());
    accept();
}

void TfModConn::cancelClick()
{
    reject();
}

void TfModConn::helpKey()
{
    m_prompt.message(NoHelpText, QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
}

void TfModConn::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        helpKey();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfModConn::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
}
