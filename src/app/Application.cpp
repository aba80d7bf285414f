#include "app/Application.h"

#include "app/BackupStep.h"
#include "app/HotCornerStep.h"
#include "app/ReminderStep.h"
#include "app/SaveNotices.h"
#include "app/StartupStep.h"
#include "app/SyncStep.h"
#include "core/Backup.h"
#include "core/Error.h"
#include "core/NoteGeometry.h"
#include "core/NoteStore.h"
#include "core/OpenNote.h"
#include "core/RescueFile.h"
#include "core/SaveEveryNote.h"
#include "core/StoreRecovery.h"
#include "core/SyncStore.h"
#include "gui/ErrorReport.h"
#include "gui/NoteEditor.h"
#include "gui/NoteList.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"
#include "gui/Palette.h"
#include "gui/ReminderEditor.h"
#include "gui/RestoreBackupDialog.h"
#include "gui/Swatch.h"
#include "gui/Tray.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QScreen>

Application::Application(Desktop& desktop, const NoteStore& store, ErrorReport::Show showReport)
    : m_desktop(desktop), m_tickClock(desktop), m_store(store), m_errorReport(std::move(showReport)),
      m_palette(std::make_unique<Palette>(m_errorReport)), m_tray(std::make_unique<Tray>()),
      m_notes(std::make_unique<NoteRegistry>(desktop, store, m_errorReport, m_palette.get())),
      m_recovery(std::make_unique<StoreRecovery>(store.filePath())),
      m_reminderStep(std::make_unique<ReminderStep>(m_tickClock, store, *m_tray)),
      m_saveNotices(std::make_unique<SaveNotices>(*m_notes, *m_tray, store.filePath())),
      m_startup(std::make_unique<StartupStep>(m_tickClock, store, *m_notes, *m_reminderStep, *m_recovery, *m_tray,
                                              *m_saveNotices)),
      m_hotCorners(std::make_unique<HotCornerStep>(desktop, m_tickClock, *m_palette)),
      m_backup(std::make_unique<BackupStep>(m_tickClock, store.filePath(), *m_recovery, *m_tray, m_errorReport)),
      m_sync(std::make_unique<SyncStep>(store, *m_notes, *m_reminderStep, *m_tray,
                                        [this](NoteWindow* note) { giveKeysTo(note); }))
{
    if (auto* guardedApp = dynamic_cast<GuardedApplication*>(QCoreApplication::instance()))
        guardedApp->reportEscapesTo(&m_errorReport);
    // The first tick restores the notes: the second until it comes counts from here.
    m_tickTimer.setObjectName(QStringLiteral("tickTimer"));
    m_tickTimer.setInterval(1000);
    connect(&m_tickTimer, &QTimer::timeout, this, guarded(m_errorReport, [this] { tick(); }));
    m_tickTimer.start();

    connectCommands();
    watchScreens();
    // A key pressed anywhere in the program keeps the day's copy waiting.
    qApp->installEventFilter(this);
    m_startup->prepare();
    m_sync->start();
}

Application::~Application()
{
    qApp->removeEventFilter(this);
    if (auto* guardedApp = dynamic_cast<GuardedApplication*>(QCoreApplication::instance()))
        guardedApp->reportEscapesTo(nullptr);
}

void Application::connectCommands()
{
    // Menu items of the palette and the tray carry out the same commands.
    const auto command = [this](QAction* action, auto work) {
        connect(action, &QAction::triggered, this, guarded(m_errorReport, std::move(work)));
    };
    command(m_palette->hideAction(), [this] { hidePalette(); });
    command(m_palette->noteListAction(), [this] { openNoteList(); });
    command(m_palette->showAllNotesAction(), [this] { showAllNotes(); });
    command(m_palette->remindersAction(), [this] { editReminders(); });
    command(m_palette->quitAction(), [this] { quit(); });
    command(m_tray->quitAction(), [this] { quit(); });
    command(m_tray->openBackupFolderAction(), [this] { openBackupFolder(); });
    command(m_tray->restoreBackupAction(), [this] { chooseBackupToRestore(); });
    command(m_tray->syncFolderAction(), [this] { m_sync->chooseFolder(nullptr); });
    command(m_tray->noteListAction(), [this] { openNoteList(); });
    command(m_tray->remindersAction(), [this] { editReminders(); });
    connect(m_palette.get(), &Palette::closeRequested, this, guarded(m_errorReport, [this] { quit(); }));
    connect(m_palette.get(), &Palette::noteDrawnOut, this,
            [this](quint32 color) { runGuarded(m_errorReport, [&] { drawOutNote(color); }); });
    connect(m_tray.get(), &Tray::showPaletteRequested, this, guarded(m_errorReport, [this] { showPalette(); }));
    connect(m_tray.get(), &Tray::newNoteRequested, this, guarded(m_errorReport, [this] { newNote(); }));
}

// A screen unplugged or made smaller must not take notes out of reach; one that comes back
// takes its notes back to their places.
void Application::watchScreens()
{
    const auto keepReachable = [this] { m_notes->keepReachable(); };
    const auto watch = [this, keepReachable](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, keepReachable);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, keepReachable](QScreen* screen) {
        watch(screen);
        keepReachable();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this, keepReachable] { QTimer::singleShot(0, this, keepReachable); });
}

