#pragma once

#include "platform/Desktop.h"

#include <QSize>
#include <QStringList>

// A desktop with a settable clock, cursor and screen, and a record of what was asked of it.
class TFakeDesktop : public TDesktop {
public:
    QDateTime Now() const override { return Clock; }
    QPoint CursorPos() const override { return Cursor; }
    TCursorPlace CursorPlace() const override { return CursorPlaceAt(QRect(QPoint(), Screen), Cursor); }
    QList<QRect> ScreenAreas() const override
    {
        return Areas.isEmpty() ? QList<QRect>{QRect(QPoint(), Screen)} : Areas;
    }
    void OpenLink(const QString& text) override { OpenedLinks << text; }
    void OpenFolder(const QString& path, std::function<void()> failed) override
    {
        OpenedFolders << path;
        if (!FolderOpens)
            failed();
    }
    void RequestHiragana(QWidget* editor) override { HiraganaRequests << editor; }
    void SwitchInputMethodOff(QWidget* editor) override { InputMethodOff << editor; }

    QDateTime Clock{QDate(2026, 12, 8), QTime(10, 30, 0)};
    QPoint Cursor{500, 400};
    QSize Screen{1024, 768};
    // Empty: the whole screen.
    QList<QRect> Areas;
    QStringList OpenedLinks;
    QStringList OpenedFolders;
    bool FolderOpens = true;
    QList<QWidget*> HiraganaRequests;
    QList<QWidget*> InputMethodOff;
};
