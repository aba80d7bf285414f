#pragma once

#include "ReminderSchedule.h"
#include "StoreError.h"

#include <QDateTime>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QSystemTrayIcon;
class BalloonPopup;
class Desktop;
class NoteWindow;
class NoteStore;
class DailyBackup;
class StoreRecovery;
class Swatch;
namespace Ui {
class Palette;
}

// The launcher palette and the program's main window: five colour swatches that make new
// notes, summoned by the screen's corners; owner of every note it creates, of the tray icon
// and of the one timer that drives reminders, hot corners and the first restore.
class Palette : public QWidget {
    Q_OBJECT

public:
    static constexpr int BalloonTimeoutMs = 10000;
    static constexpr int HintTimeoutMs = 20000;
    // Every this many ticks, notes that could not be saved and a store that could not be read
    // at start are tried again.
    static constexpr int RetryTicks = 5;
    // How long the exit save waits in all for a store that another process has locked.
    int exitLockWaitMs = 5000;

    Palette(Desktop& desktop, const NoteStore& store);
    ~Palette() override;

    StoreResult<> restoreNotes();
    // Saves and closes every note window; notes that could not be stored go to a rescue file,
    // reported in a box when interactive and to the log otherwise. True when all were stored.
    bool saveAllNotes(bool interactive = true);
    // Ends the program where nobody may answer a box (a signal, log-out): no box is shown, and
    // a report box still open from 終了 goes.
    void endUnattended();
    // The session is ending (log-out, shut-down) and may still be cancelled: every note is
    // saved and stays open; what cannot be stored goes to a rescue file.
    void saveForSessionEnd();
    // Saves every note from what the program holds, asking nothing of the window system: the
    // last thing the program does when its display is gone. Notes that cannot be stored go to
    // a text file beside the store; its path, or nothing.
    QString saveAllNotesNow();
    StoreResult<> loadReminders();
    void tick();

    // Palette and tray commands.
    void hidePalette();
    void openNoteList();
    void showAllNotes();
    void editReminders();
    void quit();
    void showPalette();
    // Beyond the palette's and the tray's commands: a note from the tray menu (or a double click
    // on the tray icon), and the folder of the store's daily copies.
    void newNoteFromTray();
    void openBackupFolder();
    void chooseBackupToRestore();
    // Goes back to a copy of the store: every note saved, the store kept as a copy of its own, the
    // copy put in its place, and the desktop and the reminders as the copy has them. False, with
    // the store as it was, when a step failed; the user is told.
    bool restoreBackup(const QString& copyPath);

    // Swatch handlers; sender is the swatch.
    void takeSwatchColor(Swatch* sender);
    void armDragOut(Swatch* sender, Qt::MouseButton button);
    void dragOut(Swatch* sender);

    int screenWidth = 0;
    int screenHeight = 0;
    int dragArmed = 0;
    quint32 selectedColor = 0;
    bool restorePending = true;
    QList<NoteWindow*> noteWindows;

    // Every note window of the program: the palette's and those the note list opened.
    QList<NoteWindow*> allNoteWindows() const;
    // The window of a note id, or none.
    NoteWindow* noteWindowOf(qint32 id) const;
    // Closes a note's window without saving it (its row is being removed).
    void discardNoteWindow(NoteWindow* note);
    // Moves every shown note that lies out of reach onto a screen (after the screens changed).
    void keepNotesReachable();

    QTimer* tickTimer() const { return m_tickTimer; }
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }
    QMenu* paletteMenu() const { return m_paletteMenu; }
    QMenu* trayMenu() const { return m_trayMenu; }
    Swatch* swatch(int index) const;
    const ReminderSchedule& reminders() const { return m_reminders; }
    // The balloon text the tray icon keeps, "???" until a reminder fires.
    QString balloonText() const { return m_balloonHint; }
    // The popup that stands in for the tray's balloon when no tray can show one.
    BalloonPopup* balloonPopup() const { return m_balloonPopup; }

Q_SIGNALS:
    // The palette closed and saved its notes: the program ends, with exit code 0 when every note
    // was stored.
    void Closed(int exitCode);
    // A reminder balloon was shown with this text.
    void balloonShown(const QString& text);
    // The user was told something without a modal box.
    void notified(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StoreResult<> prepareStore();
    void reminderStep();
    void hotCornerStep();
    void startupStep();
    void retryUnsavedNotes();
    void tellOfRescuedNotes();
    void showFirstStartHint();
    void showSaveState();
    void notifyUser(const QString& text);
    void showBalloon();
    void trackTray();
    // Writes the text of notes that could not be stored where the user can find it.
    QString rescueUnsaved(const QList<NoteWindow*>& notes);
    void finish(bool interactive);
    // Saves every note, waiting for a locked store up to lockWaitMs in all; the notes that are
    // still not stored.
    QList<NoteWindow*> saveEveryNote(int lockWaitMs);
    NoteWindow* makeNote(QPoint at, quint32 color);
    void backupStep();
    void backupFinished(const QString& error);
    // No copy of the store was made today, nor did one fail, and the notes are in.
    bool backupDue(const QDate& today) const;

    Desktop& m_desktop;
    const NoteStore& m_store;
    std::unique_ptr<Ui::Palette> ui;
    QTimer* m_tickTimer;
    QSystemTrayIcon* m_trayIcon;
    QMenu* m_paletteMenu;
    QMenu* m_trayMenu;
    BalloonPopup* m_balloonPopup;
    QString m_balloonHint = QStringLiteral("???");
    bool m_trayAvailable = false;
    // The reminder cache and which of its entries have been shown.
    ReminderSchedule m_reminders;
    std::optional<QPoint> m_dragOffset;
    int m_ticks = 0;
    bool m_storePrepared = false;
    // Why the store could not be prepared or read at start; empty once it was.
    QString m_startupError;
    // A failure episode was reported and is not over yet.
    bool m_failureReported = false;
    bool m_rowsReplacedReported = false;
    DailyBackup* m_backups = nullptr;
    std::unique_ptr<StoreRecovery> m_recovery;
    // What the check at start found wrong with the store, told at the first tick.
    QString m_damageNotice;
    // Since when the user has not touched the cursor or the keyboard; the daily copy waits for
    // a minute of that.
    QDateTime m_idleSince;
    QPoint m_lastCursor;
    QPoint m_cursor;
    QDate m_backupFailedOn;
    bool m_ending = false;
    // The store did not exist before this start: a new user is told how to make a note.
    bool m_firstStart = false;
    QString m_rescued;
};

extern Palette* frmMain;
