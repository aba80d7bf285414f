#pragma once

#include <QString>

// An exclusive lock on a file that the operating system drops with the process holding it,
// however that process ends: a lock left by a killed copy, or one from before a reboot, is
// never taken for a live one, whatever process number the next start gets. The file itself
// stays; only the lock on it counts.
class InstanceLock {
public:
    enum class Outcome {
        Held,
        // A live process holds it.
        HeldElsewhere,
        Unusable,
    };
    // Why the file could not be used.
    enum class Problem {
        None,
        // There is no such file and the folder takes none (read-only, another user's).
        CannotCreate,
        IsFolder,
        Denied,
        Other,
    };

    // Tries once, without waiting.
    explicit InstanceLock(const QString& path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Outcome outcome() const { return m_outcome; }
    Problem problem() const { return m_problem; }
    // The system's own words for a problem.
    QString systemMessage() const { return m_systemMessage; }
    QString path() const { return m_path; }

private:
    QString m_path;
    Outcome m_outcome = Outcome::Unusable;
    Problem m_problem = Problem::None;
    QString m_systemMessage;
    // The open file (a descriptor or a system handle) while the lock is held.
    qintptr m_handle = -1;
};
