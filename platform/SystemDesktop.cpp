#include "platform/Desktop.h"

#include "platform/System.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <qpa/qplatformcursor.h>
#include <qpa/qplatformscreen.h>

QDateTime TSystemDesktop::Now() const
{
    return QDateTime::currentDateTime();
}

QPoint TSystemDesktop::CursorPos() const
{
    return QCursor::pos();
}

TCursorPlace TSystemDesktop::CursorPlace() const
{
    const QPoint logical = QCursor::pos();
    // The screen under the cursor, and the cursor, in device pixels: the platform's own values.
    for (QScreen* screen : QGuiApplication::screens()) {
        const QPlatformScreen* native = screen->handle();
        const QPlatformCursor* cursor = native ? native->cursor() : nullptr;
        if (!cursor)
            continue;
        const QPoint device = cursor->pos();
        const QRect area = native->geometry();
        if (!area.contains(device))
            continue;
        return {logical,
                screen->geometry(),
                device.x() == area.left(),
                device.y() == area.top(),
                device.x() == area.right(),
                device.y() == area.bottom()};
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return CursorPlaceAt(screen ? screen->geometry() : QRect(), logical);
}

QList<QRect> TSystemDesktop::ScreenAreas() const
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

void TSystemDesktop::OpenLink(const QString& text)
{
    // "www." links carry no scheme; the desktop needs one to pick a handler.
    QUrl url = text.startsWith(QLatin1String("www."), Qt::CaseInsensitive) ? QUrl(QLatin1String("http://") + text)
                                                                           : QUrl::fromUserInput(text);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void TSystemDesktop::RequestHiragana(QWidget* editor)
{
    RequestHiraganaInput(editor);
}

void TSystemDesktop::SwitchInputMethodOff(QWidget* editor)
{
    ::SwitchInputMethodOff(editor);
}
