#include "platform/Desktop.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <qpa/qplatformcursor.h>
#include <qpa/qplatformscreen.h>

QString TSystemDesktop::ProgramFolder() const
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

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

QSize TSystemDesktop::PrimaryScreenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
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
    // Qt has no portable hiragana mode; the input method keeps its own state here.
    editor->setAttribute(Qt::WA_InputMethodEnabled, true);
}

void TSystemDesktop::SwitchInputMethodOff(QWidget* editor)
{
    editor->setAttribute(Qt::WA_InputMethodEnabled, false);
}

QString ProgramFilePath(const QString& folder, const QString& fileName)
{
    QString path = folder;
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator())))
        path.chop(1);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + fileName;
}
