#include "app/SyncStep.h"

#include "app/ReminderStep.h"
#include "core/NoteStore.h"
#include "core/OpenNote.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"
#include "gui/Tray.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <QThreadPool>

#include <filesystem>

namespace {

QString thisHost()
{
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("PC") : host;
}

} // namespace

SyncStep::SyncStep(const NoteStore& store, NoteRegistry& notes, ReminderStep& reminders, Tray& tray,
                   std::function<void(NoteWindow*)> giveKeys)
    : m_store(store), m_notes(notes), m_reminders(reminders), m_tray(tray), m_giveKeys(std::move(giveKeys))
{
    m_writer.setMaxThreadCount(1);
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SyncStep::syncNow);
    m_showing.setSingleShot(true);
    m_showing.setInterval(0);
    connect(&m_showing, &QTimer::timeout, this, &SyncStep::showWaitingNotes);
    const auto changed = [this] {
        if (m_started)
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
}

SyncStep::~SyncStep()
{
    // A write under way still reports to this object.
    m_writer.waitForDone();
}

void SyncStep::start()
{
    StoreResult<std::optional<SyncSettings>> settings = SyncStore::settings(m_store);
    if (!settings) {
        qWarning("the sync settings could not be read: %s", qUtf8Printable(settings.error().message()));
        return;
    }
    m_settings = *settings;
    m_peersAtRound.clear();
    // A store brought from another PC must not write that PC's file.
    if (m_settings && m_settings->host != thisHost())
        useFolder(m_settings->folder);
    watch();
}

void SyncStep::run(int tick)
{
    if (!m_settings)
        return;
    m_started = true;
    if (storeStamp() != m_storeStampAtRound || tick % LookTicks == 0)
        syncNow();
}

void SyncStep::watch()
{
    // The folder, and every file in it that a sync tool may write in place (which changes the
    // file, not the folder); paths are only added and taken away, never all renewed.
    QStringList wanted;
    if (m_settings && QFileInfo(m_settings->folder).isDir()) {
        const QDir folder(m_settings->folder);
        wanted << folder.path();
        for (const QString& file : folder.entryList({QStringLiteral("zufusen-*.zusync")}, QDir::Files))
            wanted << folder.filePath(file);
    }
    QStringList gone;
    for (const QString& path : m_watcher.files() + m_watcher.directories())
        if (!wanted.contains(path))
            gone << path;
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
    QStringList added;
    for (const QString& path : std::as_const(wanted))
        if (!m_watcher.files().contains(path) && !m_watcher.directories().contains(path))
            added << path;
    if (!added.isEmpty())
        m_watcher.addPaths(added);
}

QPair<qint64, qint64> SyncStep::storeStamp() const
{
    // Not QFileInfo::lastModified(): a local time, which looks at the time zone at every tick.
    const std::filesystem::path path(m_store.filePath().toStdU16String());
    std::error_code failed;
    const std::uintmax_t size = std::filesystem::file_size(path, failed);
    const std::filesystem::file_time_type changed = std::filesystem::last_write_time(path, failed);
    return {qint64(size), qint64(changed.time_since_epoch().count())};
}

bool SyncStep::folderReachable()
{
    const QFileInfo folder(m_settings->folder);
    const bool reachable = folder.isDir() && folder.isWritable();
    if (!reachable && !m_toldMissing) {
        m_toldMissing = true;
        m_tray.notify(tr("同期フォルダが見つからないか、書き込めません:\n%1\n付箋はこのPCで使えます。"
                         "フォルダが戻れば同期を続けます。")
                          .arg(QDir::toNativeSeparators(m_settings->folder)));
    }
    if (reachable && m_toldMissing) {
        m_toldMissing = false;
        watch();
    }
    return reachable;
}

void SyncStep::syncNow()
{
    runRound(false);
}

