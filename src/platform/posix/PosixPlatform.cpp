#include "platform/Platform.h"
#include "platform/posix/IconvCodePage932.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#ifdef __GLIBC__
#include <malloc.h>
#endif

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void prepareWindowSystem()
{
    // A platform the user chose stays chosen.
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    const bool wayland = qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (wayland && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void activateWindowsFromBackground() {}

void useSystemCodePage932()
{
    static const IconvCodePage932 conversion;
    useCodePage932(&conversion);
}

void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// xdg-open says by its exit code whether a program took the folder; QDesktopServices starts it
// and does not wait. When the program ends first, only xdg-open is stopped, not the file manager
// it started.
void openFolderInFileManager(const QString& path, std::function<void()> failed)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        failed();
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            failed();
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        failed();
        process->deleteLater();
    });
    process->start(opener, {path});
}

namespace {

std::function<void()> saveOnLoss;
QtMessageHandler previousMessageHandler = nullptr;

// WORKAROUND: Qt's X11 plugin calls exit(1) right after this warning. By then static objects
// made after the program's start would already be gone, so the save runs here.
void watchForBrokenDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
    if (type == QtWarningMsg && message.contains(QLatin1String("X11 connection broke")) && saveOnLoss)
        std::exchange(saveOnLoss, nullptr)();
}

} // namespace

void saveBeforeDisplayLoss(std::function<void()> save)
{
    saveOnLoss = std::move(save);
    if (!previousMessageHandler)
        previousMessageHandler = qInstallMessageHandler(watchForBrokenDisplay);
}
