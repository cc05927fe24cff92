#pragma once
// The prompt interface shown with QMessageBox. "\r" in the program's texts
// becomes a line break.
//
// Every box belongs to the window it is raised over, found here rather than
// passed in by each caller: the window the program is modal in (the window,
// dialog or box whose handler raised it), else the active window, else the
// main bar. The box is modal to that window and stacked above it, above the
// always-on-top layer too when that window stays on top. A box raised while
// no window of the program is shown belongs to none: it is modal to the
// whole program and stays above every window, the bar included. A
// system-modal request is modal to the whole program, the strongest
// modality a Linux desktop offers to an ordinary program.

#include "common/Prompt.h"

#include <QPointer>

class QMessageBox;
class QWidget;

class TQtPrompt : public IPrompt
{
public:
    TQtPrompt() = default;

    int ask(const PromptRequest& request) override;
    void notify(const PromptRequest& request) override;
    void beep() override;

    // The window boxes fall back on when no window of the program is modal
    // or active: the main bar (only while it is shown).
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // The window a box raised now belongs to; null for none. A box shown
    // without waiting never sits on another box, which may close first and
    // take it along: it goes to the window under that box.
    QWidget* owner(bool noWait = false) const;

    // Builds the box ask() and notify() show, without showing it (tests
    // inspect it). owner: the window it belongs to, or null.
    static QMessageBox* buildBox(const PromptRequest& request, QWidget* owner);
    // centreOnScreen: the box sits in the middle of its owner's screen rather
    // than over its owner (a box of the bar must not cover the bar).
    static QMessageBox* buildBox(const PromptRequest& request, QWidget* owner, bool centreOnScreen);
    // "\r\n", "\n\r" and lone "\r" all become one line break.
    static QString displayText(const QString& text);
    // A box made by buildBox.
    static bool isPromptBox(const QWidget* window);

private:
    QPointer<QWidget> m_mainWindow;
};
