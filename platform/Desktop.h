#pragma once

#include "platform/CursorPlace.h"

#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

// What the program takes from the desktop it runs on, by role. Windows receive them as one
// TDesktop, so that tests hand in a fixed clock, cursor and screen (tests/FakeDesktop.h).

// Today's date and the time of day.
class TClock {
public:
    virtual ~TClock() = default;
    virtual QDateTime Now() const = 0;
    QDate Today() const { return Now().date(); }
};

// The screens and the cursor.
class TScreens {
public:
    virtual ~TScreens() = default;
    // Cursor position in screen coordinates (logical pixels, as the screen sizes).
    virtual QPoint CursorPos() const = 0;
    // The cursor, the screen under it, and whether it is on that screen's edge pixels.
    virtual TCursorPlace CursorPlace() const = 0;
    // The area of every screen that windows may take (logical pixels, taskbars left out).
    virtual QList<QRect> ScreenAreas() const = 0;
};

// What the desktop's shell does for the program: opening links, and the input method.
class TShell {
public:
    virtual ~TShell() = default;
    // Hands a link text to the desktop's default handler; a failure is ignored.
    virtual void OpenLink(const QString& text) = 0;
    // Opens a folder in the file manager; `failed` runs, now or later, when nothing took it.
    virtual void OpenFolder(const QString& path, std::function<void()> failed) = 0;
    // Asks the input method for hiragana input in the given editor.
    virtual void RequestHiragana(QWidget* editor) = 0;
    // Switches the input method off for the given editor.
    virtual void SwitchInputMethodOff(QWidget* editor) = 0;
};

class TDesktop : public TClock, public TScreens, public TShell {};

// The desktop the program runs on.
class TSystemDesktop : public TDesktop {
public:
    QDateTime Now() const override;
    QPoint CursorPos() const override;
    TCursorPlace CursorPlace() const override;
    QList<QRect> ScreenAreas() const override;
    void OpenLink(const QString& text) override;
    void OpenFolder(const QString& path, std::function<void()> failed) override;
    void RequestHiragana(QWidget* editor) override;
    void SwitchInputMethodOff(QWidget* editor) override;
};
