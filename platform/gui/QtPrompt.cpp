#include "platform/gui/QtPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <array>

namespace
{

// Marks the boxes made here, and among them those shown without waiting.
const char* const PromptBoxMark = "tarveloPromptBox";
const char* const NoWaitMark = "tarveloNoWaitBox";

// A message box that can sit in the middle of its owner's screen instead of
// over its owner: a box over the bar, a strip along the screen's edge, would
// cover the very fields that go on ticking.
class PromptBox : public QMessageBox
{
public:
    PromptBox(QWidget* owner, bool centreOnScreen)
        : QMessageBox(owner), m_centreOnScreen(centreOnScreen)
    {
        setProperty(PromptBoxMark, true);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event); // sizes the box and centres it over its owner
        const QWidget* owner = parentWidget();
        if (!m_centreOnScreen || !owner)
            return;
        if (const QScreen* screen = owner->window()->screen()) {
            QRect r = frameGeometry();
            r.moveCenter(screen->availableGeometry().center());
            move(r.topLeft());
        }
    }

private:
    bool m_centreOnScreen;
};

// A window stays on top by its own flag, or by belonging to one that does:
// the window manager keeps a window's transients in its layer.
bool staysOnTop(const QWidget* window)
{
    for (const QWidget* w = window; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        if (w->windowFlags() & Qt::WindowStaysOnTopHint)
            return true;
    return false;
}

// A window a box can be raised over: shown, and not a menu, tooltip, splash
// or another box.
bool canOwn(const QWidget* w)
{
    if (!w || !w->isVisible() || TQtPrompt::isPromptBox(w))
        return false;
    const Qt::WindowType type = w->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen;
}

QWidget* ownerOf(const QWidget* window)
{
    return window->parentWidget() ? window->parentWidget()->window() : nullptr;
}

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
// No or Abort when present, OK in a box of OK alone; never Yes or Retry.
int escapeButton(int buttons)
{
    for (int b : {PbCancel, PbNo, PbAbort, PbIgnore, PbOk})
        if (buttons & b)
            return b;
    return PbNone;
}

// The button a set starts with (OK/Cancel, Yes/No/Cancel, Abort/Retry/Ignore,
// Retry/Cancel): the default when the caller names none.
int firstButton(int buttons)
{
    for (int b : {PbOk, PbYes, PbAbort, PbRetry, PbIgnore, PbNo, PbCancel})
        if (buttons & b)
            return b;
    return PbNone;
}

} // namespace

QString TQtPrompt::displayText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

bool TQtPrompt::isPromptBox(const QWidget* window)
{
    return window && window->property(PromptBoxMark).toBool();
}

QWidget* TQtPrompt::owner(bool noWait) const
{
    QWidget* w = QApplication::activeModalWidget();
    // A box may sit on a box that waits for its answer: the one under it
    // cannot close first. A box shown without waiting can, and would take
    // along whatever sits on it, so nothing does: the new box goes to the
    // window under it. A box that does not wait itself sits on no box.
    while (w && isPromptBox(w) && (noWait || w->property(NoWaitMark).toBool()))
        w = ownerOf(w);
    if (w)
        return w;
    if (QWidget* active = QApplication::activeWindow(); canOwn(active))
        return active;
    if (canOwn(m_mainWindow))
        return m_mainWindow;
    return nullptr;
}

QMessageBox* TQtPrompt::buildBox(const PromptRequest& request, QWidget* owner)
{
    return buildBox(request, owner, false);
}

QMessageBox* TQtPrompt::buildBox(const PromptRequest& request, QWidget* owner, bool centreOnScreen)
{
    auto* box = new PromptBox(owner, centreOnScreen);
    box->setIcon(toQt(request.icon));
    box->setWindowTitle(request.title);
    box->setTextFormat(Qt::PlainText);
    box->setText(displayText(request.text));
    // Modal to its window; a box of no window, or a system-modal one, to
    // the whole program.
    const bool ofWindow = owner && !request.systemModal;
    box->setWindowModality(ofWindow ? Qt::WindowModal : Qt::ApplicationModal);
    if (!owner || request.systemModal || staysOnTop(owner))
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

int TQtPrompt::ask(const PromptRequest& request)
{
    QWidget* window = owner(false);
    // Held by a guard: a window closed by code running meanwhile takes its
    // boxes along.
    QPointer<QMessageBox> box(buildBox(shown(request), window, window && window == m_mainWindow));
    const int pressed = box->exec();
    delete box.data();
    for (const auto& [flag, qt] : ButtonMap)
        if (pressed == qt)
            return flag;
    return escapeButton(request.buttons == PbNone ? int(PbOk) : request.buttons);
}

void TQtPrompt::notify(const PromptRequest& request)
{
    const PromptRequest r = shown(request);
    // The same message still waiting to be read is not shown twice.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<QMessageBox*>(w);
        if (open && open->isVisible() && open->property(NoWaitMark).toBool() &&
            open->windowTitle() == r.title && open->text() == displayText(r.text))
            return;
    }
    QWidget* window = owner(true);
    QMessageBox* box = buildBox(r, window, window && window == m_mainWindow);
    box->setProperty(NoWaitMark, true);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void TQtPrompt::beep()
{
    QApplication::beep();
}
