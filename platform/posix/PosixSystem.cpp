#include "platform/System.h"

#include "platform/posix/PosixCodePage932.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

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

// xdg-open says by its exit code whether a program took the folder; QDesktopServices starts it
// and does not wait. When the program ends first, only xdg-open is stopped, not the file manager
// it started.
void OpenFolderInFileManager(const QString& path, std::function<void()> failed)
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
