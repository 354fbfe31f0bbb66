#pragma once

#include <QApplication>
#include <QWidget>

// The top-level window of that title on show, or null.
inline QWidget *shownWindow(const QString &title)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible())
            return w;
    return nullptr;
}
