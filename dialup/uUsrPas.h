#pragma once
// "Richiesta dati...": asks for the user name and password a provider record
// lacks before the dialler dials with it. What is typed goes into the record
// in memory only; the record file is left as it was.

#include <QDialog>

class IPrompt;
class IShell;
class QLabel;
class QLineEdit;
class QPushButton;
struct TProviderRecord;

class TfUsrPas : public QDialog
{
    Q_OBJECT
public:
    static constexpr int FieldMax = 60;

    // dataFolder: the folder holding the help pages' "hlp/".
    TfUsrPas(IShell& shell, IPrompt& prompt, const QString& dataFolder, QWidget* parent = nullptr);

    // Fills the prompt from the record, shows it modally and copies what was
    // typed back into the record (at most 60 characters each).
    static void ask(TProviderRecord& provider, IShell& shell, IPrompt& prompt,
                    const QString& dataFolder, QWidget* parent = nullptr);

    void fill(const TProviderRecord& provider);
    void takeInto(TProviderRecord& provider) const;

    void ChiudiClick();

private:
    QLabel* m_provider;
    QLineEdit* m_user;
    QLineEdit* m_pass;
    QPushButton* m_chiudi;
};
