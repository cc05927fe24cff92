#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (logout on many desktops, `kill`, Ctrl+C
// in a terminal, the terminal closing) into a Qt signal delivered on the
// user-interface thread, so that they take the program's ordinary close path
// and the settings are saved. The handler only writes one byte into a socket
// pair; a QSocketNotifier reads it in the event loop.

#include <QObject>

class QSocketNotifier;

class TTermSignals : public QObject
{
    Q_OBJECT
public:
    explicit TTermSignals(QObject* parent = nullptr);
    // Restores the default dispositions.
    ~TTermSignals() override;

    // Installs the handlers; false when the socket pair or a handler could not
    // be set up (the signals then keep their default action).
    bool install();

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};
