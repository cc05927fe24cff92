#include "options/uSett.h"

#include "app/Settings.h"
#include "common/Prompt.h"
#include "dialup/ProviderRecord.h"
#include "options/uSplash.h"
#include "platform/gui/HelpKey.h"
#include "platform/gui/WidgetBuild.h"
#include "platform/ras/RasBackend.h"
#include "platform/system/Shell.h"
#include "tariff/ProfileFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>

namespace
{

constexpr int Width = 347;
constexpr int Height = 337;
constexpr int PageHeight = 268;
constexpr int NoteX = 212;
constexpr int NoteWidth = Width - NoteX - 8;

const QString InfoTitle = QStringLiteral("Info...");
const QString ErrorTitle = QStringLiteral("Errore...");

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry, bool wrap = false)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    l->setWordWrap(wrap);
    return l;
}

// The grey comment beside each setting.
void note(QWidget* parent, const QString& text, int y, int height)
{
    QLabel* l = label(parent, text, QRect(NoteX, y, NoteWidth, height), true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setStyleSheet(QStringLiteral("color: #404040;"));
    QFont font = l->font();
    font.setPointSize(8);
    l->setFont(font);
}

QLineEdit* lineEdit(QWidget* parent, const char* name, const QRect& geometry, int maxLength = 0)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(geometry);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

using widgetbuild::button;

// Sorted pick-list whose text may also be typed, up to maxLength characters.
QComboBox* pickList(QWidget* parent, const char* name, const QRect& geometry, int maxLength)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(geometry);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->lineEdit()->setMaxLength(maxLength);
    return c;
}

QWidget* page(const char* name)
{
    auto* w = new QWidget;
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

TfSett::TfSett(const SettContext& ctx, SettHooks hooks, Page page, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_ctx(ctx), m_hooks(std::move(hooks)),
      m_providerPage(ctx.dialUp, ctx.provider, ctx.programFolder, ctx.prompt)
{
    setObjectName(QStringLiteral("fSett"));
    setWindowTitle(QStringLiteral("Opzioni..."));
    setFixedSize(Width, Height);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    createControls();
    formCreate();
    showPage(page);
}

void TfSett::createControls()
{
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("NB1"));
    m_pages->setGeometry(4, 4, Width - 8, PageHeight);
    m_pages->addWidget(createAvvio());
    m_pages->addWidget(createMenu());
    m_pages->addWidget(createProviders());
    m_pages->addWidget(createValuta());

    m_pageTabs = new QTabBar(this);
    m_pageTabs->setObjectName(QStringLiteral("TS1"));
    m_pageTabs->setShape(QTabBar::RoundedSouth);
    m_pageTabs->setDrawBase(false);
    m_pageTabs->setExpanding(false);
    for (const char* tab : {"Avvio", "Menù", "Providers", "Valuta"})
        m_pageTabs->addTab(QString::fromUtf8(tab));
    m_pageTabs->setStyleSheet(QStringLiteral("QTabBar::tab:selected { background: lime; }"));
    m_pageTabs->setGeometry(4, PageHeight + 4, Width - 8, 26);
    connect(m_pageTabs, &QTabBar::currentChanged, m_pages, &QStackedWidget::setCurrentIndex);

    // Beside the buttons, while the providers are shown: which dial-up
    // service the entries come from.
    m_rasInfo = new QLabel(this);
    m_rasInfo->setObjectName(QStringLiteral("rasInfo"));
    m_rasInfo->setGeometry(6, PageHeight + 32, 170, 34);
    m_rasInfo->setTextFormat(Qt::RichText);
    m_rasInfo->setWordWrap(true);
    QFont small = m_rasInfo->font();
    small.setPointSize(8);
    m_rasInfo->setFont(small);
    connect(m_rasInfo, &QLabel::linkActivated, this, &TfSett::rasInfoClick);
    m_rasInfo->setVisible(currentPage() == Page::Providers);
    connect(m_pages, &QStackedWidget::currentChanged, m_rasInfo,
            [this](int page) { m_rasInfo->setVisible(Page(page) == Page::Providers); });

    QPushButton* ok = button(this, "Ok", QStringLiteral("&Ok"), QRect(178, 304, 77, 25));
    QPushButton* chiudi =
        button(this, "Chiudi", QStringLiteral("&Chiudi"), QRect(262, 304, 77, 25));
    connect(ok, &QPushButton::clicked, this, &TfSett::OkClick);
    connect(chiudi, &QPushButton::clicked, this, &TfSett::ChiudiClick);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &TfSett::helpKey);
}

