#include "platform/WindowSystem.h"

// Tool windows have no taskbar button here, and Qt's move and resize events are the window
// system's own word.
void keepOutOfTaskbar(QWidget*) {}

bool WindowPlaces::active()
{
    return false;
}

void WindowPlaces::watch(QWidget*, Report) {}

void WindowPlaces::forget(QWidget*) {}
