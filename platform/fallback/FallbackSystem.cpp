#include "platform/System.h"

#include <QDesktopServices>
#include <QUrl>

#include <QCoreApplication>
#include <QDir>

QString ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void PrepareWindowSystem() {}

// Qt's own conversion, where Qt has one (see CodePage932.h), stays in place.
void UseSystemCodePage932() {}

void SaveBeforeDisplayLoss(std::function<void()>) {}

void OpenFolderInFileManager(const QString& path, std::function<void()> failed)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        failed();
}
