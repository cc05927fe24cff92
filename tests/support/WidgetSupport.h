#pragma once
// Finding a window's controls by object name, for the window tests (which
// link the widget libraries; the core tests never include this).

#include <QComboBox>
#include <QStringList>
#include <QWidget>

namespace testsupport
{

// The child control called name. A missing control stops the test with its
// name, so a failing test says which control the window lacks instead of
// crashing on a null pointer later.
template <class T> T* child(const QObject* window, const QString& name)
{
    T* c = window ? window->findChild<T*>(name) : nullptr;
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}
template <class T> T* child(const QObject& window, const QString& name)
{
    return child<T>(&window, name);
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
