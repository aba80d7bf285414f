#include "app/Application.h"
#include "app/SingleInstance.h"
#include "app/Translation.h"
#include "core/NoteStore.h"
#include "core/StoreText.h"
#include "gui/AppIcon.h"
#include "gui/ErrorReport.h"
#include "gui/Palette.h"
#include "platform/Desktop.h"
#include "platform/GlobalShortcut.h"
#include "platform/Platform.h"
#include "platform/TerminationWatcher.h"

#include <QDate>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    prepareWindowSystem();
    GuardedApplication app(argc, argv);
    // Before any window or box: a translation beside the program speaks the system's language.
    const std::unique_ptr<QTranslator> translation =
        loadTranslation(QCoreApplication::applicationDirPath(), QLocale::system());
    if (translation)
        app.installTranslator(translation.get());
    // Only the program's own end ends it; closing a dialog or a note never does.
    app.setQuitOnLastWindowClosed(false);
    // Every window hands the window system its icon in every size it has when it is made; the
    // windows that a taskbar or an Alt+Tab list shows need no more than 32 pixels. The palette
    // and the tray icon keep every size.
    app.setWindowIcon(programIconUpTo(32));
    activateWindowsFromBackground();
    useSystemCodePage932();
    SystemDesktop desktop;

    NoteStore store(programFolder());
    SingleInstance instance(store.filePath());
    if (!instance.claim()) {
        if (!instance.answered())
            QMessageBox::information(nullptr, applicationTitle(),
                                     QCoreApplication::translate("SingleInstance", "ZU付箋は既に起動しています。"));
        return 0;
    }
    if (!instance.lockProblem().isEmpty())
        QMessageBox::warning(nullptr, applicationTitle(), instance.lockProblem());

    Application application(desktop, store);
    ErrorReport& report = application.errorReport();
    QObject::connect(&instance, &SingleInstance::showRequested, &application,
                     guarded(report, [&application] { application.showPaletteNearCursor(); }));
    QObject::connect(&application, &Application::finished, &app, &QApplication::exit);
    // SIGTERM, SIGINT and SIGHUP end the program as 終了 does, without a box nobody may be there
    // to answer.
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &application,
                     guarded(report, [&application] { application.endUnattended(); }));
    // Win+Alt+F (Super+Alt+F) anywhere makes a note as the tray's 新しい付箋 does: F for 付箋, a
    // combination that desktops, input methods and office programs leave free.
#ifdef Q_OS_WIN
    const char* newNoteKeyName = "Win+Alt+F";
#else
    const char* newNoteKeyName = "Super+Alt+F";
#endif
    GlobalShortcut newNoteKey(QKeyCombination(Qt::MetaModifier | Qt::AltModifier, Qt::Key_F));
    if (!newNoteKey.registered())
        qWarning("%s (a new note) is not available: %s; the program works on without it", newNoteKeyName,
                 qUtf8Printable(newNoteKey.problem()));
    QObject::connect(&newNoteKey, &GlobalShortcut::activated, &application,
                     guarded(report, [&application] { application.newNote(); }));
    // At log-out or shut-down the session may still be cancelled, so its end saves the notes
    // but keeps them open.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &application,
                     guarded(report, [&application] { application.saveForSessionEnd(); }));
    // Any other way out of the event loop ends the program as a signal does.
    int exitCode = 0;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &application, [&application, &report, &exitCode] {
        runGuarded(report, [&] {
            if (!application.isShuttingDown())
                exitCode = application.shutDown(false);
        });
    });
    // When the display goes away (the X server ends, the connection breaks), the window system's
    // plugin ends the process with exit(): what was typed is saved from memory just before.
    saveBeforeDisplayLoss([&application] {
        const QString rescued = application.saveAllNotesNow();
        if (!rescued.isEmpty())
            qWarning("notes that could not be stored were written to %s", qUtf8Printable(rescued));
    });
    // The text rules' first use (the code page conversion, the date form) is paid now, while the
    // first tick is a second away, rather than inside the restore of the notes it brings.
    decodeStoreText(encodeStoreText(QStringLiteral("日本ｶﾅ😀") + formatStoreDate(QDate(2026, 1, 2))));
    const int result = app.exec();
    saveBeforeDisplayLoss({});
    return result != 0 ? result : exitCode;
}
