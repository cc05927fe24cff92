#pragma once
// Every message box, question and beep of the program goes through IPrompt.
// The windows use the Qt implementation (platform/QtPrompt); tests use
// ScriptedPrompt, which records each request and answers from a script.

#include <QString>

enum class PromptIcon { None, Information, Warning, Error, Question };

// Bit flags, as in the classic message-box calls.
enum PromptButton : int {
    PbNone = 0,
    PbOk = 0x1,
    PbCancel = 0x2,
    PbYes = 0x4,
    PbNo = 0x8,
    PbRetry = 0x10,
    PbAbort = 0x20,
    PbIgnore = 0x40,
};

struct PromptRequest {
    QString text; // "\r" of the fixed texts is kept as-is; the Qt side shows it as a line break
    QString title;
    PromptIcon icon = PromptIcon::None;
    int buttons = PbOk;         // PromptButton flags
    int defaultButton = PbNone; // PbNone: the first button
    bool systemModal = false;
};

class IPrompt
{
public:
    virtual ~IPrompt() = default;
    // Shows the request and returns the PromptButton pressed.
    virtual int ask(const PromptRequest& request) = 0;
    virtual void beep() = 0;

    // Conveniences used all over the program.
    void message(const QString& text, const QString& title, PromptIcon icon,
                 bool systemModal = false)
    {
        ask({text, title, icon, PbOk, PbOk, systemModal});
    }
    // Yes/No question with the question icon and No preselected.
    bool confirm(const QString& text, const QString& title = QStringLiteral("Conferma..."),
                 bool systemModal = false)
    {
        return ask({text, title, PromptIcon::Question, PbYes | PbNo, PbNo, systemModal}) == PbYes;
    }
};