QWidget* TfSett::createAvvio()
{
    QWidget* p = page("AvvNote");

    auto* dial = new QGroupBox(QStringLiteral("Tempo di Risposta del Provider "), p);
    dial->setGeometry(4, 4, 200, 54);
    m_edDialTime = lineEdit(dial, "edDialTime", QRect(10, 22, 60, 22));
    label(dial, QStringLiteral("secondi"), QRect(78, 24, 100, 18));
    note(p,
         QStringLiteral("Tempo medio che intercorre tra la partenza del timer e la risposta del "
                        "Provider."),
         4, 62);

    m_edAvviaWind = new QCheckBox(QStringLiteral("Avvia con Windows"), p);
    m_edAvviaWind->setObjectName(QStringLiteral("edAvviaWind"));
    m_edAvviaWind->setGeometry(8, 72, 196, 22);
    note(p, QStringLiteral("Esegue il programma all'avvio di windows"), 70, 36);

    auto* as = new QGroupBox(QStringLiteral("Avvia come "), p);
    as->setGeometry(4, 108, 200, 74);
    m_edNormWind = new QRadioButton(QStringLiteral("Finestra normale"), as);
    m_edNormWind->setObjectName(QStringLiteral("edNormWind"));
    m_edNormWind->setGeometry(10, 22, 180, 22);
    m_edridottoIcona = new QRadioButton(QStringLiteral("Ridotto a icona"), as);
    m_edridottoIcona->setObjectName(QStringLiteral("edridottoIcona"));
    m_edridottoIcona->setGeometry(10, 46, 180, 22);
    note(p, QStringLiteral("Visibilità del timer all'avvio del programma"), 112, 40);

    m_edMostraSeConn = new QCheckBox(QStringLiteral("Mostra quando Connesso"), p);
    m_edMostraSeConn->setObjectName(QStringLiteral("edMostraSeConn"));
    m_edMostraSeConn->setGeometry(8, 196, 196, 22);
    note(p,
         QStringLiteral("Se ridotta a icona, mostra la barra del timer all'inizio della procedura "
                        "di connessione"),
         192, 72);
    return p;
}

