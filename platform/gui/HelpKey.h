#pragma once
// F1 in a window: opens the window's help page "hlp/<page>" of the program
// folder with the default application, or says that the window has none.

#include <QObject>
#include <QString>

class IPrompt;
class IShell;
class QWidget;

inline const QString NoHelpText = QStringLiteral("Nessun aiuto per questa finestra.");

class THelpKey : public QObject
{
    Q_OBJECT
public:
    // page: file name under "hlp/", e.g. "index.htm"; empty when the window
    // has no page. The key works anywhere inside window.
    THelpKey(QWidget* window, IShell& shell, IPrompt& prompt, const QString& programFolder,
             const QString& page);

    void showHelp();

    // The same without a key, for callers that have their own trigger.
    static void showHelp(IShell& shell, IPrompt& prompt, const QString& programFolder,
                         const QString& page);

private:
    IShell& m_shell;
    IPrompt& m_prompt;
    QString m_programFolder;
    QString m_page;
};
