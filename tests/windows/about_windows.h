#pragma once

#include "windows/form2.h"

#include <QApplication>
#include <QList>

// The About windows in existence, shown or not.
inline QList<Form2*> aboutWindows() {
    QList<Form2*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<Form2*>(widget))
            windows.append(about);
    return windows;
}
