#pragma once
// Driving the archive window's grid in window tests.

#include "archive/uConn.h"

#include <QTableView>
#include <QTest>
#include <utility>

namespace connwindowtest
{

// Selects grid rows first..last the way the user does: a click and a
// shift-click.
inline void selectRows(TfConn& w, int first, int last)
{
    QWidget* viewport = w.grid()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, w.cellRect(first, 2).center());
    if (last != first)
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier,
                          w.cellRect(last, 2).center());
    QCOMPARE(w.selectedRows(), std::make_pair(first, last));
}

} // namespace connwindowtest
