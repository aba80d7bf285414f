#pragma once

#include "shell/Reminders.h"

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
class TBalloonPopup;
class TDesktop;
class TfrmDaviv;
class TNoteStore;
class TDailyBackup;
class StoreRecovery;
class TSwatch;
namespace Ui {
class frmMain;
}

// The launcher palette and the program's main window: five colour swatches that make new
// notes, summoned by the screen's corners; owner of every note it creates, of the tray icon
// and of the one timer that drives reminders, hot corners and the first restore.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    static constexpr int BalloonTimeoutMs = 10000;
    static constexpr int HintTimeoutMs = 20000;
    // Every this many ticks, notes that could not be saved and a store that could not be read
    // at start are tried again.
    static constexpr int RetryTicks = 5;
    // How long the exit save waits in all for a store that another process has locked.
    int ExitLockWaitMs = 5000;

    TfrmMain(TDesktop& desktop, const TNoteStore& store);
    ~TfrmMain() override;

    void RestoreNotes();
    // Saves and closes every note window; notes that could not be stored go to a rescue file,
    // reported in a box when interactive and to the log otherwise. True when all were stored.
    bool SaveAllNotes(bool interactive = true);
    // Ends the program where nobody may answer a box (a signal, log-out): no box is shown, and
    // a report box still open from 終了 goes.
    void EndUnattended();
    // The session is ending (log-out, shut-down) and may still be cancelled: every note is
    // saved and stays open; what cannot be stored goes to a rescue file.
    void SaveForSessionEnd();
    // Saves every note from what the program holds, asking nothing of the window system: the
    // last thing the program does when its display is gone. Notes that cannot be stored go to
    // a text file beside the store; its path, or nothing.
    QString SaveAllNotesNow();
    void LoadBalloonMessages();
    void Timer1Timer();

    // Palette and tray commands.
    void K1Click();
    void N2Click();
    void D1Click();
    void B1Click();
    void N1Click();
    void V1Click();
    void E1Click();
    // Beyond the palette's and the tray's commands: a note from the tray menu (or a double click
    // on the tray icon), and the folder of the store's daily copies.
    void NewNoteClick();
    void OpenBackupsClick();
    void RestoreBackupClick();
    // Goes back to a copy of the store: every note saved, the store kept as a copy of its own, the
    // copy put in its place, and the desktop and the reminders as the copy has them. False, with
    // the store as it was, when a step failed; the user is told.
    bool RestoreBackup(const QString& copyPath);

    // Swatch handlers; sender is the swatch.
    void fcPanelClick(TSwatch* sender);
    void fcPanelMouseDown(TSwatch* sender, Qt::MouseButton button);
    void fcPanelMouseLeave(TSwatch* sender);

    int ScreenWidth = 0;
    int ScreenHeight = 0;
    int DragArmed = 0;
    quint32 SelectedColor = 0;
    bool FirstTick = true;
    QList<TfrmDaviv*> NoteWindows;

    // Every note window of the program: the palette's and those the note list opened.
    QList<TfrmDaviv*> AllNoteWindows() const;
    // The window of a note id, or none.
    TfrmDaviv* NoteWindowOf(qint32 id) const;
    // Closes a note's window without saving it (its row is being removed).
    void DiscardNoteWindow(TfrmDaviv* note);
    // Moves every shown note that lies out of reach onto a screen (after the screens changed).
    void KeepNotesReachable();

    QTimer* Timer1() const { return FTimer1; }
    QSystemTrayIcon* TrayIcon1() const { return FTrayIcon1; }
    QMenu* PopupMenu1() const { return FPopupMenu1; }
    QMenu* PopupMenu2() const { return FPopupMenu2; }
    TSwatch* Panel(int index) const;
    const ReminderSchedule& Reminders() const { return FReminders; }
    // The balloon text the tray icon keeps, "???" until a reminder fires.
    QString BalloonHint() const { return FBalloonHint; }
    // The popup that stands in for the tray's balloon when no tray can show one.
    TBalloonPopup* BalloonPopup() const { return FBalloonPopup; }

Q_SIGNALS:
    // The palette closed and saved its notes: the program ends, with exit code 0 when every note
    // was stored.
    void Closed(int exitCode);
    // A reminder balloon was shown with this text.
    void BalloonShown(const QString& text);
    // The user was told something without a modal box.
    void Notified(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void ReminderStep();
    void HotCornerStep();
    void StartupStep();
    void RetryUnsavedNotes();
    void TellOfRescuedNotes();
    void ShowFirstStartHint();
    void ShowSaveState();
    void Notify(const QString& text);
    void ShowBalloon();
    void TrackTray();
    // Writes the text of notes that could not be stored where the user can find it.
    QString RescueUnsaved(const QList<TfrmDaviv*>& notes);
    void End(bool interactive);
    // Saves every note, waiting for a locked store up to lockWaitMs in all; the notes that are
    // still not stored.
    QList<TfrmDaviv*> SaveEveryNote(int lockWaitMs);
    TfrmDaviv* MakeNote(QPoint at, quint32 color);
    void BackupStep();
    void BackupFinished(const QString& error);
    // No copy of the store was made today, nor did one fail, and the notes are in.
    bool BackupDue(const QDate& today) const;

    TDesktop& FDesktop;
    const TNoteStore& FStore;
    std::unique_ptr<Ui::frmMain> ui;
    QTimer* FTimer1;
    QSystemTrayIcon* FTrayIcon1;
    QMenu* FPopupMenu1;
    QMenu* FPopupMenu2;
    TBalloonPopup* FBalloonPopup;
    QString FBalloonHint = QStringLiteral("???");
    bool FTrayAvailable = false;
    // The reminder cache and which of its entries have been shown.
    ReminderSchedule FReminders;
    std::optional<QPoint> FDragOffset;
    int FTicks = 0;
    bool FStorePrepared = false;
    // Why the store could not be prepared or read at start; empty once it was.
    QString FStartupError;
    // A failure episode was reported and is not over yet.
    bool FFailureReported = false;
    bool FRowsReplacedReported = false;
    TDailyBackup* FBackups = nullptr;
    std::unique_ptr<StoreRecovery> FRecovery;
    // What the check at start found wrong with the store, told at the first tick.
    QString FDamageNotice;
    // Since when the user has not touched the cursor or the keyboard; the daily copy waits for
    // a minute of that.
    QDateTime FIdleSince;
    QPoint FLastCursor;
    QPoint FCursor;
    QDate FBackupFailedOn;
    bool FEnding = false;
    // The store did not exist before this start: a new user is told how to make a note.
    bool FFirstStart = false;
    QString FRescued;
};

extern TfrmMain* frmMain;
