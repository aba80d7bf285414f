#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

// Keeps a second copy of the program off the same store: the first copy holds a lock file beside
// the store and listens, under a name made from the store's absolute path, for later starts,
// which ask it to show its palette. Copies with different temporary folders, or of different
// users, meet at the same lock.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& storePath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the first copy. A later copy asks the first to show itself and gets false;
    // Answered then tells whether the first copy received the request.
    bool claim();
    bool answered() const { return m_answered; }

Q_SIGNALS:
    void showRequested();

private:
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    bool m_answered = false;
};
