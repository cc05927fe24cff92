#pragma once
// The prompt interface shown with QMessageBox. "\r" in the program's texts
// becomes a line break; a system-modal request becomes application-modal,
// the strongest modality a Linux desktop offers to an ordinary program.

#include "common/Prompt.h"

#include <QPointer>

class QMessageBox;
class QWidget;

class QtPrompt : public IPrompt
{
public:
    explicit QtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}

    int ask(const PromptRequest& request) override;
    void beep() override;

    void setParent(QWidget* parent) { m_parent = parent; }

    // Builds the box ask() shows, without showing it (tests inspect it).
    static QMessageBox* buildBox(const PromptRequest& request, QWidget* parent);
    // "\r\n", "\n\r" and lone "\r" all become one line break.
    static QString displayText(const QString& text);

private:
    QPointer<QWidget> m_parent;
};
