#include "platform/System.h"

#include "platform/posix/PosixCodePage932.h"

#include <QCoreApplication>
#include <QDir>

QString ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void PrepareWindowSystem()
{
    // A platform the user chose stays chosen.
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    const bool wayland = qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (wayland && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void UseSystemCodePage932()
{
    static const TPosixCodePage932 conversion;
    UseCodePage932(&conversion);
}

namespace {

std::function<void()> SaveOnLoss;
QtMessageHandler PreviousMessageHandler = nullptr;

// WORKAROUND: Qt's X11 plugin calls exit(1) right after this warning. By then static objects
// made after the program's start would already be gone, so the save runs here.
void WatchForBrokenDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (PreviousMessageHandler)
        PreviousMessageHandler(type, context, message);
    if (type == QtWarningMsg && message.contains(QLatin1String("X11 connection broke")) && SaveOnLoss)
        std::exchange(SaveOnLoss, nullptr)();
}

} // namespace

void SaveBeforeDisplayLoss(std::function<void()> save)
{
    SaveOnLoss = std::move(save);
    if (!PreviousMessageHandler)
        PreviousMessageHandler = qInstallMessageHandler(WatchForBrokenDisplay);
}
