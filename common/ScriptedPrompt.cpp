#include "common/ScriptedPrompt.h"

#include <QStringList>

int TScriptedPrompt::ask(const PromptRequest& request)
{
    m_requests.append(shown(request));
    m_waited.append(true);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    if (request.defaultButton != PbNone)
        return request.defaultButton;
    for (int b = PbOk; b <= PbIgnore; b <<= 1)
        if (request.buttons & b)
            return b;
    return PbOk;
}

void TScriptedPrompt::notify(const PromptRequest& request)
{
    m_requests.append(shown(request));
    m_waited.append(false);
}

QStringList TScriptedPrompt::texts() const
{
    QStringList out;
    for (const auto& r : m_requests)
        out << r.text;
    return out;
}

QStringList TScriptedPrompt::notices() const
{
    QStringList out;
    for (int i = 0; i < m_requests.size(); ++i)
        if (!m_waited[i])
            out << m_requests[i].text;
    return out;
}

void TScriptedPrompt::clear()
{
    m_answers.clear();
    m_requests.clear();
    m_waited.clear();
    m_beeps = 0;
}
