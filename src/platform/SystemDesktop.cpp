#include "core/NoteText.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <QtGui/private/qhighdpiscaling_p.h>
#include <qpa/qplatformcursor.h>
#include <qpa/qplatformscreen.h>

// The local time with its offset from UTC fixed, from one look at the time zone. Every local-time
// QDateTime asks the zone again (glibc stats its file) at each conversion, comparison or
// difference; one with a fixed offset does plain arithmetic, and still shows the local date and time.
QDateTime SystemDesktop::now() const
{
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::LocalTime);
    if (!local.isValid())
        return local;
    const qint64 offsetMs = QDateTime(local.date(), local.time(), Qt::UTC).toMSecsSinceEpoch() - utcMs;
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, int(offsetMs / 1000));
}

QPoint SystemDesktop::cursorPos() const
{
    return QCursor::pos();
}

// One question to the window system per tick: the cursor in device pixels, the platform's own
// value; the screen under it and the logical position follow from that, as QCursor::pos() has them.
CursorPlace SystemDesktop::cursorPlace() const
{
    QScreen* primary = QGuiApplication::primaryScreen();
    const QPlatformScreen* primaryNative = primary ? primary->handle() : nullptr;
    const QPlatformCursor* cursor = primaryNative ? primaryNative->cursor() : nullptr;
    if (!cursor)
        return cursorPlaceAt(primary ? primary->geometry() : QRect(), QCursor::pos());
    const QPoint device = cursor->pos();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->handle()->geometry();
        if (!area.contains(device))
            continue;
        return {QHighDpi::fromNativePixels(device, screen),
                screen->geometry(),
                device.x() == area.left(),
                device.y() == area.top(),
                device.x() == area.right(),
                device.y() == area.bottom()};
    }
    return cursorPlaceAt(primary->geometry(), QHighDpi::fromNativePixels(device, primary));
}

QList<QRect> SystemDesktop::screenAreas() const
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

void SystemDesktop::openLink(const QString& text)
{
    // Only a web or mail address goes to the shell, never a file or another program's scheme.
    const QUrl url = linkUrl(text);
    if (!url.isEmpty())
        QDesktopServices::openUrl(url);
}

void SystemDesktop::openFolder(const QString& path, std::function<void()> failed)
{
    openFolderInFileManager(path, std::move(failed));
}

void SystemDesktop::requestHiragana(QWidget* editor)
{
    requestHiraganaInput(editor);
}

void SystemDesktop::switchInputMethodOff(QWidget* editor)
{
    ::switchInputMethodOff(editor);
}
