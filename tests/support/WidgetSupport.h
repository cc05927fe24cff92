#pragma once
// Finding a window's controls by object name, for the window tests (which
// link the widget libraries; the core tests never include this).

#include <QComboBox>
#include <QStringList>
#include <QWidget>

namespace testsupport
{

// The child control called name; a warning names it when it is missing, so
// a failing test says which control the window lacks.
template <class T> T* child(QWidget* window, const char* name)
{
    T* c = window->findChild<T*>(QLatin1String(name));
    if (!c)
        qWarning("no control %s", name);
    return c;
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
