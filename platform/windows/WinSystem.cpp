#include "platform/System.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/windows/WinCodePage932.h"
#include "platform/windows/WinProgramFolder.h"

QString ProgramFolder()
{
    return WinProgramFolder();
}

void PrepareWindowSystem() {}

void UseSystemCodePage932()
{
    static const TWinCodePage932 conversion;
    UseCodePage932(&conversion);
}

// Windows ends a session through the session manager, which the program answers itself.
void SaveBeforeDisplayLoss(std::function<void()>) {}

void OpenFolderInFileManager(const QString& path, std::function<void()> failed)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        failed();
}
