#pragma once
// "Modifica dati Connessione": shows the start, end and cost of one
// connection and lets the user change its telephone, provider and
// description. Used by the archive window and by the end-of-connection dialog.

#include <QDialog>

struct ConnRecord;
class IPrompt;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfModConn : public QDialog
{
    Q_OBJECT
public:
    // record: the edit record; it is changed only by "&Ok".
    TfModConn(ConnRecord& record, IPrompt& prompt, QWidget* parent = nullptr);

    // Copies the edit record into the controls.
    void fill();

    void okClick();     // "&Ok"
    void cancelClick(); // "&Annulla"
    void helpKey();     // F1

    // The multi-line box's text as the record stores it: CR LF line breaks,
    // at most 150 characters.
    static QString storedMotivo(const QString& boxText);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ConnRecord& m_record;
    IPrompt& m_prompt;
    QLabel* m_inizio;
    QLabel* m_fine;
    QLabel* m_lire;
    QLineEdit* m_provider;
    QLineEdit* m_telefono;
    QPlainTextEdit* m_motivo;
};