QWidget* TfSett::createMenu()
{
    QWidget* p = page("MenuNote");
    struct Entry {
        const char* name;
        const char* caption;
        const char* note;
        void (TfSett::*click)();
    };
    const Entry entries[] = {
        {"OraEsatta", "&Ora Esatta",
         "Sincronizza l'orologio del computer con il Server per l'ora esatta.",
         &TfSett::OraEsattaClick},
        {"CartProg", "Cart. Prog.", "Apre la cartella dove è installato il programma in esecuzione",
         &TfSett::CartProgClick},
        {"CartTariffe", "Cart. Tariffe",
         "Apre la cartella dove sono installate le tabelle delle tariffe",
         &TfSett::CartTariffeClick},
        {"About", "Tarvelo!", "Informazioni sul Copyright e la versione del programma",
         &TfSett::AboutClick},
    };
    int y = 12;
    for (const Entry& e : entries) {
        QPushButton* b = button(p, e.name, QString::fromUtf8(e.caption), QRect(8, y, 96, 26));
        connect(b, &QPushButton::clicked, this, e.click);
        QLabel* l = label(p, QString::fromUtf8(e.note), QRect(114, y - 4, Width - 130, 48), true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        y += 62;
    }
    return p;
}

QWidget* TfSett::createProviders()
{
    QWidget* p = page("ProviderNote");

    auto* choose = new QGroupBox(QStringLiteral(" Provider "), p);
    choose->setGeometry(4, 2, Width - 16, 54);
    m_provider =
        pickList(choose, "Provider", QRect(10, 22, 196, 24), TProviderRecord::EntryNameMax);
    connect(m_provider, &QComboBox::textActivated, this, &TfSett::ProviderChange);
    QPushButton* save =
        button(choose, "Button3", QStringLiteral("&Salva i Dati"), QRect(214, 21, 103, 26));
    connect(save, &QPushButton::clicked, this, &TfSett::saveDataClick);

    auto* data = new QGroupBox(QStringLiteral(" Dati del Provider Selezionato "), p);
    data->setGeometry(4, 60, Width - 16, 204);
    constexpr int FieldX = 138;
    constexpr int FieldW = 180;
    int y = 20;
    const auto row = [&](const QString& caption) {
        label(data, caption, QRect(8, y, FieldX - 12, 30), true)->setAlignment(Qt::AlignVCenter);
        const int top = y + 4;
        y += 30;
        return top;
    };
    m_username =
        lineEdit(data, "username", QRect(FieldX, row(QStringLiteral("User Name")), FieldW, 22),
                 TProviderRecord::UserNameMax);
    m_password =
        lineEdit(data, "password", QRect(FieldX, row(QStringLiteral("Password")), FieldW, 22),
                 TProviderRecord::PasswordMax);
    m_password->setEchoMode(QLineEdit::Password);
    m_numtel =
        lineEdit(data, "Numtel",
                 QRect(FieldX, row(QStringLiteral("Numero telefonico da applicare")), FieldW, 22),
                 TProviderRecord::PhoneMax);
    m_applicaTab = pickList(data, "ApplicaTab",
                            QRect(FieldX, row(QStringLiteral("Applica la tabella")), FieldW, 24),
                            TProviderRecord::ProfileMax);
    constexpr int VaiW = 40;
    int top = row(QStringLiteral("Homepage"));
    m_homepage = lineEdit(data, "homepage", QRect(FieldX, top, FieldW - VaiW - 4, 22),
                          TProviderRecord::PageMax);
    QPushButton* vaiHome = button(data, "VaiHome", QStringLiteral("&Vai"),
                                  QRect(FieldX + FieldW - VaiW, top - 1, VaiW, 24));
    connect(vaiHome, &QPushButton::clicked, this, &TfSett::VaiHomeClick);
    top = row(QStringLiteral("Pagina Utenti"));
    m_userpage = lineEdit(data, "userpage", QRect(FieldX, top, FieldW - VaiW - 4, 22),
                          TProviderRecord::PageMax);
    QPushButton* vaiUser = button(data, "VaiUser", QStringLiteral("&Vai"),
                                  QRect(FieldX + FieldW - VaiW, top - 1, VaiW, 24));
    connect(vaiUser, &QPushButton::clicked, this, &TfSett::VaiUserClick);
    return p;
}

QWidget* TfSett::createValuta()
{
    QWidget* p = page("ValNote");
    const QString none = QStringLiteral("Nessun commento");

    auto* iva = new QGroupBox(QStringLiteral("I.V.A."), p);
    iva->setGeometry(4, 4, 200, 54);
    m_edIva = lineEdit(iva, "edIva", QRect(10, 22, 60, 22));
    label(iva, QStringLiteral("per cento."), QRect(78, 24, 100, 18));
    note(p, none, 12, 20);

    auto* cambio = new QGroupBox(QStringLiteral("Cambio Lire / Ecu"), p);
    cambio->setGeometry(4, 72, 200, 54);
    m_litecu = lineEdit(cambio, "litecu", QRect(10, 22, 100, 22));
    note(p, none, 80, 20);
    return p;
}

// ---- Opening ----------------------------------------------------------------

void TfSett::formCreate()
{
    const SettForm f = SettForm::fromSettings(m_ctx.settings);
    m_edDialTime->setText(f.dialTime);
    m_edAvviaWind->setChecked(f.avviaWind);
    // Both start-up buttons may be clear (neither setting on).
    m_edNormWind->setAutoExclusive(false);
    m_edridottoIcona->setAutoExclusive(false);
    m_edNormWind->setChecked(f.normWind);
    m_edridottoIcona->setChecked(f.ridottoIcona);
    m_edNormWind->setAutoExclusive(true);
    m_edridottoIcona->setAutoExclusive(true);
    m_edMostraSeConn->setChecked(f.mostraSeConn);
    m_edIva->setText(f.iva);
    m_litecu->setText(f.cambioEcu);

    if (m_ctx.profileNames)
        m_applicaTab->addItems(m_ctx.profileNames());
    m_applicaTab->setCurrentIndex(-1);

    const QStringList entries = m_providerPage.enumerateEntries();
    m_rasInfo->setText(m_providerPage.serviceLine(m_ctx.rasBackend.title()));
    m_provider->addItems(entries);
    if (!entries.isEmpty()) {
        m_provider->setCurrentIndex(0);
        ProviderChange(entries.first());
    } else {
        m_provider->setCurrentIndex(-1);
    }
}

QStringList TfSett::profileItems() const
{
    QStringList items;
    for (int i = 0; i < m_applicaTab->count(); ++i)
        items.append(m_applicaTab->itemText(i));
    return items;
}

void TfSett::showPage(Page page)
{
    const int index = int(page) >= 0 && int(page) < m_pages->count() ? int(page) : 0;
    m_pageTabs->setCurrentIndex(index);
    m_pages->setCurrentIndex(index);
}

TfSett::Page TfSett::currentPage() const
{
    return Page(m_pages->currentIndex());
}

// ---- Menù -------------------------------------------------------------------

void TfSett::OraEsattaClick()
{
    if (!m_ctx.connected)
        m_ctx.prompt.message(NotConnectedText, QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
    syncClock();
}

void TfSett::syncClock()
{
    if (m_hooks.syncClock)
        m_hooks.syncClock();
    else
        m_ctx.prompt.message(NotYetAvailableText, InfoTitle, PromptIcon::Information);
}

void TfSett::openFolder(const QString& path)
{
    if (!m_ctx.shell.openDocument(path))
        m_ctx.prompt.message(QStringLiteral("Impossibile aprire la cartella:\r") + path, ErrorTitle,
                             PromptIcon::Warning);
}

void TfSett::CartProgClick()
{
    openFolder(m_ctx.programFolder);
}

void TfSett::CartTariffeClick()
{
    QString folder = m_ctx.programFolder + TProfileFiles::Folder;
    folder.chop(1); // without the trailing '/'
    openFolder(folder);
}

void TfSett::AboutClick()
{
    TfSplash::showAbout(m_ctx.version, this);
}

// ---- Providers --------------------------------------------------------------

void TfSett::ProviderChange(const QString& entry)
{
    if (entry.isEmpty())
        return;
    fillProvider(m_providerPage.show(entry, profileItems()));
}

void TfSett::fillProvider(const ProviderFields& f)
{
    m_username->setText(f.userName);
    m_password->setText(f.password);
    m_numtel->setText(f.phoneNumber);
    m_homepage->setText(f.homePage);
    m_userpage->setText(f.userPage);
    const int i = f.profile.isEmpty() ? -1 : m_applicaTab->findText(f.profile, Qt::MatchExactly);
    m_applicaTab->setCurrentIndex(i);
    if (i < 0)
        m_applicaTab->setEditText(QString());
}

ProviderFields TfSett::providerFields() const
{
    return ProviderFields{m_username->text(),          m_password->text(), m_numtel->text(),
                          m_applicaTab->currentText(), m_homepage->text(), m_userpage->text()};
}

void TfSett::saveDataClick()
{
    // The box holds at most the 60 characters of a record's entry name: an
    // entry with a longer name, chosen from the list, goes by its full name.
    QString entry = m_provider->currentText();
    const int chosen = m_provider->currentIndex();
    if (chosen >= 0 && m_provider->itemText(chosen).left(TProviderRecord::EntryNameMax) == entry)
        entry = m_provider->itemText(chosen);
    const auto result = m_providerPage.save(entry, providerFields(), profileItems());
    if (result == TProviderPage::SaveResult::Failed)
        m_ctx.prompt.message(QStringLiteral("Impossibile salvare i dati del provider ") +
                                 m_provider->currentText() + QStringLiteral(".\r") +
                                 m_providerPage.lastError(),
                             ErrorTitle, PromptIcon::Warning);
}

void TfSett::openWebPage(const QString& text)
{
    if (text.trimmed().isEmpty())
        return;
    const QUrl url = TProviderPage::webAddress(text);
    if (!url.isValid() || !m_ctx.shell.openDocument(url.toString(QUrl::FullyEncoded)))
        m_ctx.prompt.message(QStringLiteral("Impossibile aprire l'indirizzo:\r") + text, ErrorTitle,
                             PromptIcon::Warning);
}

void TfSett::rasInfoClick()
{
    m_ctx.prompt.message(m_providerPage.serviceDetails(m_ctx.rasBackend), InfoTitle,
                         PromptIcon::Information);
}

void TfSett::VaiHomeClick()
{
    openWebPage(m_homepage->text());
}

void TfSett::VaiUserClick()
{
    openWebPage(m_userpage->text());
}

// ---- Closing ----------------------------------------------------------------

SettForm TfSett::form() const
{
    SettForm f;
    f.dialTime = m_edDialTime->text();
    f.avviaWind = m_edAvviaWind->isChecked();
    f.normWind = m_edNormWind->isChecked();
    f.ridottoIcona = m_edridottoIcona->isChecked();
    f.mostraSeConn = m_edMostraSeConn->isChecked();
    f.iva = m_edIva->text();
    f.cambioEcu = m_litecu->text();
    return f;
}

void TfSett::OkClick()
{
    const SettForm::Error error = form().store(m_ctx.settings);
    if (error != SettForm::Error::None) {
        m_ctx.prompt.message(SettForm::errorText(error), SettForm::Title, PromptIcon::Information);
        if (error == SettForm::Error::Iva)
            m_edIva->setFocus();
        else if (error == SettForm::Error::Cambio)
            m_litecu->setFocus();
        else {
            m_edDialTime->setText(QStringLiteral("0"));
            m_edDialTime->setFocus();
        }
        return;
    }

    const bool start = m_ctx.settings.avviaWind;
    QString why;
    const bool shortcutDone = m_hooks.startupShortcut ? m_hooks.startupShortcut(start, &why)
                                                      : m_ctx.shell.setStartupShortcut(start, &why);
    // Removing a shortcut that cannot be removed is no reason to bother the
    // user; one that could not be made means the program will not start.
    if (!shortcutDone && start)
        m_ctx.prompt.message(QStringLiteral("Impossibile creare il collegamento di avvio.\r") + why,
                             ErrorTitle, PromptIcon::Warning);

    why.clear();
    const bool saved = m_hooks.saveSettings ? m_hooks.saveSettings(&why)
                       : m_ctx.saveSettings ? m_ctx.saveSettings(&why)
                                            : true;
    if (!saved)
        m_ctx.prompt.message(QStringLiteral("Impossibile salvare le impostazioni.\r") + why,
                             ErrorTitle, PromptIcon::Warning);
    accept();
}

void TfSett::ChiudiClick()
{
    reject();
}

QString TfSett::helpPage(Page page)
{
    switch (page) {
    case Page::Avvio:
        return QStringLiteral("opzavvio.htm");
    case Page::Menu:
        return QStringLiteral("funzpartmenu.htm");
    case Page::Providers:
        return QStringLiteral("opzprovider.htm");
    case Page::Valuta:
        return QStringLiteral("opzvaluta.htm");
    }
    return {};
}

void TfSett::helpKey()
{
    THelpKey::showHelp(m_ctx.shell, m_ctx.prompt, m_ctx.dataFolder, helpPage(currentPage()));
}
