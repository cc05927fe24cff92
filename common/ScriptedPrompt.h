#pragma once
// An IPrompt for tests and for the command-line tool: it records every
// request and beep, and answers from a queue of scripted buttons (the
// default button when the queue is empty).

#include "common/Prompt.h"

#include <QList>

class ScriptedPrompt : public IPrompt
{
public:
    int ask(const PromptRequest& request) override;
    void beep() override { ++m_beeps; }

    void answerNext(int button) { m_answers.append(button); }
    const QList<PromptRequest>& requests() const { return m_requests; }
    QStringList texts() const;
    int beeps() const { return m_beeps; }
    void clear();

private:
    QList<int> m_answers;
    QList<PromptRequest> m_requests;
    int m_beeps = 0;
};
