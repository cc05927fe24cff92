#pragma once
// F1 in a window: opens the window's help page "hlp/<page>" of the folder of
// the shipped files (the program folder, or the installed data folder) with
// the default application, or says that the window has none.

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
    // dataFolder: the folder holding "hlp/" (Program::dataFolder); page: file
    // name under "hlp/", e.g. "index.htm"; empty when the window has no page.
    // The key works anywhere inside window.
    THelpKey(QWidget* window, IShell& shell, IPrompt& prompt, const QString& dataFolder,
             const QString& page);

    void showHelp();

    // The same without a key, for callers that have their own trigger.
    static void showHelp(IShell& shell, IPrompt& prompt, const QString& dataFolder,
                         const QString& page);

private:
    IShell& m_shell;
    IPrompt& m_prompt;
    QString m_dataFolder;
    QString m_page;
};
