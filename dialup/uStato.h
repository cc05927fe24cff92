#pragma once
// "Connessione in corso...": shown modally for each attempt of the
// automatic dialler with the attempt, the provider, the number and the live
// dial-up state; its result says what became of the attempt (AttemptResult).
// Created once at program start and reused for every attempt.

#include "dialup/DialProgress.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QStatusBar;

class TfStato : public QDialog, public IDialStatus
{
    Q_OBJECT
public:
    static inline const QString StatoText = QStringLiteral("Stato:");
    static inline const QString CancellingText = QStringLiteral("Annullamento Connessione...");

    explicit TfStato(QWidget* parent = nullptr);

    // One attempt: sets the texts, shows the window modally, centred, and
    // returns its result once the notifications or the user have decided.
    int run(const QString& attemptLine, const QString& entryName, const QString& phoneNumber);
    bool isRunning() const { return m_running; }

    // IDialStatus
    void setStatusText(const QString& text) override;
    // Ignored unless an attempt is being shown: a result must never end the
    // next attempt before it has begun.
    void finishAttempt(int result) override;

    QString statusText() const;

    void annullaClick();
    // Esc and the close box cancel like "&Annulla".
    void reject() override;

private:
    void fitTexts();

    QLabel* m_tenta;
    QLabel* m_numtel;
    QLabel* m_provider;
    QStatusBar* m_statusBar;
    QLabel* m_statusCaption;
    QLabel* m_statusText;
    QPushButton* m_annulla;
    bool m_running = false;
};
