#pragma once
// A shell that records what the program asks of it.

#include "platform/system/Shell.h"

#include <QStringList>

class FakeShell : public IShell
{
public:
    bool openDocument(const QString& pathOrUrl) override
    {
        opened.append(pathOrUrl);
        return openResult;
    }
    QString startupFolder() const override { return QStringLiteral("/tmp/autostart"); }
    QString startupShortcutPath() const override
    {
        return startupFolder() + QStringLiteral("/Pindral Tarvelo!.desktop");
    }
    bool setStartupShortcut(bool enabled, QString* = nullptr) override
    {
        shortcutCalls.append(enabled);
        return true;
    }

    QStringList opened;
    QList<bool> shortcutCalls;
    bool openResult = true;
};
