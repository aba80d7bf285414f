#pragma once

#include "platform/Desktop.h"

#include <QSize>
#include <QStringList>

// A desktop with a settable clock, cursor and screen, and a record of what was asked of it.
class FakeDesktop : public Desktop {
public:
    QDateTime now() const override { return clock; }
    QPoint cursorPos() const override { return cursor; }
    CursorPlace cursorPlace() const override { return cursorPlaceAt(QRect(QPoint(), screen), cursor); }
    QList<QRect> screenAreas() const override
    {
        return areas.isEmpty() ? QList<QRect>{QRect(QPoint(), screen)} : areas;
    }
    void openLink(const QString& text) override { openedLinks << text; }
    void openFolder(const QString& path, std::function<void()> failed) override
    {
        openedFolders << path;
        if (!folderOpens)
            failed();
    }
    void requestHiragana(QWidget* editor) override { hiraganaRequests << editor; }
    void switchInputMethodOff(QWidget* editor) override { inputMethodOff << editor; }

    QDateTime clock{QDate(2026, 12, 8), QTime(10, 30, 0)};
    QPoint cursor{500, 400};
    QSize screen{1024, 768};
    // Empty: the whole screen.
    QList<QRect> areas;
    QStringList openedLinks;
    QStringList openedFolders;
    bool folderOpens = true;
    QList<QWidget*> hiraganaRequests;
    QList<QWidget*> inputMethodOff;
};
