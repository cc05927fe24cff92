#pragma once
// An IPrompt for tests and for the command-line tool: it records every
// request and beep, and answers from a queue of scripted buttons (the
// default button when the queue is empty). Requests shown without waiting
// (notify) are recorded too, in the same order, and answer nothing.

#include "common/Prompt.h"

#include <QList>

class TScriptedPrompt : public IPrompt
{
public:
    int ask(const PromptRequest& request) override;
    void notify(const PromptRequest& request) override;
    void beep() override { ++m_beeps; }

    void answerNext(int button) { m_answers.append(button); }
    // Every request as shown (a plain box with the application title).
    const QList<PromptRequest>& requests() const { return m_requests; }
    QStringList texts() const;
    // The texts of the requests that were shown without waiting.
    QStringList notices() const;
    int beeps() const { return m_beeps; }
    void clear();

private:
    QList<int> m_answers;
    QList<PromptRequest> m_requests;
    QList<bool> m_waited;
    int m_beeps = 0;
};
