#include "platform/windows/WinProgramFolder.h"

#include <windows.h>

#include <vector>

QString winProgramFolder()
{
    // Paths may pass MAX_PATH; a full buffer means the name was cut, so try again with more room.
    std::vector<wchar_t> buffer(MAX_PATH);
    QString path;
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return QString();
        if (length < buffer.size()) {
            path = QString::fromWCharArray(buffer.data(), length);
            break;
        }
        if (buffer.size() >= 65536)
            return QString();
        buffer.resize(buffer.size() * 2);
    }
    const qsizetype separator = path.lastIndexOf(QLatin1Char('\\'));
    if (separator < 0)
        return QString();
    QString folder = path.left(separator);
    if (folder.endsWith(QLatin1Char(':')))
        folder += QLatin1Char('\\');
    return folder;
}
