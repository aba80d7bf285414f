#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void prepareWindowSystem() {}

void activateWindowsFromBackground() {}

// Qt's own conversion, where Qt has one (see codePage932.h), stays in place.
void useSystemCodePage932() {}

void releaseFreedMemory() {}

void saveBeforeDisplayLoss(std::function<void()>) {}

void openFolderInFileManager(const QString& path, std::function<void()> failed)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        failed();
}
