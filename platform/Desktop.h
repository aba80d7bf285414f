#pragma once

#include "platform/CursorPlace.h"

#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

// What the program takes from the desktop it runs on. Windows and logic receive one of these,
// so tests hand in a fixed clock, cursor, screen and folder (see FakeDesktop.h).
class TDesktop {
public:
    virtual ~TDesktop() = default;

    // Folder of the running executable, where the store lives; no trailing separator.
    virtual QString ProgramFolder() const = 0;
    virtual QDateTime Now() const = 0;
    // Cursor position in screen coordinates (logical pixels, as the screen size).
    virtual QPoint CursorPos() const = 0;
    // The cursor, the screen under it, and whether it is on that screen's edge pixels.
    virtual TCursorPlace CursorPlace() const = 0;
    virtual QSize PrimaryScreenSize() const = 0;
    // The area of every screen that windows may take (logical pixels, taskbars left out).
    virtual QList<QRect> ScreenAreas() const = 0;
    // Hands a link text to the desktop's default handler; a failure is ignored.
    virtual void OpenLink(const QString& text) = 0;
    // Asks the input method for hiragana input in the given editor.
    virtual void RequestHiragana(QWidget* editor) = 0;
    // Switches the input method off for the given editor.
    virtual void SwitchInputMethodOff(QWidget* editor) = 0;

    QDate Today() const { return Now().date(); }
};

class TSystemDesktop : public TDesktop {
public:
    QString ProgramFolder() const override;
    QDateTime Now() const override;
    QPoint CursorPos() const override;
    TCursorPlace CursorPlace() const override;
    QSize PrimaryScreenSize() const override;
    QList<QRect> ScreenAreas() const override;
    void OpenLink(const QString& text) override;
    void RequestHiragana(QWidget* editor) override;
    void SwitchInputMethodOff(QWidget* editor) override;
};

// Joins the program folder and a file name with the platform's separator.
QString ProgramFilePath(const QString& folder, const QString& fileName);
