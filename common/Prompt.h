#pragma once
// Every message box, question and beep of the program goes through IPrompt.
// The windows use the Qt implementation (platform/QtPrompt); tests use
// TScriptedPrompt, which records each request and answers from a script.

#include <QString>

enum class PromptIcon { None, Information, Warning, Error, Question };

// Buttons are bit flags, so one value names a set (PbYes | PbNo).
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
    QString text;  // "\r" of the fixed texts is kept as-is; the Qt side shows it as a line break
    QString title; // empty: a plain box, titled with the application title
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
    // Shows the request and returns at once; the box stays until the user
    // closes it. For messages raised where nobody may wait for the user: the
    // bar's timer handlers.
    virtual void notify(const PromptRequest& request) = 0;
    virtual void beep() = 0;

    // The title of plain boxes: "Tarvelo! 3.1" while the program starts,
    // "Tarvelo!" once the main bar exists.
    void setApplicationTitle(const QString& title) { m_applicationTitle = title; }
    QString applicationTitle() const { return m_applicationTitle; }

    // Conveniences used all over the program.
    void message(const QString& text, const QString& title, PromptIcon icon,
                 bool systemModal = false)
    {
        ask({text, title, icon, PbOk, PbOk, systemModal});
    }
    // As message(), without waiting for the user.
    void notice(const QString& text, const QString& title, PromptIcon icon,
                bool systemModal = false)
    {
        notify({text, title, icon, PbOk, PbOk, systemModal});
    }
    // Yes/No question with the question icon and No preselected.
    bool confirm(const QString& text, const QString& title = QStringLiteral("Conferma..."),
                 bool systemModal = false)
    {
        return ask({text, title, PromptIcon::Question, PbYes | PbNo, PbNo, systemModal}) == PbYes;
    }

protected:
    // The request as shown: a plain box gets the application title.
    PromptRequest shown(const PromptRequest& request) const
    {
        PromptRequest r = request;
        if (r.title.isEmpty())
            r.title = m_applicationTitle;
        return r;
    }

private:
    QString m_applicationTitle;
};

// The prompt as the bar's timer handlers see it: a message is shown and the
// handler goes on at once, so a tick never waits for the user and the next
// ticks keep coming. A question (anything beyond a lone OK button) still
// waits for its answer; no timer handler asks one.
class TNoWaitPrompt : public IPrompt
{
public:
    explicit TNoWaitPrompt(IPrompt& target) : m_target(target) {}

    int ask(const PromptRequest& request) override
    {
        if ((request.buttons & ~int(PbOk)) != 0)
            return m_target.ask(request);
        m_target.notify(request);
        return PbOk;
    }
    void notify(const PromptRequest& request) override { m_target.notify(request); }
    void beep() override { m_target.beep(); }

private:
    IPrompt& m_target;
};
