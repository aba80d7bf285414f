#include "app/SyncStep.h"

#include "app/ReminderStep.h"
#include "core/NoteStore.h"
#include "core/OpenNote.h"
#include "core/SaveEveryNote.h"
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
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SyncStep::syncNow);
    const auto changed = [this] {
        if (m_started)
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
}

SyncStep::~SyncStep() = default;

void SyncStep::start()
{
    StoreResult<std::optional<SyncSettings>> settings = SyncStore::settings(m_store);
    if (!settings) {
        qWarning("the sync settings could not be read: %s", qUtf8Printable(settings.error().message()));
        return;
    }
    m_settings = *settings;
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
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    if (!m_settings || !QFileInfo(m_settings->folder).isDir())
        return;
    m_watcher.addPath(m_settings->folder);
    // A sync tool that writes a file in place changes the file, not the folder.
    const QStringList files = QDir(m_settings->folder).entryList({QStringLiteral("zufusen-*.zusync")}, QDir::Files);
    for (const QString& file : files)
        m_watcher.addPath(QDir(m_settings->folder).filePath(file));
}

QPair<qint64, QDateTime> SyncStep::storeStamp() const
{
    const QFileInfo file(m_store.filePath());
    return {file.size(), file.lastModified()};
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
    if (!saveEveryNote(m_notes.openNotes(), 0).isEmpty())
        return;
    std::vector<SyncFileContent> peers;
    QString peersNow;
    for (SyncFolderReader::Peer& peer : m_reader.read(m_settings->folder, m_settings->storeId)) {
        peersNow += peer.content.storeId + QLatin1Char(':') + QString::number(peer.content.clock) + QLatin1Char(' ');
        peers.push_back(std::move(peer.content));
    }
    for (const auto& [file, why] : m_reader.passedOver())
        qInfo("sync file %s passed over: %s", qUtf8Printable(file), qUtf8Printable(why));
    const QString ownFile =
        QDir(m_settings->folder).filePath(SyncFile::fileName(m_settings->storeId, m_settings->pcName));
    if (peersNow == m_peersAtRound && storeStamp() == m_storeStampAtRound && QFileInfo::exists(ownFile))
        return;
    StoreResult<SyncRound> round = SyncStore::runRound(m_store, peers);
    if (!round) {
        qWarning("sync round failed: %s", qUtf8Printable(round.error().message()));
        return;
    }
    followWindows(*round);
    if (round->remindersChanged)
        if (const StoreResult<> loaded = m_reminders.load(); !loaded)
            qWarning("reminders not read again: %s", qUtf8Printable(loaded.error().message()));
    if (round->published || !QFileInfo::exists(ownFile)) {
        const StoreResult<> written = SyncFile::write(m_settings->folder, round->file);
        if (!written && !m_toldWriteFailure)
            m_tray.notify(tr("同期フォルダに書き込めませんでした:\n%1").arg(written.error().message()));
        m_toldWriteFailure = !written;
    }
    m_settings->clock = round->file.clock;
    m_peersAtRound = peersNow;
    m_storeStampAtRound = storeStamp();
    watch();
    Q_EMIT roundFinished(round->changedRows());
}

void SyncStep::followWindows(const SyncRound& round)
{
    for (const qint32 id : round.notesRemoved)
        if (NoteWindow* note = m_notes.find(id))
            m_notes.discard(note);
    std::vector<NoteOpening> openings;
    std::optional<qint32> hadKeys;
    const std::map<qint32, NoteLook> looks = noteLooksOrDefaults(m_store);
    for (const auto* ids : {&round.notesChanged, &round.notesAdded})
        for (const qint32 id : *ids) {
            StoreResult<std::optional<StoredNote>> stored = m_store.note(id);
            if (!stored || !*stored)
                continue;
            NoteWindow* shown = m_notes.find(id);
            const bool keys = shown && shown->isActiveWindow();
            if (shown)
                m_notes.discard(shown);
            if (!(*stored)->note.isOpen)
                continue;
            const auto look = looks.find(id);
            openings.push_back({NoteOpening::Restored, (*stored)->note, (*stored)->image,
                                look == looks.end() ? NoteLook() : look->second, true, 0});
            if (keys)
                hadKeys = id;
        }
    const QList<NoteWindow*> opened = m_notes.open(openings);
    if (hadKeys)
        for (NoteWindow* note : opened)
            if (note->noteId() == *hadKeys)
                m_giveKeys(note);
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
    m_toldMissing = false;
    watch();
    syncNow();
    return true;
}
