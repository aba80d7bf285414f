#include "app/StartupStep.h"

#include "app/DamageNotice.h"
#include "app/ReminderStep.h"
#include "app/SaveNotices.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/NoteStore.h"
#include "core/RescueFile.h"
#include "core/StoreRecovery.h"
#include "gui/ErrorReport.h"
#include "gui/NoteRegistry.h"
#include "gui/Tray.h"

#include <QFile>

#include <utility>

StartupStep::StartupStep(const Clock& clock, const NoteStore& store, NoteRegistry& notes, ReminderStep& reminders,
                         StoreRecovery& recovery, Tray& tray, SaveNotices& saveNotices)
    : m_clock(clock), m_store(store), m_notes(notes), m_reminders(reminders), m_recovery(recovery), m_tray(tray),
      m_saveNotices(saveNotices)
{
}

void StartupStep::prepare()
{
    if (const std::optional<StoreRecovery::Damage> damage = m_recovery.checkStore(m_clock.now()))
        m_damageNotice = damageNotice(*damage, m_store.filePath());
    m_firstStart = !QFile::exists(m_store.filePath());
    // A store that cannot be prepared is told at the first tick, and tried again.
    if (const StoreResult<> opened = open(); !opened)
        m_error = storeFailureText(opened.error(), m_store.filePath());
}

StoreResult<> StartupStep::open()
{
    if (StoreResult<> prepared = m_store.prepare(); !prepared)
        return prepared;
    m_prepared = true;
    return m_reminders.load();
}

void StartupStep::run(int tick, bool retry)
{
    if (tick == 1)
        tellOfRescuedNotes();
    if (m_firstStart)
        showFirstStartHint(tick);
    if (m_pending && (tick == 1 || retry))
        restore();
}

void StartupStep::startOver()
{
    m_prepared = false;
    m_pending = true;
    restore();
}

void StartupStep::restore()
{
    const auto restored = [this]() -> StoreResult<> {
        if (!m_prepared)
            if (StoreResult<> opened = open(); !opened)
                return opened;
        const StoreResult<std::vector<StoredNote>> notes = m_store.openNotes();
        if (!notes)
            return notes.error();
        m_notes.restore(*notes, noteLooksOrDefaults(m_store));
        return {};
    }();
    if (restored) {
        m_pending = false;
        m_error.clear();
    } else {
        m_error = storeFailureText(restored.error(), m_store.filePath());
    }
    if (m_damageNotice.isEmpty())
        return;
    // One notice at start: the damage and, when the notes could not be read either, why.
    QString text = std::exchange(m_damageNotice, QString());
    if (!m_error.isEmpty()) {
        text += tr("\n付箋を読み込めません。数秒ごとにやり直します。\n") + m_error;
        m_saveNotices.markReported();
    }
    m_tray.notify(text);
}

// A new user sees nothing but a tray icon: the first start says how a note is made, once the
// tray has taken the icon (so the balloon points at it), or after a few ticks without a tray.
void StartupStep::showFirstStartHint(int tick)
{
    constexpr int TicksToWaitForATray = 5;
    if (!m_tray.docked() && tick < TicksToWaitForATray)
        return;
    m_firstStart = false;
    m_tray.showHint(tr("付箋を作るには、マウスを画面の隅に動かし、出てきたパレットの色を"
                       "押したまま外へドラッグします。トレイのメニューの「新しい付箋」でも作れます。"));
}

void StartupStep::tellOfRescuedNotes()
{
    const QStringList files = Rescue::takeNotices(m_store.filePath());
    if (!files.isEmpty())
        m_tray.notify(tr("前回の終了時に保存できなかった付箋の内容を、次のファイルに書き出しました:\n") +
                      files.join(QLatin1Char('\n')));
}
