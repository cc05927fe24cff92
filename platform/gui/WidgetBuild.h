#pragma once
// Small helpers for windows built in code at fixed geometries.

#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

namespace widgetbuild
{

// A push button with its objectName at its place. Auto-default is off: in
// these windows Enter belongs to the focused field, not to the nearest button.
inline QPushButton* button(QWidget* parent, const char* name, const QString& text,
                           const QRect& geometry)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

} // namespace widgetbuild
