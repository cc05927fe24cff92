#include "common/ScriptedPrompt.h"

#include <QStringList>

int ScriptedPrompt::ask(const PromptRequest& request)
{
    m_requests.append(request);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    if (request.defaultButton != PbNone)
        return request.defaultButton;
    for (int b = PbOk; b <= PbIgnore; b <<= 1)
        if (request.buttons & b)
            return b;
    return PbOk;
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const auto& r : m_requests)
        out << r.text;
    return out;
}

void ScriptedPrompt::clear()
{
    m_answers.clear();
    m_requests.clear();
    m_beeps = 0;
}
