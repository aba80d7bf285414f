#pragma once

#include "core/SyncFile.h"
#include "core/SyncStore.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <optional>

class NoteRegistry;
class NoteStore;
class NoteWindow;
class ReminderStep;
class Tray;
class QWidget;

// Keeps the notes and reminders in step with other PCs through a folder that the user's own
// sync tool keeps in step. A round runs soon after a file in the folder changes, after the
// notes here were saved, and every little while in any case (a network share may not say when
// it changes). Rounds wait while a dialog is open and while the notes are not back yet.
class SyncStep : public QObject {
    Q_OBJECT

public:
    // How many ticks apart the folder is looked at without being told of a change.
    static constexpr int LookTicks = 10;
    // How long after the folder says it changed the round runs: a sync tool writes in bursts.
    static constexpr int SettleMs = 250;
    // How many merged notes one round writes, and how many new windows open per turn of the
    // event loop: many changes at once must not hold the program up.
    static constexpr int MaxPerRound = 50;
    static constexpr int ShowPerTurn = 8;

    SyncStep(const NoteStore& store, NoteRegistry& notes, ReminderStep& reminders, Tray& tray,
             std::function<void(NoteWindow*)> giveKeys);
    ~SyncStep() override;

    // Takes up the folder this store synchronises with, if any.
    void start();
    // One tick, once the notes are back.
    void run(int tick);
    // The tray's 同期フォルダ...: choose a folder, another one, or stop.
    void chooseFolder(QWidget* parent);
    // Synchronises with the folder from now on (nothing: not any more); false, with the user told
    // why, when the store could not take it.
    bool useFolder(const std::optional<QString>& folder);
    // A round now, where one may run.
    void syncNow();
    // The program ends: this PC's last changes go into its file, waiting for that file to be
    // written; nothing is taken in from the others.
    void publishNow();

    bool enabled() const { return m_settings.has_value(); }
    const std::optional<SyncSettings>& settings() const { return m_settings; }

Q_SIGNALS:
    // A round finished, with what it had to take in (whether or not it changed anything): for
    // tests and benchmarks.
    void roundFinished(bool changedRows);
    // This PC's file was written (or failed to be).
    void fileWritten();

private:
    void watch();
    bool folderReachable();
    // The store's size and time of change: a note saved here changes them.
    QPair<qint64, qint64> storeStamp() const;
    void runRound(bool goingOn);
    void publish(SyncFileContent file);
    void published(const QString& failure);
    void followWindows(const SyncRound& round);
    void showNotes(const std::vector<qint32>& ids);
    void showWaitingNotes();

    const NoteStore& m_store;
    NoteRegistry& m_notes;
    ReminderStep& m_reminders;
    Tray& m_tray;
    std::function<void(NoteWindow*)> m_giveKeys;
    std::optional<SyncSettings> m_settings;
    SyncFolderReader m_reader;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    // Notes new here, shown a few at a time; the note whose window had the keys when replaced.
    std::deque<qint32> m_toShow;
    QTimer m_showing;
    std::optional<qint32> m_keysTo;
    bool m_changedRows = false;
    std::optional<SyncFileContent> m_toWrite;
    bool m_writing = false;
    QThreadPool m_writer;
    QPair<qint64, qint64> m_storeStampAtRound;
    QString m_peersAtRound;
    std::map<QString, QString> m_loggedPassedOver;
    bool m_started = false;
    bool m_toldMissing = false;
    bool m_toldWriteFailure = false;
    // This PC's file may not hold what the store does: a write failed, or the program was ended
    // between a round and its write. The first round of a run writes it in any case.
    bool m_fileBehind = true;
};