bool Application::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        m_backup->userActive();
    return QObject::eventFilter(watched, event);
}

void Application::tick()
{
    const TickClock::Tick time(m_tickClock);
    ++m_ticks;
    const bool retry = m_ticks % RetryTicks == 0;
    const bool restoring = m_startup->pending();
    m_reminderStep->run();
    const bool paletteWasShown = m_palette->isVisible();
    const QPoint cursor = m_hotCorners->run();
    // The user came for the palette: a balloon by the tray must not lie over it and take the click.
    if (!paletteWasShown && m_palette->isVisible())
        m_tray->clearBalloonOver(m_palette->geometry());
    m_startup->run(m_ticks, retry);
    // A tick after the notes came back they are painted, and what the start freed can go.
    if (std::exchange(m_releaseMemory, false))
        releaseFreedMemory();
    if (restoring && !m_startup->pending())
        m_releaseMemory = true;
    if (!restoring && retry)
        m_saveNotices->retryFailed();
    m_saveNotices->show(m_startup->error());
    m_backup->run(cursor, !m_startup->pending());
    // Not in the tick that brings the notes back: they show first.
    if (!restoring)
        m_sync->run(m_ticks);
}

const ReminderSchedule& Application::reminders() const
{
    return m_reminderStep->schedule();
}

bool Application::restorePending() const
{
    return m_startup->pending();
}

void Application::hidePalette()
{
    m_palette->hide();
}

void Application::showPalette()
{
    m_palette->show();
    m_palette->raise();
    m_palette->activateWindow();
}

void Application::showPaletteNearCursor()
{
    m_hotCorners->showNearCursor();
}

// The note list and the reminder editor are built when first opened: most starts open neither.
NoteList& Application::noteList()
{
    if (!m_noteList)
        m_noteList = std::make_unique<NoteList>(m_store, *m_notes, m_errorReport);
    return *m_noteList;
}

ReminderEditor& Application::reminderEditor()
{
    if (!m_reminderEditor)
        m_reminderEditor = std::make_unique<ReminderEditor>(m_desktop, m_store, m_errorReport);
    return *m_reminderEditor;
}

void Application::openNoteList()
{
    noteList().exec();
}

void Application::showAllNotes()
{
    m_notes->showHidden();
}

void Application::editReminders()
{
    const QDateTime opened = m_desktop.now();
    m_tray->clearReminderMark();
    m_tray->showBalloon();
    reminderEditor().exec();
    if (const StoreResult<> loaded = m_reminderStep->load(); !loaded) {
        m_errorReport.show(loaded.error().message());
        return;
    }
    // What fell due while the editor held the new entries shows now.
    m_reminderStep->lookBackTo(opened);
    m_reminderStep->run();
}

void Application::quit()
{
    Q_EMIT finished(shutDown(true));
}

void Application::drawOutNote(quint32 color)
{
    NoteWindow* note = makeNote(m_desktop.cursorPos(), color);
    // WORKAROUND: the palette goes before the note takes the keys. Under wine a window that owns
    // the notes, hidden, moves them in its stacking order, and an active note moved so is mapped
    // anew and loses the keyboard.
    m_palette->hide();
    giveKeysTo(note);
}

NoteWindow* Application::makeNote(QPoint at, quint32 color)
{
    // Wholly on the screen it is made on, out from under a taskbar, its date strip in reach.
    const QRect area = areaOfScreen(m_desktop.cursorPlace().screen, m_desktop.screenAreas());
    return m_notes->makeNote(newNoteGeometry(QRect(at, QSize(NoteWindow::DesignWidth, NoteWindow::DesignHeight)), area),
                             color);
}

void Application::giveKeysTo(NoteWindow* note)
{
    note->raise();
    note->activateWindow();
    note->editor()->setFocus();
}

void Application::newNote()
{
    // The last colour chosen; yellow before any.
    const quint32 color = m_palette->selectedColor() ? m_palette->selectedColor() : m_palette->swatch(4)->colorValue();
    const QRect screen = m_desktop.cursorPlace().screen;
    const QRect area = areaOfScreen(screen, m_desktop.screenAreas());
    const QSize size(NoteWindow::DesignWidth, NoteWindow::DesignHeight);
    const QRect middle =
        newNoteGeometry(QRect(screen.center() - QPoint(size.width() / 2, size.height() / 2), size), area);
    // One note after another comes down and to the right of the last, not over it.
    QList<QPoint> taken;
    for (const NoteWindow* shown : m_notes->notes())
        if (shown->isVisible())
            taken << shown->bounds().topLeft();
    const QRect place = cascadedGeometry(middle, taken, area);
    giveKeysTo(m_notes->makeNote(newNoteGeometry(QRect(place.topLeft(), size), area), color));
}

