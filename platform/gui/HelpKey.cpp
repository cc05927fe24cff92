#include "platform/gui/HelpKey.h"

#include "common/Prompt.h"
#include "platform/system/Shell.h"

#include <QShortcut>
#include <QWidget>

THelpKey::THelpKey(QWidget* window, IShell& shell, IPrompt& prompt, const QString& dataFolder,
                   const QString& page)
    : QObject(window), m_shell(shell), m_prompt(prompt), m_dataFolder(dataFolder), m_page(page)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, qOverload<>(&THelpKey::showHelp));
}

void THelpKey::showHelp()
{
    showHelp(m_shell, m_prompt, m_dataFolder, m_page);
}

void THelpKey::showHelp(IShell& shell, IPrompt& prompt, const QString& dataFolder,
                        const QString& page)
{
    if (page.isEmpty()) {
        prompt.message(NoHelpText, QStringLiteral("Info..."), PromptIcon::Information);
        return;
    }
    const QString path = dataFolder + QStringLiteral("hlp/") + page;
    if (!shell.openDocument(path))
        prompt.message(QStringLiteral("Impossibile aprire la pagina di aiuto:\r") + path,
                       QStringLiteral("Errore..."), PromptIcon::Warning);
}
