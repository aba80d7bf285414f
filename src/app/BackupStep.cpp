#include "app/BackupStep.h"

#include "app/DamageNotice.h"
#include "core/Backup.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/StoreRecovery.h"
#include "gui/ErrorReport.h"
#include "gui/Tray.h"

#include <QDir>

BackupStep::BackupStep(const Clock& clock, const QString& storePath, StoreRecovery& recovery, Tray& tray,
                       ErrorReport& report, QObject* parent)
    : QObject(parent), m_clock(clock), m_storePath(storePath), m_recovery(recovery), m_tray(tray), m_schedule(clock),
      m_backups(new DailyBackup(storePath, this))
{
    connect(m_backups, &DailyBackup::finished, this,
            [this, &report](const StoreResult<>& result) { runGuarded(report, [&] { finished(result); }); });
}

BackupStep::~BackupStep() = default;

void BackupStep::run(QPoint cursor, bool notesIn)
{
    m_schedule.cursorAt(cursor);
    const QDate today = m_clock.today();
    if (notesIn && !m_backups->running() && m_schedule.dueNow(m_backups->hasCopyOf(today)))
        m_backups->start(today);
}

void BackupStep::makeAtExit(bool notesIn)
{
    const QDate today = m_clock.today();
    if (!notesIn || !m_schedule.owed(m_backups->hasCopyOf(today)))
        return;
    if (const StoreResult<> made = m_backups->makeNow(today); !made)
        qWarning("no backup at exit: %s", qUtf8Printable(made.error().message()));
}

void BackupStep::stopForRestore()
{
    m_backups->stop();
    m_schedule.forgetFailure();
}

void BackupStep::finished(const StoreResult<>& result)
{
    if (result)
        return;
    m_schedule.failedToday();
    if (const std::optional<StoreRecovery::Damage> damage = m_recovery.checkStore(m_clock.now())) {
        m_tray.notify(damageNotice(*damage, m_storePath));
        return;
    }
    if (m_recovery.storeDamaged())
        return;
    m_tray.notify(tr("今日の付箋のバックアップを作れませんでした。明日もう一度作ります。\n") + result.error().reason() +
                  tr("\nバックアップの場所: ") + QDir::toNativeSeparators(m_backups->folder()));
}
