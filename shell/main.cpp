#include "list/uFList.h"
#include "notes/uFDaviv.h"
#include "notes/uFTrash.h"
#include "platform/Desktop.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "reminders/uFBaloon.h"
#include "shell/AppIcon.h"
#include "shell/SingleInstance.h"
#include "shell/TerminationWatcher.h"
#include "shell/uFMain.h"

#include <QMessageBox>

#include <memory>

namespace {

// Hot corners need the global cursor and notes place themselves, which native Wayland
// forbids; XWayland allows both. A platform the user chose stays chosen.
void PreferX11OnWayland()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    const bool wayland = qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (wayland && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace

int main(int argc, char* argv[])
{
    PreferX11OnWayland();
    TApplication app(argc, argv);
    // Only the palette's close ends the program; closing a dialog or a note never does.
    app.setQuitOnLastWindowClosed(false);
    app.setWindowIcon(ProgramIcon());
    TSystemDesktop desktop;

    TSingleInstance instance(desktop.ProgramFolder());
    if (!instance.Claim()) {
        if (!instance.Answered())
            QMessageBox::information(nullptr, QString::fromUtf8(ApplicationTitle),
                                     QStringLiteral("ZU付箋は既に起動しています。"));
        return 0;
    }

    // The start-up windows, in their fixed order.
    auto main = std::make_unique<TfrmMain>(desktop);
    frmMain = main.get();
    auto daviv = std::make_unique<TfrmDaviv>(desktop, nullptr);
    frmDaviv = daviv.get();
    auto trash = std::make_unique<TfrmTrash>();
    frmTrash = trash.get();
    auto list = std::make_unique<TfrmList>(desktop);
    frmList = list.get();
    auto baloon = std::make_unique<TfrmBaloon>(desktop);
    frmBaloon = baloon.get();

    QObject::connect(&instance, &TSingleInstance::ShowRequested, frmMain, &TfrmMain::V1Click);
    QObject::connect(frmMain, &TfrmMain::Closed, &app, &QApplication::quit);
    // Log-out, shut-down, SIGTERM and Ctrl+C end the program as the palette's close does.
    TTerminationWatcher termination;
    QObject::connect(&termination, &TTerminationWatcher::TerminationRequested, frmMain, &QWidget::close);
    // The session may still be cancelled, so its end saves the notes but keeps them open.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, frmMain, [] {
        for (TfrmDaviv* note : frmMain->NoteWindows)
            note->SaveNote();
    });
    // Any other way out of the event loop still saves what the palette's close did not.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, frmMain, [] {
        try {
            frmMain->SaveAllNotes();
        } catch (const Exception& e) {
            qWarning("notes could not be saved at exit: %s", e.what());
        }
    });

    const int result = app.exec();
    frmBaloon = nullptr;
    frmList = nullptr;
    frmTrash = nullptr;
    frmDaviv = nullptr;
    return result;
}
