#pragma once

#include "app/TickClock.h"
#include "gui/ErrorReport.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class BackupStep;
class Desktop;
class HotCornerStep;
class NoteList;
class NoteRegistry;
class NoteStore;
class NoteWindow;
class Palette;
class ReminderEditor;
class ReminderSchedule;
class ReminderStep;
class SaveNotices;
class StartupStep;
class StoreRecovery;
class SyncStep;
class Tray;

// The program: owns every window and the one registry of note windows, carries out the
// commands of the palette's and the tray's menus, drives the one-second tick, and is the one way
// out, whichever way the end comes (終了, a signal, log-out, the display gone).
class Application : public QObject {
    Q_OBJECT

public:
    // Every this many ticks, notes that could not be saved and a store that could not be read
    // at start are tried again.
    static constexpr int RetryTicks = 5;

    // Reports go to a message box, or through showReport where given (tests record them). Errors
    // that escape every guard come to this report while the application lives.
    Application(Desktop& desktop, const NoteStore& store, ErrorReport::Show showReport = {});
    ~Application() override;

    // One tick: reminders, hot corners, the start (restore, retried while the store cannot be
    // read), saves retried, the save state shown, the day's backup.
    void tick();
    QTimer& tickTimer() { return m_tickTimer; }

    // The palette's and the tray's commands.
    void hidePalette();
    void showPalette();
    // Another start of the program asks to be seen: the palette in the corner nearest the
    // cursor, kept until the user has found it.
    void showPaletteNearCursor();
    void openNoteList();
    void showAllNotes();
    void editReminders();
    // 終了: every note saved and the program ended; notes that could not be stored are named in
    // a box.
    void quit();
    // 新しい付箋, from the tray or the desktop-wide shortcut: a note in the middle of the screen
    // under the cursor, with the caret in it.
    void newNote();
    void openBackupFolder();
    void chooseBackupToRestore();
    // Goes back to a copy of the store: every note saved, the store kept as a copy of its own, the
    // copy put in its place, and the desktop and the reminders as the copy has them. False, with
    // the store as it was, when a step failed; the user is told.
    bool restoreBackup(const QString& copyPath);
    // A note drawn out of the palette, at the cursor, with the caret in it.
    void drawOutNote(quint32 color);

    // Ends the program where nobody may answer a box (a signal, log-out): the report goes to the
    // log, word of a rescue file to the next start; a report box still open from 終了 goes.
    void endUnattended();
    // The one way out: saves every note, writes what cannot be stored to a rescue file and says
    // so (in a box when interactive), makes the day's backup if none was made; the exit code.
    // Only the first call does anything.
    int shutDown(bool interactive);
    bool isShuttingDown() const { return m_shuttingDown; }
    // The session is ending (log-out, shut-down) and may still be cancelled: every note is saved
    // and stays open; what cannot be stored goes to a rescue file.
    void saveForSessionEnd();
    // The display is gone: every note saved from what the program holds, without asking the
    // window system anything; the rescue file's path, or nothing.
    QString saveAllNotesNow();

    Palette& palette() { return *m_palette; }
    Tray& tray() { return *m_tray; }
    NoteRegistry& notes() { return *m_notes; }
    NoteList& noteList();
    ReminderEditor& reminderEditor();
    SyncStep& sync() { return *m_sync; }
    ErrorReport& errorReport() { return m_errorReport; }
    const ReminderSchedule& reminders() const;
    // The notes that were open are not on the desktop yet.
    bool restorePending() const;
    // How long the last saves wait in all for a store that another process has locked.
    void setExitLockWait(int milliseconds) { m_exitLockWaitMs = milliseconds; }

Q_SIGNALS:
    // The program ends, with exit code 0 when every note was stored.
    void finished(int exitCode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectCommands();
    void watchScreens();
    // Saves every note, ends the notes in their fade and closes every window; a report names what
    // could not be stored.
    bool saveAllNotes(bool interactive);
    NoteWindow* makeNote(QPoint at, quint32 color);
    // The note comes to the front with the keyboard and the caret.
    void giveKeysTo(NoteWindow* note);

    Desktop& m_desktop;
    // What the tick's steps read the time from: one reading of the desktop's clock a tick.
    TickClock m_tickClock;
    const NoteStore& m_store;
    // Made before the windows that report through it, and gone after them.
    ErrorReport m_errorReport;
    // The windows, made in this order. The note windows belong to the palette: the registry
    // closes them before the palette goes.
    std::unique_ptr<Palette> m_palette;
    std::unique_ptr<Tray> m_tray;
    std::unique_ptr<NoteRegistry> m_notes;
    std::unique_ptr<NoteList> m_noteList;
    std::unique_ptr<ReminderEditor> m_reminderEditor;
    std::unique_ptr<StoreRecovery> m_recovery;
    std::unique_ptr<ReminderStep> m_reminderStep;
    std::unique_ptr<SaveNotices> m_saveNotices;
    std::unique_ptr<StartupStep> m_startup;
    std::unique_ptr<HotCornerStep> m_hotCorners;
    std::unique_ptr<BackupStep> m_backup;
    std::unique_ptr<SyncStep> m_sync;
    QTimer m_tickTimer;
    int m_ticks = 0;
    bool m_releaseMemory = false;
    int m_exitLockWaitMs = 5000;
    bool m_shuttingDown = false;
    // A rescue file written at this end, named in its report.
    QString m_rescued;
};
