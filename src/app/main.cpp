#include "NoteList.h"
#include "NoteWindow.h"
#include "TrashWindow.h"
#include "Desktop.h"
#include "Error.h"
#include "StoreText.h"
#include "Platform.h"
#include "TerminationWatcher.h"
#include "ReminderEditor.h"
#include "AppIcon.h"
#include "ErrorReport.h"
#include "SingleInstance.h"
#include "Palette.h"
#include "NoteStore.h"

#include <QMessageBox>

#include <cstdlib>
#include <memory>
#include <utility>

namespace {

// When the display goes away (the X server ends, the connection breaks) the window system's
// plugin ends the process with exit(); what is typed must still reach the store. Set while the
// palette lives.
Palette* notesToSaveAtExit = nullptr;

void saveNotesAtAbruptExit()
{
    if (Palette* palette = std::exchange(notesToSaveAtExit, nullptr)) {
        const QString rescued = palette->saveAllNotesNow();
        if (!rescued.isEmpty())
            qWarning("notes that could not be stored were written to %s", qUtf8Printable(rescued));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    prepareWindowSystem();
    GuardedApplication app(argc, argv);
    // Only the palette's close ends the program; closing a dialog or a note never does.
    app.setQuitOnLastWindowClosed(false);
    // Every window hands the window system its icon in every size it has when it is made; the
    // windows that a taskbar or an Alt+Tab list shows need no more than 32 pixels. The palette
    // and the tray icon keep every size.
    app.setWindowIcon(programIconUpTo(32));
    useSystemCodePage932();
    SystemDesktop desktop;

    NoteStore store(programFolder());
    SingleInstance instance(store.filePath());
    if (!instance.claim()) {
        if (!instance.answered())
            QMessageBox::information(nullptr, QString::fromUtf8(ApplicationTitle),
                                     QStringLiteral("ZU付箋は既に起動しています。"));
        return 0;
    }

    // The start-up windows, in their fixed order.
    auto main = std::make_unique<Palette>(desktop, store);
    frmMain = main.get();
    auto trash = std::make_unique<TrashWindow>();
    frmTrash = trash.get();
    auto list = std::make_unique<NoteList>(desktop, store);
    frmList = list.get();
    auto baloon = std::make_unique<ReminderEditor>(desktop, store);
    frmBaloon = baloon.get();

    QObject::connect(&instance, &SingleInstance::ShowRequested, frmMain, guarded([] { frmMain->showPalette(); }));
    QObject::connect(frmMain, &Palette::Closed, &app, &QApplication::exit);
    // SIGTERM, SIGINT and SIGHUP end the program as the palette's close does, without a box
    // nobody may be there to answer.
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::TerminationRequested, frmMain,
                     guarded([] { frmMain->endUnattended(); }));
    // At log-out or shut-down the session may still be cancelled, so its end saves the notes
    // but keeps them open.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, frmMain, guarded([] { frmMain->saveForSessionEnd(); }));
    // Any other way out of the event loop still saves what the palette's close did not.
    bool unsavedAtQuit = false;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, frmMain, [&unsavedAtQuit] {
        try {
            unsavedAtQuit = !frmMain->saveAllNotes(false);
        } catch (const Error& e) {
            unsavedAtQuit = true;
            qWarning("notes could not be saved at exit: %s", e.what());
        }
    });

    // The save path's own static objects are made before the exit handler is registered, so
    // that they are destroyed after it has run.
    decodeStoreText(
        encodeStoreText(QStringLiteral("日本ｶﾅ😀") + formatStoreDate(strToDate(QStringLiteral("2026/01/02")))));
    strToInt(QStringLiteral("1"));
    notesToSaveAtExit = frmMain;
    saveBeforeDisplayLoss(saveNotesAtAbruptExit);
    std::atexit(saveNotesAtAbruptExit);
    const int result = app.exec();
    notesToSaveAtExit = nullptr;

    frmBaloon = nullptr;
    frmList = nullptr;
    frmTrash = nullptr;
    return unsavedAtQuit && result == 0 ? 1 : result;
}
