#pragma once

#include "core/BackupCheck.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

// Checks copies one after another on a thread of its own, in the order given, and hands each
// verdict to the receiver in the receiver's thread as soon as it is known. Going away stops the
// thread after the copy at hand without waiting for it; the thread cleans up after itself, and
// nothing reaches a receiver that is gone.
class BackupChecks {
public:
    using Handler = std::function<void(int index, const BackupCheck& check)>;

    BackupChecks(QStringList paths, QObject* receiver, Handler checked);
    ~BackupChecks();
    BackupChecks(const BackupChecks&) = delete;
    BackupChecks& operator=(const BackupChecks&) = delete;

private:
    std::shared_ptr<std::atomic_bool> m_stop;
};
