#include "dialup/uUsrPas.h"

#include "dialup/ProviderRecord.h"
#include "platform/gui/HelpKey.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace
{

QLineEdit* edit(QWidget* parent, const char* name, int y)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(96, y, 160, 22);
    e->setMaxLength(TfUsrPas::FieldMax);
    return e;
}

} // namespace

TfUsrPas::TfUsrPas(IShell& shell, IPrompt& prompt, const QString& dataFolder, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("fUsrPas"));
    setWindowTitle(QStringLiteral("Richiesta dati..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(284, 172);

    auto* group = new QGroupBox(QStringLiteral("Inserisci i dati richiesti quando mancanti"), this);
    group->setGeometry(8, 6, 268, 122);

    m_provider = new QLabel(group);
    m_provider->setObjectName(QStringLiteral("provider"));
    m_provider->setGeometry(8, 22, 252, 20);
    m_provider->setAlignment(Qt::AlignCenter);
    m_provider->setTextFormat(Qt::PlainText);
    QFont bold = m_provider->font();
    bold.setBold(true);
    m_provider->setFont(bold);

    auto* userLabel = new QLabel(QStringLiteral("User Name"), group);
    userLabel->setGeometry(12, 54, 80, 20);
    m_user = edit(group, "user", 52);
    auto* passLabel = new QLabel(QStringLiteral("Password"), group);
    passLabel->setGeometry(12, 86, 80, 20);
    m_pass = edit(group, "pass", 84);
    m_pass->setEchoMode(QLineEdit::Password);
    userLabel->setBuddy(m_user);
    passLabel->setBuddy(m_pass);

    m_chiudi = new QPushButton(QStringLiteral("&Ok"), this);
    m_chiudi->setObjectName(QStringLiteral("Chiudi"));
    m_chiudi->setGeometry(102, 138, 80, 26);
    // Enter anywhere in the prompt closes it.
    m_chiudi->setDefault(true);
    connect(m_chiudi, &QPushButton::clicked, this, &TfUsrPas::ChiudiClick);

    new THelpKey(this, shell, prompt, dataFolder, QStringLiteral("finavvio.htm"));
}

void TfUsrPas::fill(const TProviderRecord& provider)
{
    m_provider->setText(provider.entryName);
    m_user->setText(provider.userName.left(FieldMax));
    m_pass->setText(provider.password.left(FieldMax));
    (m_user->text().isEmpty() ? m_user : m_pass)->setFocus();
}

void TfUsrPas::takeInto(TProviderRecord& provider) const
{
    provider.userName = m_user->text().left(FieldMax);
    provider.password = m_pass->text().left(FieldMax);
}

void TfUsrPas::ChiudiClick()
{
    done(QDialog::Accepted);
}

void TfUsrPas::ask(TProviderRecord& provider, IShell& shell, IPrompt& prompt,
                   const QString& dataFolder, QWidget* parent)
{
    TfUsrPas dialog(shell, prompt, dataFolder, parent);
    dialog.fill(provider);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    dialog.exec();
    dialog.takeInto(provider);
}
