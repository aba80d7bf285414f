#pragma once

#include <QString>

#include <functional>

class QWidget;

// What differs between the systems the program runs on. One backend implements this per system,
// chosen by the build: platform/posix (Linux and other X11 systems), platform/windows (WinAPI),
// platform/fallback (any other system; tests use it too).

// The folder of the running executable, where the store lives; no trailing separator but for a
// drive's root.
QString programFolder();

// Before the application object exists: picks what the program needs of the window system
// (hot corners need the global cursor and notes place themselves, which native Wayland forbids
// and XWayland allows).
void prepareWindowSystem();

// Once the application object exists: a window the program activates (a new note, the palette a
// second start asks for) takes the keyboard even while another program has it. Windows gives a
// background process only a flashing taskbar button unless asked to activate anyway; elsewhere the
// window manager decides, and nothing changes.
void activateWindowsFromBackground();

// Puts the system's own code page 932 conversion in place for the store's text.
void useSystemCodePage932();

// Gives the memory the heap holds free back to the system: what the start read and laid out
// leaves free pages in the middle of the heap, which the allocator keeps otherwise.
void releaseFreedMemory();

// Saves in time when the window system goes away under the program (the X server ends, the
// connection breaks): the toolkit then ends the process with exit(), and the given function
// runs while everything still lives. Nothing on systems where that cannot happen.
void saveBeforeDisplayLoss(std::function<void()> save);

// Opens a folder in the desktop's file manager; `failed` runs, now or later, when no program
// took it.
void openFolderInFileManager(const QString& path, std::function<void()> failed);

// The input method of an editor: hiragana input (on where the system has such a mode), or off.
void requestHiraganaInput(QWidget* editor);
void switchInputMethodOff(QWidget* editor);