void SyncStep::runRound(bool goingOn)
{
    if (!m_settings || !m_started)
        return;
    // A dialog may hold notes or reminders as it read them; the round waits until it closes.
    if (QApplication::activeModalWidget()) {
        m_settle.start();
        return;
    }
    if (!folderReachable())
        return;
    // What is typed reaches the store first, so that the round sees it as this PC's change.
    for (OpenNote* note : m_notes.openNotes())
        if (note->saver().state() != SaveState::Stored) {
            note->save(0);
            if (note->saver().state() != SaveState::Stored)
                return;
        }
    std::vector<SyncFileContent> peers;
    QString peersNow;
    for (SyncFolderReader::Peer& peer : m_reader.read(m_settings->folder, m_settings->storeId)) {
        peersNow += peer.content.storeId + QLatin1Char(':') + QString::number(peer.content.clock) + QLatin1Char(' ');
        peers.push_back(std::move(peer.content));
    }
    // Each file passed over is named once for each reason, not at every look.
    for (const auto& [file, why] : m_reader.passedOver())
        if (m_loggedPassedOver[file] != why) {
            m_loggedPassedOver[file] = why;
            qInfo("sync file %s passed over: %s", qUtf8Printable(file), qUtf8Printable(why));
        }
    const QString ownFile =
        QDir(m_settings->folder).filePath(SyncFile::fileName(m_settings->storeId, m_settings->pcName));
    if (!goingOn && peersNow == m_peersAtRound && storeStamp() == m_storeStampAtRound && QFileInfo::exists(ownFile) &&
        !m_fileBehind)
        return;
    StoreResult<SyncRound> round = SyncStore::runRound(m_store, peers, MaxPerRound);
    if (!round) {
        qWarning("sync round failed: %s", qUtf8Printable(round.error().message()));
        return;
    }
    followWindows(*round);
    m_changedRows |= round->changedRows();
    if (round->remindersChanged)
        if (const StoreResult<> loaded = m_reminders.load(); !loaded)
            qWarning("reminders not read again: %s", qUtf8Printable(loaded.error().message()));
    m_storeStampAtRound = storeStamp();
    if (round->more) {
        // Many changes at once go in short rounds, the event loop running between them.
        QTimer::singleShot(0, this, [this] { runRound(true); });
        return;
    }
    // A file that could not be written (a sync tool holding it) is written again at the next look.
    if (round->published || m_fileBehind || !QFileInfo::exists(ownFile))
        publish(round->file);
    m_settings->clock = round->file.clock;
    m_peersAtRound = peersNow;
    watch();
    Q_EMIT roundFinished(std::exchange(m_changedRows, false));
}

void SyncStep::publish(SyncFileContent file)
{
    // Written on another thread, one file at a time: the latest content waits its turn.
    m_toWrite = std::move(file);
    if (m_writing)
        return;
    m_writing = true;
    m_writer.start([this, folder = m_settings->folder, content = std::move(*m_toWrite)] {
        const StoreResult<> written = SyncFile::write(folder, content);
        const QString failure = written ? QString() : written.error().message();
        QMetaObject::invokeMethod(
            this, [this, failure] { published(failure); }, Qt::QueuedConnection);
    });
    m_toWrite.reset();
}

void SyncStep::published(const QString& failure)
{
    m_writing = false;
    m_fileBehind = !failure.isEmpty();
    if (m_fileBehind && !m_toldWriteFailure)
        m_tray.notify(tr("同期フォルダに書き込めませんでした:\n%1").arg(failure));
    m_toldWriteFailure = m_fileBehind;
    if (m_toWrite && m_settings)
        publish(*std::exchange(m_toWrite, std::nullopt));
    Q_EMIT fileWritten();
}

void SyncStep::publishNow()
{
    // No round opens a window on the way out.
    m_started = false;
    m_settle.stop();
    m_showing.stop();
    if (!m_settings || !QFileInfo(m_settings->folder).isDir())
        return;
    m_writer.waitForDone();
    StoreResult<SyncRound> round = SyncStore::runRound(m_store, {}, 0);
    if (round && round->published)
        if (const StoreResult<> written = SyncFile::write(m_settings->folder, round->file); !written)
            qWarning("the sync file was not written: %s", qUtf8Printable(written.error().message()));
}

