#include "Platform.h"

#include <QDesktopServices>
#include <QUrl>

#include "WinCodePage932.h"
#include "WinProgramFolder.h"

QString programFolder()
{
    return winProgramFolder();
}

void prepareWindowSystem() {}

void useSystemCodePage932()
{
    static const WinCodePage932 conversion;
    useCodePage932(&conversion);
}

// Windows ends a session through the session manager, which the program answers itself.
void saveBeforeDisplayLoss(std::function<void()>) {}

void openFolderInFileManager(const QString& path, std::function<void()> failed)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        failed();
}
