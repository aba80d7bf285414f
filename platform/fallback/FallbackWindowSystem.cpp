#include "platform/WindowSystem.h"

// Tool windows have no taskbar button here, and Qt's move and resize events are the window
// system's own word.
void KeepOutOfTaskbar(QWidget*) {}

bool WindowPlaces::Active()
{
    return false;
}

void WindowPlaces::Watch(QWidget*, TReport) {}

void WindowPlaces::Forget(QWidget*) {}
