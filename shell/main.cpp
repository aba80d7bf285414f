#include "list/uFList.h"
#include "notes/uFDaviv.h"
#include "notes/uFTrash.h"
#include "platform/Desktop.h"
#include "platform/Exception.h"
#include "platform/StoreText.h"
#include "platform/System.h"
#include "platform/Termination.h"
#include "reminders/uFBaloon.h"
#include "shell/AppIcon.h"
#include "shell/ErrorReport.h"
#include "shell/SingleInstance.h"
#include "shell/uFMain.h"
#include "store/NoteStore.h"

#include <QMessageBox>

#include <cstdlib>
#include <memory>
#include <utility>

namespace {

// When the display goes away (the X server ends, the connection breaks) the window system's
// plugin ends the process with exit(); what is typed must still reach the store. Set while the
// palette lives.
TfrmMain* NotesToSaveAtExit = nullptr;

void SaveNotesAtAbruptExit()
{
    if (TfrmMain* palette = std::exchange(NotesToSaveAtExit, nullptr)) {
        const QString rescued = palette->SaveAllNotesNow();
        if (!rescued.isEmpty())
            qWarning("notes that could not be stored were written to %s", qUtf8Printable(rescued));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    PrepareWindowSystem();
    TApplication app(argc, argv);
    // Only the palette's close ends the program; closing a dialog or a note never does.
    app.setQuitOnLastWindowClosed(false);
    // Every window hands the window system its icon in every size it has when it is made; the
    // windows that a taskbar or an Alt+Tab list shows need no more than 32 pixels. The palette
    // and the tray icon keep every size.
    app.setWindowIcon(ProgramIconUpTo(32));
    UseSystemCodePage932();
    TSystemDesktop desktop;

    TNoteStore store(ProgramFolder());
    TSingleInstance instance(store.FilePath());
    if (!instance.Claim()) {
        if (!instance.Answered())
            QMessageBox::information(nullptr, QString::fromUtf8(ApplicationTitle),
                                     QStringLiteral("ZU付箋は既に起動しています。"));
        return 0;
    }

    // The start-up windows, in their fixed order.
    auto main = std::make_unique<TfrmMain>(desktop, store);
    frmMain = main.get();
    auto daviv = std::make_unique<TfrmDaviv>(desktop, store, nullptr);
    frmDaviv = daviv.get();
    auto trash = std::make_unique<TfrmTrash>();
    frmTrash = trash.get();
    auto list = std::make_unique<TfrmList>(desktop, store);
    frmList = list.get();
    auto baloon = std::make_unique<TfrmBaloon>(desktop, store);
    frmBaloon = baloon.get();

    QObject::connect(&instance, &TSingleInstance::ShowRequested, frmMain, Guarded([] { frmMain->V1Click(); }));
    QObject::connect(frmMain, &TfrmMain::Closed, &app, &QApplication::exit);
    // SIGTERM, SIGINT and SIGHUP end the program as the palette's close does, without a box
    // nobody may be there to answer.
    TTerminationWatcher termination;
    QObject::connect(&termination, &TTerminationWatcher::TerminationRequested, frmMain,
                     Guarded([] { frmMain->EndUnattended(); }));
    // At log-out or shut-down the session may still be cancelled, so its end saves the notes
    // but keeps them open.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, frmMain, Guarded([] { frmMain->SaveForSessionEnd(); }));
    // Any other way out of the event loop still saves what the palette's close did not.
    bool unsavedAtQuit = false;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, frmMain, [&unsavedAtQuit] {
        try {
            unsavedAtQuit = !frmMain->SaveAllNotes(false);
        } catch (const Exception& e) {
            unsavedAtQuit = true;
            qWarning("notes could not be saved at exit: %s", e.what());
        }
    });

    // The save path's own static objects are made before the exit handler is registered, so
    // that they are destroyed after it has run.
    DecodeStoreText(
        EncodeStoreText(QStringLiteral("日本ｶﾅ😀") + FormatStoreDate(StrToDate(QStringLiteral("2026/01/02")))));
    StrToInt(QStringLiteral("1"));
    NotesToSaveAtExit = frmMain;
    SaveBeforeDisplayLoss(SaveNotesAtAbruptExit);
    std::atexit(SaveNotesAtAbruptExit);
    const int result = app.exec();
    NotesToSaveAtExit = nullptr;

    frmBaloon = nullptr;
    frmList = nullptr;
    frmTrash = nullptr;
    frmDaviv = nullptr;
    return unsavedAtQuit && result == 0 ? 1 : result;
}
