#pragma once
// "Opzioni...": start-up and display settings, VAT and exchange rate, a few
// shortcuts (clock synchronisation, the program and profile folders, the
// about window) and the provider record of each dial-up entry. Settings take
// effect only with "&Ok"; a provider record is saved by its own button.

#include "options/ProviderPage.h"
#include "options/SettForm.h"
#include "platform/system/VersionInfo.h"

#include <QDialog>
#include <functional>

class IPrompt;
class IShell;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;
struct RasBackendChoice;
struct Settings;
class TDialUp;
struct TProviderRecord;

// What the window needs of the rest of the program.
struct SettContext {
    // The settings "&Ok" stores into, and whether a connection is up (the
    // clock is set only then).
    Settings& settings;
    const bool& connected;
    // The providers page: the dial-up entries, the program's current
    // provider record, and which dial-up service is in use and why.
    TDialUp& dialUp;
    TProviderRecord& provider;
    const RasBackendChoice& rasBackend;
    VersionInfo version;
    // The user's files and the shipped ones (help pages), each with a
    // trailing '/'.
    QString programFolder;
    QString dataFolder;
    IPrompt& prompt;
    IShell& shell;
    // The tariff profiles "Applica Tabella" offers.
    std::function<QStringList()> profileNames;
    // Saves every setting, unless SettHooks::saveSettings says otherwise.
    std::function<bool(QString* error)> saveSettings;
};

// What the window needs of the main bar. Any hook left empty falls back as
// described.
struct SettHooks {
    // The clock synchronisation. Empty: "Funzione non ancora disponibile.".
    std::function<void()> syncClock;
    // Makes or removes the start-up shortcut. Empty: the program's shell.
    std::function<bool(bool startWithSystem, QString* error)> startupShortcut;
    // Saves every setting (the bar puts its position in first). Empty:
    // SettContext::saveSettings.
    std::function<bool(QString* error)> saveSettings;
};

class TfSett : public QDialog
{
    Q_OBJECT
public:
    // The notebook's pages, in tab order.
    enum class Page { Avvio = 0, Menu = 1, Providers = 2, Valuta = 3 };

    static inline const QString NotConnectedText =
        QStringLiteral("Non sei ancora connesso alla rete!\r(il semaforo della barra di QX, deve "
                       "essere di colore <Verde>)");
    static inline const QString NotYetAvailableText =
        QStringLiteral("Funzione non ancora disponibile.");

    // Fills every page from the program's records (FormCreate) and shows page.
    TfSett(const SettContext& ctx, SettHooks hooks, Page page = Page::Avvio,
           QWidget* parent = nullptr);

    // Tab strip and notebook, kept on the same index.
    void showPage(Page page);
    Page currentPage() const;

    // "Menù" page.
    void OraEsattaClick();
    void CartProgClick();
    void CartTariffeClick();
    void AboutClick();
    // The clock synchronisation through its hook.
    void syncClock();

    // "Providers" page.
    void ProviderChange(const QString& entry); // an entry chosen: its record shown
    void saveDataClick();                      // "&Salva i Dati"
    void VaiHomeClick();
    void VaiUserClick();
    // The link under the providers: what the dial-up service in use does
    // with these records, and why it cannot list its entries if it cannot.
    void rasInfoClick();

    void OkClick();     // "&Ok": store, shortcut, save, close
    void ChiudiClick(); // "&Chiudi": close, nothing stored
    void helpKey();     // F1: the help page of the page shown

    // Help page of a notebook page, "" for none.
    static QString helpPage(Page page);

private:
    void createControls();
    QWidget* createAvvio();
    QWidget* createMenu();
    QWidget* createProviders();
    QWidget* createValuta();
    void formCreate();
    void fillProvider(const ProviderFields& f);
    ProviderFields providerFields() const;
    // The items of ApplicaTab: the profiles found when the window opened.
    QStringList profileItems() const;
    SettForm form() const;
    void openFolder(const QString& path);
    void openWebPage(const QString& text);

    SettContext m_ctx;
    SettHooks m_hooks;
    TProviderPage m_providerPage;

    QTabBar* m_pageTabs = nullptr;
    QStackedWidget* m_pages = nullptr;
    // Avvio
    QLineEdit* m_edDialTime = nullptr;
    QCheckBox* m_edAvviaWind = nullptr;
    QRadioButton* m_edNormWind = nullptr;
    QRadioButton* m_edridottoIcona = nullptr;
    QCheckBox* m_edMostraSeConn = nullptr;
    // Providers
    QComboBox* m_provider = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_numtel = nullptr;
    QComboBox* m_applicaTab = nullptr;
    QLineEdit* m_homepage = nullptr;
    QLineEdit* m_userpage = nullptr;
    QLabel* m_rasInfo = nullptr;
    // Valuta
    QLineEdit* m_edIva = nullptr;
    QLineEdit* m_litecu = nullptr;
};
