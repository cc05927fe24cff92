#pragma once
// Finding a window's controls and menu items by object name, for the window
// tests (which link the widget libraries; the core tests never include this).

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <source_location>
#include <type_traits>

namespace testsupport
{

namespace detail
{

inline void failMissing(const char* what, const QString& name, const QObject* owner,
                        const std::source_location& where)
{
    const QByteArray message = QByteArray("no ") + what + ' ' + name.toUtf8() + " in " +
                               (owner ? owner->metaObject()->className() : "(no window)") + ' ' +
                               (owner ? owner->objectName().toUtf8() : QByteArray());
    QTest::qFail(message.constData(), where.file_name(), int(where.line()));
}

// What a lookup hands back when the control is missing: the test function has
// already failed, and the calls that follow it in the same function land on
// this stand-in instead of a null pointer, so the other test functions still
// run. The stand-in belongs to the window and goes with it.
template <class T> T* standIn(const QObject* owner)
{
    if constexpr (std::is_default_constructible_v<T>) {
        T* s = new T;
        auto* parent = const_cast<QObject*>(owner);
        if constexpr (std::is_base_of_v<QWidget, T>) {
            if (auto* w = qobject_cast<QWidget*>(parent))
                s->setParent(w);
        } else {
            s->setParent(parent);
        }
        return s;
    } else {
        return nullptr; // the caller must check
    }
}

} // namespace detail

// The child control called name (any name when empty). A missing control
// fails the test function with its name and the caller's line.
template <class T>
T* child(const QObject* window, const QString& name,
         std::source_location where = std::source_location::current())
{
    T* c = window ? window->findChild<T*>(name.isEmpty() ? QString() : name) : nullptr;
    if (c)
        return c;
    detail::failMissing("control", name, window, where);
    return detail::standIn<T>(window);
}
template <class T>
T* child(const QObject& window, const QString& name,
         std::source_location where = std::source_location::current())
{
    return child<T>(&window, name, where);
}

// The item called name in menu or in one of its submenus, as the user sees
// them (the menus' own actions). A missing item fails like a missing control.
inline QAction* action(const QMenu* menu, const QString& name,
                       std::source_location where = std::source_location::current())
{
    const auto find = [&name](const QMenu* m, const auto& self) -> QAction* {
        for (QAction* a : m->actions()) {
            if (a->objectName() == name)
                return a;
            if (a->menu())
                if (QAction* inner = self(a->menu(), self))
                    return inner;
        }
        return nullptr;
    };
    if (QAction* a = menu ? find(menu, find) : nullptr)
        return a;
    detail::failMissing("menu item", name, menu, where);
    return detail::standIn<QAction>(menu);
}

// The texts of a combo box's items, in order.
inline QStringList comboItems(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace testsupport
