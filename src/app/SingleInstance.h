#pragma once

#include <QObject>
#include <QString>

#include <memory>

class InstanceListener;
class InstanceLock;

// Keeps a second copy of the program off the same store: the first copy holds a lock on a file
// beside the store and listens, under a name made from the store's absolute path, for later
// starts, which ask it to show its palette. Copies with different temporary folders, or of
// different users, meet at the same lock. The lock goes with the process however it ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& storePath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the first copy. A later copy asks the first to show itself and gets false;
    // Answered then tells whether the first copy received the request.
    bool claim();
    bool answered() const { return m_answered; }
    // What the user is to be told when the lock beside the store could not be used at all (the
    // copy then runs on a lock of this user's own): the file and what is wrong with it.
    QString lockProblem() const { return m_lockProblem; }

Q_SIGNALS:
    void showRequested();

private:
    QString m_storePath;
    // Made from the store's path: the lock's name in this user's folder, and the socket's.
    QString m_key;
    // The socket: a path in this user's folder where the system takes it, else the key.
    QString m_name;
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<InstanceListener> m_listener;
    bool m_answered = false;
    QString m_lockProblem;
};
