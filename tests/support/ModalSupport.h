#pragma once
// Answering a window that runs its own event loop (a modal dialog's exec(),
// the dialling status) from inside that loop, without polling: the step waits
// for the window's Show event and runs as soon as the window's loop takes
// events.

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace testsupport
{

namespace detail
{

template <class T> class ShowWatcher : public QObject
{
public:
    ShowWatcher(std::function<void(T*)> step, const QString& objectName)
        : QObject(qApp), m_step(std::move(step)), m_objectName(objectName)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || m_done)
            return false;
        auto* window = qobject_cast<T*>(watched);
        if (!window || !window->isWindow() ||
            (!m_objectName.isEmpty() && window->objectName() != m_objectName))
            return false;
        m_done = true;
        qApp->removeEventFilter(this);
        // Queued: the window's own loop (exec) is not running yet while it is
        // being shown.
        QTimer::singleShot(0, window, [step = std::move(m_step), w = QPointer<T>(window)] {
            if (w)
                step(w);
        });
        deleteLater();
        return false;
    }

private:
    std::function<void(T*)> m_step;
    QString m_objectName;
    bool m_done = false;
};

} // namespace detail

// Runs step inside the next top-level window of type T (called objectName,
// when given) to be shown, once its event loop runs. Arm it before the call
// that shows the window and blocks. A window that never comes leaves the step
// unrun: the test checks that it ran.
template <class T>
void whenShown(std::function<void(T*)> step, const QString& objectName = QString())
{
    new detail::ShowWatcher<T>(std::move(step), objectName);
}

} // namespace testsupport
