#include "platform/gui/QtPrompt.h"

#include <QApplication>
#include <QMessageBox>

#include <array>
#include <memory>

namespace
{

constexpr std::array<std::pair<int, QMessageBox::StandardButton>, 7> ButtonMap{{
    {PbOk, QMessageBox::Ok},
    {PbCancel, QMessageBox::Cancel},
    {PbYes, QMessageBox::Yes},
    {PbNo, QMessageBox::No},
    {PbRetry, QMessageBox::Retry},
    {PbAbort, QMessageBox::Abort},
    {PbIgnore, QMessageBox::Ignore},
}};

QMessageBox::Icon toQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The button that closing the box (Esc, window close) stands for: Cancel,
// No or Abort when present, as the classic message boxes do.
int escapeButton(int buttons)
{
    for (int b : {PbCancel, PbNo, PbAbort, PbIgnore, PbOk})
        if (buttons & b)
            return b;
    return PbNone;
}

// The button that comes first in the classic button sets (OK/Cancel,
// Yes/No/Cancel, Abort/Retry/Ignore, Retry/Cancel).
int firstButton(int buttons)
{
    for (int b : {PbOk, PbYes, PbAbort, PbRetry, PbIgnore, PbNo, PbCancel})
        if (buttons & b)
            return b;
    return PbNone;
}

} // namespace

QString QtPrompt::displayText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QMessageBox* QtPrompt::buildBox(const PromptRequest& request, QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setIcon(toQt(request.icon));
    box->setWindowTitle(request.title);
    box->setTextFormat(Qt::PlainText);
    box->setText(displayText(request.text));
    box->setWindowModality(request.systemModal ? Qt::ApplicationModal : Qt::WindowModal);
    if (request.systemModal)
        box->setWindowFlag(Qt::WindowStaysOnTopHint);

    const int buttons = request.buttons == PbNone ? int(PbOk) : request.buttons;
    for (const auto& [flag, qt] : ButtonMap)
        if (buttons & flag)
            box->addButton(qt);

    int def = request.defaultButton;
    if (!(buttons & def)) // PbNone or a button the box does not have: the first one
        def = firstButton(buttons);
    for (const auto& [flag, qt] : ButtonMap) {
        if (flag == def)
            box->setDefaultButton(qt);
        if (flag == escapeButton(buttons))
            box->setEscapeButton(qt);
    }
    return box;
}

int QtPrompt::ask(const PromptRequest& request)
{
    std::unique_ptr<QMessageBox> box(buildBox(request, m_parent));
    const int pressed = box->exec();
    for (const auto& [flag, qt] : ButtonMap)
        if (pressed == qt)
            return flag;
    return escapeButton(request.buttons == PbNone ? int(PbOk) : request.buttons);
}

void QtPrompt::beep()
{
    QApplication::beep();
}
