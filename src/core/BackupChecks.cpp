#include "core/BackupChecks.h"

#include <QThread>

// Carries the verdicts out of the checking thread, where it lives and ends.
class BackupCheckRelay : public QObject {
    Q_OBJECT

Q_SIGNALS:
    void checked(int index, const BackupCheck& check);
};

BackupChecks::BackupChecks(QStringList paths, QObject* receiver, Handler checked)
    : m_stop(std::make_shared<std::atomic_bool>(false))
{
    auto* relay = new BackupCheckRelay;
    QObject::connect(relay, &BackupCheckRelay::checked, receiver, std::move(checked), Qt::QueuedConnection);
    QThread* thread = QThread::create([paths = std::move(paths), stop = m_stop, relay] {
        const std::unique_ptr<BackupCheckRelay> owned(relay);
        for (qsizetype i = 0; i < paths.size() && !*stop; ++i) {
            const BackupCheck check = BackupCheck::of(paths[i]);
            if (!*stop)
                Q_EMIT relay->checked(int(i), check);
        }
    });
    relay->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

BackupChecks::~BackupChecks()
{
    *m_stop = true;
}

#include "BackupChecks.moc"