void Application::openBackupFolder()
{
    const QString folder = QDir::toNativeSeparators(m_backup->backups().folder());
    QDir().mkpath(folder);
    m_desktop.openFolder(folder, [this, folder] {
        // Without a file manager the user still learns where the copies are, and can copy the path.
        auto* box = new QMessageBox(QMessageBox::Information, applicationTitle(),
                                    tr("バックアップのフォルダーを開けるプログラムが見つかりませんでした。"
                                       "バックアップは次のフォルダーにあります:\n\n") +
                                        folder,
                                    QMessageBox::Ok, m_palette.get());
        box->setObjectName(QStringLiteral("backupFolderBox"));
        box->setWindowFlag(Qt::Window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box->setWindowModality(Qt::NonModal);
        box->show();
    });
}

void Application::chooseBackupToRestore()
{
    // The note list and the reminder editor hold what they read from the store: first they close.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    RestoreBackupDialog dialog(m_recovery->backups());
    if (dialog.exec() == QDialog::Accepted && dialog.chosen())
        restoreBackup(dialog.chosen()->path);
}

bool Application::restoreBackup(const QString& copyPath)
{
    m_backup->stopForRestore();
    // What is on the desktop goes into the store first, so that the copy kept of it holds it.
    if (const QList<OpenNote*> unsaved = saveEveryNote(m_notes->openNotes(), m_exitLockWaitMs); !unsaved.isEmpty()) {
        m_errorReport.show(tr("保存できない付箋があるため、バックアップから戻しませんでした。\n") +
                           saveFailureText(unsaved.first()->saver()));
        return false;
    }
    const StoreResult<QString> restored = m_recovery->restore(copyPath, m_desktop.now());
    if (!restored) {
        m_errorReport.show(tr("バックアップから戻せませんでした。付箋は元のままです。\n") +
                           storeFailureText(restored.error(), m_store.filePath()));
        return false;
    }
    const QString& kept = *restored;
    if (!kept.isEmpty())
        if (const StoreResult<> carried = SyncStore::carryOver(m_store, kept); !carried)
            qWarning("what synchronising knew was not carried over: %s", qUtf8Printable(carried.error().message()));
    m_sync->start();
    // The windows show the store that was: they go unsaved, and the program starts over on the
    // restored store as at start, its reminders and its open notes.
    m_notes->discardAll();
    m_startup->startOver();
    m_tray->notify(kept.isEmpty() ? tr("バックアップから戻しました。")
                                  : tr("バックアップから戻しました。戻す前の付箋は次のファイルに残してあります:\n") +
                                        QDir::toNativeSeparators(kept));
    return true;
}

bool Application::saveAllNotes(bool interactive)
{
    // The last save must not lose the last edits to a store another process holds for a
    // moment: wait for its lock, and name every note that still could not be saved.
    const QList<OpenNote*> unsaved = saveEveryNote(m_notes->openNotes(), m_exitLockWaitMs);
    m_rescued = rescueNotes(unsaved, m_desktop, m_store);
    const QString report = unsaved.isEmpty() ? QString() : SaveNotices::exitReport(unsaved, m_rescued);
    m_notes->endFading();
    m_notes->destroyAll();
    if (report.isEmpty())
        return true;
    // Nobody may be there to click a box away: the report goes to the log, word of the file to
    // the next start.
    if (interactive)
        m_errorReport.show(report);
    else
        qWarning("%s", qUtf8Printable(report));
    return false;
}

int Application::shutDown(bool interactive)
{
    if (m_shuttingDown)
        return 0;
    m_shuttingDown = true;
    m_tickTimer.stop();
    const bool stored = saveAllNotes(interactive);
    // The other PCs get the last typing, though this one may stay off for days.
    m_sync->publishNow();
    // Shown in the report, the file needs no word at the next start.
    if (interactive && !m_rescued.isEmpty())
        Rescue::takeNotices(m_store.filePath());
    m_backup->makeAtExit(!m_startup->pending());
    return stored ? 0 : 1;
}

void Application::endUnattended()
{
    // A report box still open from 終了 must not keep the program alive.
    if (m_shuttingDown) {
        qApp->exit(1);
        return;
    }
    Q_EMIT finished(shutDown(false));
}

void Application::saveForSessionEnd()
{
    // No time to wait for a store another process holds: the session is ending.
    const QList<OpenNote*> unsaved = saveEveryNote(m_notes->openNotes(), 0);
    // The session may end the program without another word: what could not be stored is kept.
    if (const QString rescued = rescueNotes(unsaved, m_desktop, m_store); !rescued.isEmpty())
        qWarning("notes that could not be stored were written to %s", qUtf8Printable(rescued));
}

QString Application::saveAllNotesNow()
{
    // The process ends right after this, whatever happens: a store held a moment by another
    // connection is waited for as at any exit, rather than the text going to a rescue file.
    const QList<OpenNote*> unsaved = saveEveryNote(m_notes->openNotes(), m_exitLockWaitMs);
    for (OpenNote* note : unsaved)
        qWarning("note %d not stored: %s", note->saver().id(), qUtf8Printable(saveFailureText(note->saver())));
    return rescueNotes(unsaved, m_desktop, m_store);
}
