#include "platform/Platform.h"
#include "platform/windows/WinCodePage932.h"
#include "platform/windows/WinProgramFolder.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <QtGui/private/qguiapplication_p.h>

#include <malloc.h>

QString programFolder()
{
    return winProgramFolder();
}

void prepareWindowSystem() {}

// Qt then attaches to the foreground thread's input while it activates a window of a background
// process, which Windows honours.
void activateWindowsFromBackground()
{
    using QNativeInterface::Private::QWindowsApplication;
    if (auto* windows = qApp->nativeInterface<QWindowsApplication>())
        windows->setWindowActivationBehavior(QWindowsApplication::AlwaysActivateWindow);
}

void useSystemCodePage932()
{
    static const WinCodePage932 conversion;
    useCodePage932(&conversion);
}

void releaseFreedMemory()
{
    _heapmin();
}

// Windows ends a session through the session manager, which the program answers itself.
void saveBeforeDisplayLoss(std::function<void()>) {}

void openFolderInFileManager(const QString& path, std::function<void()> failed)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        failed();
}
