#pragma once

#include "core/Clock.h"
#include "core/CursorPlace.h"

#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

// What the program takes from the desktop it runs on, by role. Windows receive them as one
// Desktop, so that tests hand in a fixed clock, cursor and screen (tests/gui/FakeDesktop.h).

// The screens and the cursor.
class Screens {
public:
    virtual ~Screens() = default;
    // Cursor position in screen coordinates (logical pixels, as the screen sizes).
    virtual QPoint cursorPos() const = 0;
    // The cursor, the screen under it, and whether it is on that screen's edge pixels.
    virtual CursorPlace cursorPlace() const = 0;
    // The area of every screen that windows may take (logical pixels, taskbars left out).
    virtual QList<QRect> screenAreas() const = 0;
};

// What the desktop's shell does for the program: opening links, and the input method.
class Shell {
public:
    virtual ~Shell() = default;
    // Hands a link text to the desktop's default handler; a failure is ignored.
    virtual void openLink(const QString& text) = 0;
    // Opens a folder in the file manager; `failed` runs, now or later, when nothing took it.
    virtual void openFolder(const QString& path, std::function<void()> failed) = 0;
    // Asks the input method for hiragana input in the given editor.
    virtual void requestHiragana(QWidget* editor) = 0;
    // Switches the input method off for the given editor.
    virtual void switchInputMethodOff(QWidget* editor) = 0;
};

class Desktop : public Clock, public Screens, public Shell {};

// The desktop the program runs on.
class SystemDesktop : public Desktop {
public:
    QDateTime now() const override;
    QPoint cursorPos() const override;
    CursorPlace cursorPlace() const override;
    QList<QRect> screenAreas() const override;
    void openLink(const QString& text) override;
    void openFolder(const QString& path, std::function<void()> failed) override;
    void requestHiragana(QWidget* editor) override;
    void switchInputMethodOff(QWidget* editor) override;
};