void SyncStep::followWindows(const SyncRound& round)
{
    for (const qint32 id : round.notesRemoved)
        if (NoteWindow* note = m_notes.find(id))
            m_notes.discard(note);
    // A window showing a row the round changed goes in this same turn: a save from it would
    // otherwise find its row changed under it.
    std::vector<qint32> replaced;
    for (const qint32 id : round.notesChanged)
        if (NoteWindow* shown = m_notes.find(id)) {
            if (shown->isActiveWindow())
                m_keysTo = id;
            m_notes.discard(shown);
            replaced.push_back(id);
        } else {
            m_toShow.push_back(id);
        }
    showNotes(replaced);
    m_toShow.insert(m_toShow.end(), round.notesAdded.begin(), round.notesAdded.end());
    if (!m_toShow.empty())
        m_showing.start();
}

void SyncStep::showNotes(const std::vector<qint32>& ids)
{
    if (ids.empty())
        return;
    std::vector<NoteOpening> openings;
    const std::map<qint32, NoteLook> looks = noteLooksOrDefaults(m_store);
    for (const qint32 id : ids) {
        StoreResult<std::optional<StoredNote>> stored = m_store.note(id);
        if (!stored || !*stored || !(*stored)->note.isOpen || m_notes.find(id))
            continue;
        const auto look = looks.find(id);
        openings.push_back({.way = NoteOpening::Restored,
                            .note = (*stored)->note,
                            .row = (*stored)->image,
                            .look = look == looks.end() ? NoteLook() : look->second,
                            .takesFocus = m_keysTo == id});
    }
    for (NoteWindow* note : m_notes.open(openings))
        if (m_keysTo && note->noteId() == *m_keysTo) {
            m_keysTo.reset();
            m_giveKeys(note);
        }
}

void SyncStep::showWaitingNotes()
{
    const size_t count = std::min<size_t>(m_toShow.size(), ShowPerTurn);
    showNotes(std::vector<qint32>(m_toShow.begin(), m_toShow.begin() + count));
    m_toShow.erase(m_toShow.begin(), m_toShow.begin() + count);
    if (!m_toShow.empty())
        m_showing.start();
}

void SyncStep::chooseFolder(QWidget* parent)
{
    if (m_settings) {
        QMessageBox box(QMessageBox::Question, tr("同期フォルダ"),
                        tr("付箋とバルーンメッセージを次のフォルダで同期しています:\n\n%1")
                            .arg(QDir::toNativeSeparators(m_settings->folder)),
                        QMessageBox::NoButton, parent);
        box.setObjectName(QStringLiteral("syncFolderBox"));
        QPushButton* other = box.addButton(tr("別のフォルダ(&F)..."), QMessageBox::AcceptRole);
        QPushButton* stop = box.addButton(tr("同期をやめる(&S)"), QMessageBox::DestructiveRole);
        box.addButton(tr("キャンセル"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() == stop) {
            useFolder(std::nullopt);
            return;
        }
        if (box.clickedButton() != other)
            return;
    }
    const QString folder =
        QFileDialog::getExistingDirectory(parent, tr("同期フォルダを選ぶ (同期ツールが他のPCと同じに保つフォルダ)"),
                                          m_settings ? m_settings->folder : QDir::homePath());
    if (!folder.isEmpty())
        useFolder(folder);
}

bool SyncStep::useFolder(const std::optional<QString>& folder)
{
    if (!folder) {
        if (const StoreResult<> off = SyncStore::turnOff(m_store); !off) {
            m_tray.notify(tr("同期をやめられませんでした:\n%1").arg(off.error().message()));
            return false;
        }
        m_settings.reset();
        watch();
        m_tray.notify(tr("同期をやめました。付箋はこのPCだけに残ります。"));
        return true;
    }
    // The live store never lives in the folder: a sync tool would carry it half written.
    if (QDir(*folder) == QDir(m_store.programFolder())) {
        m_tray.notify(tr("付箋のファイルがあるフォルダは同期フォルダにできません。別のフォルダを選んでください。"));
        return false;
    }
    StoreResult<SyncSettings> on = SyncStore::turnOn(m_store, QDir::cleanPath(*folder), thisHost(), thisHost());
    if (!on) {
        m_tray.notify(tr("同期フォルダを設定できませんでした:\n%1").arg(on.error().message()));
        return false;
    }
    m_settings = *on;
    m_peersAtRound.clear();
    m_fileBehind = true;
    m_toldMissing = false;
    watch();
    syncNow();
    return true;
}
